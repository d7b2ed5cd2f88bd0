// Faults injected at each step of the safe write, through the library's FileOps seam
// (the inside of the library is compiled into this program by internals.cpp).

#include "platform/vantrel/vantrel_internal.h"

#include "tests/vantrel/helpers.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace testsupport;
using vantreltest::Entries;
using vantreltest::LikeJpegtran;
using vantreltest::Spec;

namespace {

enum class Fault {
    None,
    ShortWrites,      // EINTR and small pieces: must still succeed
    TempWrite,        // the disk fills up half-way through the copy
    TempFsync,
    TempCorrupted,    // the copy silently loses its last bytes
    Rename,
    InPlaceWrite,     // hard link: the rewrite stops half-way
    InPlaceFsync,
    InPlaceAndRestore // ... and putting the old bytes back fails as well
};

// Real system calls, with one fault at the chosen step. The temporary file is the one
// opened with O_EXCL, the in-place target the one opened for writing without O_CREAT.
class FaultyOps : public vantrel::FileOps {
public:
    explicit FaultyOps(Fault fault) : fault_(fault) {}

    int Open(const char* path, int flags, mode_t mode) override {
        const int fd = FileOps::Open(path, flags, mode);
        if (fd >= 0 && (flags & O_EXCL)) temp_ = fd;
        if (fd >= 0 && (flags & O_ACCMODE) == O_WRONLY && !(flags & O_CREAT)) target_ = fd;
        return fd;
    }
    ssize_t Pwrite(int fd, const void* buf, size_t count, off_t offset) override {
        if (fault_ == Fault::ShortWrites) {
            if (++calls_ % 3 == 1) {
                errno = EINTR;
                return -1;
            }
            return FileOps::Pwrite(fd, buf, std::min<size_t>(count, 777), offset);
        }
        if (fd == temp_ && fault_ == Fault::TempWrite)
            return Failing(fd, buf, count, offset, ++tempWrites_, false);
        if (fd == temp_ && fault_ == Fault::TempCorrupted && count > 2)
            return FileOps::Pwrite(fd, buf, count - 2, offset) < 0 ? -1 : ssize_t(count);
        if (fd == target_ && fault_ == Fault::InPlaceWrite)
            return Failing(fd, buf, count, offset, ++targetWrites_, true);
        if (fd == target_ && fault_ == Fault::InPlaceAndRestore)
            return Failing(fd, buf, count, offset, ++targetWrites_, false);
        return FileOps::Pwrite(fd, buf, count, offset);
    }
    ssize_t Pread(int fd, void* buf, size_t count, off_t offset) override {
        if (fault_ == Fault::ShortWrites && count > 1)  // short reads too
            return FileOps::Pread(fd, buf, std::min<size_t>(count, 555), offset);
        return FileOps::Pread(fd, buf, count, offset);
    }
    int Fsync(int fd) override {
        if ((fd == temp_ && fault_ == Fault::TempFsync) ||
            (fd == target_ && fault_ == Fault::InPlaceFsync && !failed_)) {
            failed_ = true;
            errno = EIO;
            return -1;
        }
        return FileOps::Fsync(fd);
    }
    int Rename(const char* from, const char* to) override {
        if (fault_ == Fault::Rename) {
            errno = EXDEV;
            return -1;
        }
        return FileOps::Rename(from, to);
    }

private:
    // The first write moves half its bytes for real, the second reports a full disk;
    // later ones work again when `recover` (the restore after a failed rewrite).
    ssize_t Failing(int fd, const void* buf, size_t count, off_t offset, int nth, bool recover) {
        if (nth == 1 && count > 1) return FileOps::Pwrite(fd, buf, count / 2, offset);
        if (nth <= 2 || !recover) {
            errno = ENOSPC;
            return -1;
        }
        return FileOps::Pwrite(fd, buf, count, offset);
    }

