// The command line on files that once made it damage photos or hang: damaged JPEG
// headers beside a turned photo, EXIF blocks the writer used to miss, and a FIFO or
// socket named like a photo. Real processes, a temporary HOME, no display.

#include "tests/support/files.h"
#include "tests/support/oracle.h"
#include "tests/support/photos.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace testsupport;

namespace {

// A hang must show as a failure, not as a test that never ends.
constexpr int kQuickMs = 20000;

class HostileFiles : public ::testing::Test {
protected:
    TempHome home;
    TempDir dir;

    ProcessResult Orlisk(const QStringList& args) const {
        QProcessEnvironment env = home.Env();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        return testsupport::Run(OrliskExe(), args, env, kQuickMs);
    }
    QString Copy(const QString& dataFile, const QString& name) const {
        const QString path = dir.File(name);
        WriteFile(path, TestData(dataFile));
        return path;
    }
    static std::vector<int> Orientations(const QString& path) {
        std::vector<int> out;
        // The EXIF blocks only: an XMP packet's own tiff:Orientation is not ours to write.
        for (const auto& [group, value] : ExiftoolOrientations(path))
            if (!group.startsWith("XMP")) out.push_back(value);
        return out;
    }
};

// Binds a Unix socket at `path`; closed (and the name left behind) with the object.
class SocketFile {
public:
    explicit SocketFile(const QString& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr {};
        addr.sun_family = AF_UNIX;
        const QByteArray p = QFile::encodeName(path);
        if (fd_ < 0 || static_cast<size_t>(p.size()) >= sizeof addr.sun_path) return;
        std::memcpy(addr.sun_path, p.constData(), static_cast<size_t>(p.size()));
        bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~SocketFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    SocketFile(const SocketFile&) = delete;
    SocketFile& operator=(const SocketFile&) = delete;
    bool Bound() const { return bound_; }

private:
    int fd_ = -1;
    bool bound_ = false;
};

}  // namespace

TEST_F(HostileFiles, DamagedHeadersDoNotStopTheTurnedPhotoBesideThem) {
    // After one of these files the image services used to read every later photo as
    // 0 x 0 without properties, so the batch reported success and turned nothing.
    for (const char* bad : {"header-error-unknown-marker.jpg", "header-error-scan-before-frame.jpg",
                            "header-error-bad-huffman-table.jpg", "header-error-zero-width.jpg"})
        Copy(bad, bad);
    const QString photo = dir.File("photo.jpg");
    const QByteArray before = MakeExifJpeg(64, 48, 6);
    WriteFile(photo, before);

    const ProcessResult r = Orlisk({"-s", "-auto", dir.Path()});
    ASSERT_FALSE(r.crashed) << r.err.toStdString();
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(Decode(ReadFile(photo)), Decode(Jpegtran(JpegtranArgs(1), before)));
    EXPECT_EQ(Orientations(photo), std::vector<int>{1});
}

TEST_F(HostileFiles, XmpBeforeExifEndsUprightAndIsNotTurnedAgain) {
    const QString photo = Copy("xmp-app1-before-exif-app1-o6.jpg", "photo.jpg");
    const QByteArray before = ReadFile(photo);
    ProcessResult r = Orlisk({"-s", "-r", photo});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(Decode(ReadFile(photo)), Decode(Jpegtran(JpegtranArgs(1), before)));
    EXPECT_EQ(Orientations(photo), std::vector<int>{1});

    const QByteArray upright = ReadFile(photo);
    r = Orlisk({"-s", "-auto", dir.Path()});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(ReadFile(photo), upright);
}

TEST_F(HostileFiles, LongOrientationReadsOneAfterTheTransform) {
    const QString photo = Copy("orientation-as-long-be-o6.jpg", "photo.jpg");
    const ProcessResult r = Orlisk({"-s", "-r", photo});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(Orientations(photo), std::vector<int>{1});
}

TEST_F(HostileFiles, ACommentAfterTheExifSegmentKeepsItsText) {
    const QString photo = Copy("exif-pointer-into-comment-o6.jpg", "photo.jpg");
    const QByteArray before = ReadFile(photo);
    const ProcessResult r = Orlisk({"-s", "-r", photo});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray after = ReadFile(photo);
    EXPECT_EQ(SegmentPayload(after, 0xFE), SegmentPayload(before, 0xFE));
    EXPECT_EQ(Decode(after), Decode(Jpegtran(JpegtranArgs(1), before)));
}

TEST_F(HostileFiles, FifoAndSocketNamedLikePhotosFailAtOnce) {
    const QString fifo = dir.File("pipe.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString sock = dir.File("socket.jpg");
    SocketFile socket(sock);
    ASSERT_TRUE(socket.Bound());

    for (const QString& path : {fifo, sock}) {
        const ProcessResult r = Orlisk({"-s", "-r", path});
        EXPECT_FALSE(r.crashed) << path.toStdString() << " did not return";
        EXPECT_EQ(r.exitCode, 1) << path.toStdString();
        EXPECT_FALSE(r.err.isEmpty()) << path.toStdString();
    }
    // A photo beside them is still turned by the batch, which finishes.
    const QString sub = dir.File("sub");
    const QByteArray before = MakeExifJpeg(64, 48, 6);
    WriteFile(sub + "/photo.jpg", before);
    const ProcessResult r = Orlisk({"-s", "-autosub", dir.Path()});
    EXPECT_FALSE(r.crashed) << "the batch did not finish";
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(Decode(ReadFile(sub + "/photo.jpg")), Decode(Jpegtran(JpegtranArgs(1), before)));
}
