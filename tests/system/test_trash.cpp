// The freedesktop.org trash: files are moved (never copied, never deleted) with a
// valid .trashinfo, into the home trash or the trash of their own mount.
#include "platform/system/filenames.h"
#include "platform/system/trash.h"
#include "tests/support/files.h"
#include "tests/support/oracle.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testsupport;

namespace {

struct TrashInfo {
    QString header, path, date;
    int lines = 0;
};

TrashInfo ReadInfo(const QString& infoPath) {
    TrashInfo info;
    const QList<QByteArray> lines = ReadFile(infoPath).split('\n');
    for (const QByteArray& line : lines) {
        if (line.isEmpty()) continue;
        ++info.lines;
        if (line.startsWith('[')) info.header = QString::fromUtf8(line);
        if (line.startsWith("Path=")) info.path = QString::fromUtf8(line.mid(5));
        if (line.startsWith("DeletionDate=")) info.date = QString::fromUtf8(line.mid(13));
    }
    return info;
}

ino_t Inode(const QString& path) {
    struct stat st {};
    return ::lstat(sys::EncodeFileName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// Checks a finished trashing: the file moved (same inode), the information file in
// its place beside it, with the header, the escaped original path and a date of now.
void ExpectTrashed(const TrashResult& r, const QString& trash, const QString& trashedName,
                   const QString& escapedPath, ino_t inode) {
    ASSERT_TRUE(r.Ok) << r.Reason.toStdString();
    EXPECT_EQ(r.TrashedPath, trash + "/files/" + trashedName);
    EXPECT_EQ(r.InfoPath, trash + "/info/" + trashedName + ".trashinfo");
    EXPECT_EQ(Inode(r.TrashedPath), inode) << "moved, not copied";
    const TrashInfo info = ReadInfo(r.InfoPath);
    EXPECT_EQ(info.header, "[Trash Info]");
    EXPECT_EQ(info.path, escapedPath);
    EXPECT_EQ(info.lines, 3);
    static const QRegularExpression dateForm(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$"));
    EXPECT_TRUE(dateForm.match(info.date).hasMatch()) << info.date.toStdString();
    const QDateTime when = QDateTime::fromString(info.date, Qt::ISODate);
    EXPECT_LE(qAbs(when.secsTo(QDateTime::currentDateTime())), 60);
}

}  // namespace

TEST(Trash, AFileOfTheHomeFileSystemGoesToTheHomeTrash) {
    TempHome home;
    TempDir dir;  // in the home's own TMPDIR: the same file system
    const QString path = dir.File("IMG 0042.jpg");
    WriteFile(path, "photo");
    const ino_t inode = Inode(path);

    const TrashResult r = MoveToTrash(path);
    const QString trash = home.DataHome() + "/Trash";
    ExpectTrashed(r, trash, "IMG 0042.jpg",
                  QFileInfo(dir.Path()).canonicalFilePath().toUtf8().toPercentEncoding("/") +
                      "/IMG%200042.jpg",
                  inode);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(ReadFile(r.TrashedPath), "photo");
    // The trash folders are private to the user.
    EXPECT_EQ(Stat(trash).mode & 0777, 0700u);
    EXPECT_EQ(Stat(trash + "/files").mode & 0777, 0700u);
}

TEST(Trash, EqualNamesNeverMeetAndNamesAreEscapedAsBytes) {
    TempHome home;
    TempDir a, b, c;
    const QString trash = home.DataHome() + "/Trash";
    WriteFile(a.File("x.jpg"), "first");
    WriteFile(b.File("x.jpg"), "second");
    WriteFile(c.File("x.jpg"), "third");
    // An information file without its file (left by another program) still reserves
    // its name.
    WriteFile(trash + "/info/x.2.jpg.trashinfo", "[Trash Info]\n");

    const TrashResult first = MoveToTrash(a.File("x.jpg"));
    const TrashResult second = MoveToTrash(b.File("x.jpg"));
    const TrashResult third = MoveToTrash(c.File("x.jpg"));
    ASSERT_TRUE(first.Ok && second.Ok && third.Ok);
    EXPECT_EQ(first.TrashedPath, trash + "/files/x.jpg");
    EXPECT_EQ(second.TrashedPath, trash + "/files/x.3.jpg");
    EXPECT_EQ(third.TrashedPath, trash + "/files/x.4.jpg");
    EXPECT_EQ(ReadFile(first.TrashedPath), "first");
    EXPECT_EQ(ReadFile(second.TrashedPath), "second");
    EXPECT_EQ(ReadFile(third.TrashedPath), "third");
    EXPECT_TRUE(ReadInfo(second.InfoPath).path.endsWith("/x.jpg"));
    EXPECT_NE(ReadInfo(first.InfoPath).path, ReadInfo(second.InfoPath).path);

    WriteFile(a.File("\xC3\xA4 50%.jpg"), "umlaut");
    const TrashResult odd = MoveToTrash(a.File(QString::fromUtf8("\xC3\xA4 50%.jpg")));
    ASSERT_TRUE(odd.Ok);
    EXPECT_TRUE(ReadInfo(odd.InfoPath).path.endsWith("/%C3%A4%2050%25.jpg"))
        << ReadInfo(odd.InfoPath).path.toStdString();

    // A Latin-1 name: moved under its own bytes, and those bytes in the Path= line.
    const QString latin1 = sys::DecodeFileName("caf\xe9.jpg");
    WriteFile(a.File(latin1), "latin-1");
    const ino_t inode = Inode(a.File(latin1));
    const TrashResult bytes = MoveToTrash(a.File(latin1));
    ExpectTrashed(bytes, trash, latin1,
                  QFileInfo(a.Path()).canonicalFilePath().toUtf8().toPercentEncoding("/") +
                      "/caf%E9.jpg",
                  inode);
    struct stat st {};
    EXPECT_EQ(::lstat((sys::EncodeFileName(trash) + "/files/caf\xe9.jpg").constData(), &st), 0);
    EXPECT_EQ(ReadFile(bytes.TrashedPath), "latin-1");
    EXPECT_FALSE(Stat(a.File(latin1)).exists);
}

TEST(Trash, ANameTooLongForItsInformationFileIsShortenedKeepingItsExtension) {
    TempHome home;
    const QString trash = home.DataHome() + "/Trash";
    const QString umlauts = QString(125, QChar(0xE4));  // 250 bytes, two per letter
    const struct {
        QString name, trashed;  // 245 bytes leave room for ".trashinfo" in 255
    } cases[] = {
        {QString(241, 'a') + ".jpg", QString(241, 'a') + ".jpg"},
        {QString(248, 'b') + ".jpg", QString(241, 'b') + ".jpg"},
        {QString(251, 'c') + ".JPG", QString(241, 'c') + ".JPG"},
        // The same long name again: numbered, and still short enough.
        {QString(251, 'c') + ".JPG", QString(239, 'c') + ".2.JPG"},
        // Cut between letters, never inside one.
        {umlauts + ".jpeg", umlauts.left(120) + ".jpeg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trashed.toStdString());
        TempDir dir;
        const QString path = dir.File(c.name);
        WriteFile(path, c.name.toUtf8());
        ASSERT_TRUE(QFile::exists(path)) << "the file system takes 255-byte names";
        // The original place keeps the whole name, so a restore brings it back as it was.
        const QByteArray original = QFileInfo(path).canonicalFilePath().toUtf8().toPercentEncoding("/");
        const ino_t inode = Inode(path);
        const TrashResult r = MoveToTrash(path);
        ExpectTrashed(r, trash, c.trashed, original, inode);
        EXPECT_LE(QFileInfo(r.InfoPath).fileName().toUtf8().size(), 255);
        EXPECT_EQ(ReadFile(r.TrashedPath), c.name.toUtf8());
        EXPECT_FALSE(QFile::exists(path));
    }
}

TEST(Trash, AFileThatCannotBeTrashedStaysAndLeavesNoTrace) {
    TempHome home;
    TempDir dir;
    const QString path = dir.File("keep.jpg");
    WriteFile(path, "keep me");

    // The trash's info folder is taken by a plain file.
    const QString trash = home.DataHome() + "/Trash";
    QDir().mkpath(trash + "/files");
    WriteFile(trash + "/info", "not a folder");
    TrashResult r = MoveToTrash(path);
    EXPECT_FALSE(r.Ok);
    EXPECT_FALSE(r.Reason.isEmpty());
    EXPECT_EQ(ReadFile(path), "keep me");
    EXPECT_TRUE(QDir(trash + "/files").isEmpty());

    // No trash can be made at all: the data home is a file.
    QDir(home.DataHome()).removeRecursively();
    WriteFile(home.DataHome(), "");
    r = MoveToTrash(path);
    EXPECT_FALSE(r.Ok);
    EXPECT_FALSE(r.Reason.isEmpty());
    EXPECT_EQ(ReadFile(path), "keep me");

    // A file that is gone.
    r = MoveToTrash(dir.File("gone.jpg"));
    EXPECT_FALSE(r.Ok);
    EXPECT_FALSE(r.Reason.isEmpty());
}

TEST(Trash, ALinkInTheTrashsPlaceIsRefused) {
    TempHome home;
    TempDir dir, elsewhere;
    const QString path = dir.File("a.jpg");
    WriteFile(path, "photo");
    QDir().mkpath(home.DataHome());
    ASSERT_TRUE(QFile::link(elsewhere.Path(), home.DataHome() + "/Trash"));
    const TrashResult r = MoveToTrash(path);
    EXPECT_FALSE(r.Ok);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(QDir(elsewhere.Path()).isEmpty());
}

// A second file system, mounted for the test (a tmpfs; only root may mount).
class SecondFileSystem : public ::testing::Test {
protected:
    TempHome home;
    TempDir mountPoint;
    bool mounted = false;

    void SetUp() override {
        if (!RunningAsRoot()) GTEST_SKIP() << "mounting a second file system needs root; skipped";
        mounted = ::mount("orlisk-test", QFile::encodeName(mountPoint.Path()).constData(), "tmpfs",
                          0, "size=4m,mode=0755") == 0;
        if (!mounted) GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    }
    void TearDown() override {
        if (mounted) ::umount2(QFile::encodeName(mountPoint.Path()).constData(), MNT_DETACH);
    }
    QString Top() const { return mountPoint.Path(); }
    QString OwnTrash() const { return Top() + "/.Trash-" + QString::number(::getuid()); }
};

TEST_F(SecondFileSystem, AFileGoesToItsMountsOwnTrashWithARelativePath) {
    const QString path = Top() + "/2024/holiday.jpg";
    WriteFile(path, "beach");
    const ino_t inode = Inode(path);
    const TrashResult r = MoveToTrash(path);
    ExpectTrashed(r, OwnTrash(), "holiday.jpg", "2024/holiday.jpg", inode);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(Stat(OwnTrash()).mode & 0777, 0700u);
    // Nothing went to the home trash.
    EXPECT_FALSE(QFile::exists(home.DataHome() + "/Trash/files/holiday.jpg"));
}

TEST_F(SecondFileSystem, AnAdministratorsStickyTrashIsUsedAndAPlainOneIsNot) {
    const QString shared = Top() + "/.Trash";
    QDir().mkpath(shared);
    // Without the sticky bit the shared trash is not trusted.
    ::chmod(QFile::encodeName(shared).constData(), 0777);
    WriteFile(Top() + "/a.jpg", "a");
    TrashResult r = MoveToTrash(Top() + "/a.jpg");
    ASSERT_TRUE(r.Ok) << r.Reason.toStdString();
    EXPECT_EQ(r.TrashedPath, OwnTrash() + "/files/a.jpg");

    ::chmod(QFile::encodeName(shared).constData(), 01777);
    WriteFile(Top() + "/b.jpg", "b");
    r = MoveToTrash(Top() + "/b.jpg");
    ASSERT_TRUE(r.Ok) << r.Reason.toStdString();
    const QString mine = shared + "/" + QString::number(::getuid());
    EXPECT_EQ(r.TrashedPath, mine + "/files/b.jpg");
    EXPECT_EQ(ReadInfo(r.InfoPath).path, "b.jpg");
}

TEST_F(SecondFileSystem, AReadOnlyMountKeepsTheFile) {
    WriteFile(Top() + "/c.jpg", "c");
    ASSERT_EQ(::mount("orlisk-test", QFile::encodeName(Top()).constData(), "tmpfs",
                      MS_REMOUNT | MS_RDONLY, nullptr), 0) << std::strerror(errno);
    const TrashResult r = MoveToTrash(Top() + "/c.jpg");
    EXPECT_FALSE(r.Ok);
    EXPECT_FALSE(r.Reason.isEmpty());
    EXPECT_EQ(ReadFile(Top() + "/c.jpg"), "c");
}