    Fault fault_;
    int temp_ = -1, target_ = -1;
    int calls_ = 0, tempWrites_ = 0, targetWrites_ = 0;
    bool failed_ = false;
};

struct Case {
    const char* name;
    Fault fault;
    bool hardLinked;
    vantrel::Status expected;
};

class SafeWrite : public ::testing::TestWithParam<Case> {};

TEST_P(SafeWrite, FaultLeavesTheOriginalAndNoCopy) {
    const Case& c = GetParam();
    TempDir dir;
    const QString path = dir.File("p.jpg");
    const QByteArray input = MakeJpeg(Spec(61, 45, Sampling::S420));
    WriteFile(path, input);
    QStringList names{"p.jpg"};
    if (c.hardLinked) {
        ASSERT_EQ(::link(QFile::encodeName(path).constData(),
                         QFile::encodeName(dir.File("q.jpg")).constData()), 0);
        names << "q.jpg";
    }

    FaultyOps ops(c.fault);
    EXPECT_EQ(vantrel::TransformFile(QFile::encodeName(path).constData(), 1, ops), c.expected);
    if (c.expected == vantrel::kOk) {
        EXPECT_TRUE(LikeJpegtran(ReadFile(path), input, 1));
    } else {
        EXPECT_EQ(ReadFile(path), input);
    }
    if (c.hardLinked) {
        EXPECT_EQ(ReadFile(dir.File("q.jpg")), ReadFile(path));
    }
    EXPECT_EQ(Entries(dir.Path()), names);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, SafeWrite,
    ::testing::Values(Case{"ShortWrites", Fault::ShortWrites, false, vantrel::kOk},
                      Case{"ShortWritesHardLinked", Fault::ShortWrites, true, vantrel::kOk},
                      Case{"Write", Fault::TempWrite, false, vantrel::kWriteFailed},
                      Case{"WriteHardLinked", Fault::TempWrite, true, vantrel::kWriteFailed},
                      Case{"Fsync", Fault::TempFsync, false, vantrel::kSyncFailed},
                      Case{"Check", Fault::TempCorrupted, false, vantrel::kVerifyFailed},
                      Case{"Rename", Fault::Rename, false, vantrel::kReplaceFailed},
                      Case{"InPlaceWrite", Fault::InPlaceWrite, true, vantrel::kInPlaceFailed},
                      Case{"InPlaceFsync", Fault::InPlaceFsync, true, vantrel::kInPlaceFailed}),
    [](const ::testing::TestParamInfo<Case>& p) { return std::string(p.param.name); });

TEST(SafeWrite, FailedRestoreKeepsTheVerifiedCopy) {
    // Both the rewrite and the putting back fail: the original is damaged, so the
    // verified copy is the last good data and stays.
    TempDir dir;
    const QString path = dir.File("p.jpg");
    const QByteArray input = MakeJpeg(Spec(64, 48));
    WriteFile(path, input);
    ASSERT_EQ(::link(QFile::encodeName(path).constData(),
                     QFile::encodeName(dir.File("q.jpg")).constData()), 0);
    FaultyOps ops(Fault::InPlaceAndRestore);
    EXPECT_EQ(vantrel::TransformFile(QFile::encodeName(path).constData(), 1, ops),
              vantrel::kRestoreFailed);
    const QStringList entries = Entries(dir.Path());
    ASSERT_EQ(entries.size(), 3);
    ASSERT_TRUE(entries[0].startsWith(".vantrel-")) << entries[0].toStdString();
    EXPECT_TRUE(LikeJpegtran(ReadFile(dir.File(entries[0])), input, 1));
}

TEST(SafeWrite, AnEditByAnotherProgramMeanwhileIsKept) {
    // Another program (a tag editor, a sync tool) rewrites the photo in place while it
    // is being transformed: same inode, same size. The edit stays, nothing is replaced.
    // With `keepTime` the editor puts the modification time back, so only the change
    // time tells.
    class Editor : public vantrel::FileOps {
    public:
        Editor(QString path, bool keepTime) : path_(std::move(path)), keepTime_(keepTime) {}
        int Fsync(int fd) override {
            if (!done_) {  // the copy's sync: the original has been read long ago
                done_ = true;
                Edit();
            }
            return FileOps::Fsync(fd);
        }
        QByteArray edited;

    private:
        void Edit() {
            const QByteArray name = QFile::encodeName(path_);
            struct stat before {};
            ASSERT_EQ(::stat(name.constData(), &before), 0);
            edited = ReadFile(path_);
            edited.replace(edited.size() - 40, 8, "EDITED!!");
            const int fd = ::open(name.constData(), O_WRONLY);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::pwrite(fd, edited.constData(), size_t(edited.size()), 0), edited.size());
            ::close(fd);
            if (!keepTime_) return;
            // Put the times back until the clock has moved on from the last change.
            const struct timespec times[2] = {before.st_atim, before.st_mtim};
            struct stat now {};
            do {
                ASSERT_EQ(::utimensat(AT_FDCWD, name.constData(), times, 0), 0);
                ASSERT_EQ(::stat(name.constData(), &now), 0);
            } while (now.st_ctim.tv_sec == before.st_ctim.tv_sec &&
                     now.st_ctim.tv_nsec == before.st_ctim.tv_nsec);
        }
        QString path_;
        bool keepTime_;
        bool done_ = false;
    };
    for (bool hardLinked : {false, true})
        for (bool keepTime : {false, true}) {
            SCOPED_TRACE(std::string(hardLinked ? "hard-linked" : "single") +
                         (keepTime ? ", times put back" : ""));
            TempDir dir;
            const QString path = dir.File("p.jpg");
            WriteFile(path, MakeJpeg(Spec(61, 45, Sampling::S420)));
            SetTimes(path, 1500000000, 250);  // the edit's own time differs from this
            QStringList names{"p.jpg"};
            if (hardLinked) {
                ASSERT_EQ(::link(QFile::encodeName(path).constData(),
                                 QFile::encodeName(dir.File("q.jpg")).constData()), 0);
                names << "q.jpg";
            }
            Editor ops(path, keepTime);
            EXPECT_EQ(vantrel::TransformFile(QFile::encodeName(path).constData(), 1, ops),
                      vantrel::kChanged);
            ASSERT_FALSE(ops.edited.isEmpty());
            EXPECT_EQ(ReadFile(path), ops.edited);
            EXPECT_EQ(Entries(dir.Path()), names);
        }
}

TEST(SafeWrite, TemporaryFileIsPrivateWhileWritten) {
    class Spy : public vantrel::FileOps {
    public:
        int Open(const char* path, int flags, mode_t mode) override {
            if (flags & O_EXCL) {
                mode_ = mode;
                flags_ = flags;
                name_ = path;
            }
            return FileOps::Open(path, flags, mode);
        }
        mode_t mode_ = 0;
        int flags_ = 0;
        std::string name_;
    } spy;
    TempDir dir;
    const QString path = dir.File("p.jpg");
    WriteFile(path, MakeJpeg(Spec(32, 32)));
    ASSERT_EQ(vantrel::TransformFile(QFile::encodeName(path).constData(), 2, spy), vantrel::kOk);
    EXPECT_EQ(spy.mode_, mode_t{0600});
    EXPECT_TRUE(spy.flags_ & O_CREAT);
    EXPECT_EQ(QFileInfo(QString::fromStdString(spy.name_)).absolutePath(),
              QFileInfo(dir.Path()).canonicalFilePath());
}

// ---- the decode check on its own --------------------------------------------------

bool Decodes(const QByteArray& b, int w, int h) {
    return vantrel::DecodesAs(reinterpret_cast<const uint8_t*>(b.constData()),
                              static_cast<size_t>(b.size()), w, h);
}

TEST(DecodeCheck, RefusesDamagedImageData) {
    // The check decodes at 1/8 scale; damage anywhere in the entropy-coded data must
    // still show, since every coefficient is decoded.
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        JpegSpec spec = Spec(256, 192);
        spec.progressive = progressive;
        const QByteArray good = MakeJpeg(spec);
        EXPECT_TRUE(Decodes(good, 256, 192));
        EXPECT_FALSE(Decodes(good, 192, 256));  // not the expected size
        EXPECT_FALSE(Decodes(good.left(good.size() - 1), 256, 192));  // one byte short
        EXPECT_FALSE(Decodes(good.left(good.size() - 2), 256, 192));
        EXPECT_FALSE(Decodes(good.left(good.size() / 2), 256, 192));
        QByteArray zeroed = good;
        zeroed.replace(zeroed.size() - 2, 2, QByteArray(2, '\0'));
        EXPECT_FALSE(Decodes(zeroed, 256, 192));

        // Bytes flipped at spread-out places of a baseline scan. (A progressive file's
        // refinement scans carry raw correction bits, which no decoder can tell from
        // damage.)
        if (progressive) continue;
        const qsizetype scan = FindMarkers(good, 0xDA).at(0);
        const qsizetype data = scan + 2 + ((uint8_t(good[scan + 2]) << 8) | uint8_t(good[scan + 3]));
        const qsizetype length = good.size() - 2 - data;
        ASSERT_GT(length, 64);
        for (int k = 1; k <= 3; ++k) {
            QByteArray flipped = good;
            const qsizetype at = data + length * k / 4;
            for (qsizetype i = at; i < at + 8; ++i) flipped[i] = char(flipped[i] ^ 0x5A);
            EXPECT_FALSE(Decodes(flipped, 256, 192)) << "flipped at " << at;
        }
    }
}

TEST(DecodeCheck, ReadsTheResultWhileItIsMade) {
    // A producer thread hands the file over in small pieces; the check keeps up, and
    // fails when the producer stops short or gives up.
    const QByteArray good = MakeJpeg(Spec(128, 96));
    auto feed = [&](qsizetype upTo, bool complete) {
        vantrel::Output out;
        std::thread producer([&] {
            for (qsizetype at = 0; at < upTo; at += 100)
                ASSERT_TRUE(out.Append(reinterpret_cast<const uint8_t*>(good.constData()) + at,
                                       static_cast<size_t>(std::min<qsizetype>(100, upTo - at))));
            out.Finish(complete);
        });
        const bool ok = vantrel::DecodesAs(out, 128, 96);
        producer.join();
        return ok;
    };
    EXPECT_TRUE(feed(good.size(), true));
    EXPECT_FALSE(feed(good.size(), false));
    EXPECT_FALSE(feed(good.size() - 1, true));
    EXPECT_FALSE(feed(good.size() / 2, true));
}

}  // namespace
