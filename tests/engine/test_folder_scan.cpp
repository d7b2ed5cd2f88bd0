// FindJpegFiles on real folders. The file system decides the enumeration order, so
// every expectation is built from an independent readdir listing of the same folder.

#include "engine/common.h"
#include "platform/system/filenames.h"
#include "tests/support/files.h"
#include "tests/support/oracle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::TempDir;

namespace {

QString S(const char* utf8) { return QString::fromUtf8(utf8); }

// The folder's entries as readdir gives them, "." and ".." included.
QStringList ReaddirNames(const QString& folder) {
    QStringList names;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) return names;
    while (const dirent* e = ::readdir(dir)) names << QFile::decodeName(e->d_name);
    ::closedir(dir);
    return names;
}

void Touch(const QString& path) { testsupport::WriteFile(path, QByteArray("x")); }
void Symlink(const QString& target, const QString& link) {
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()),
              0);
}

QStringList Scan(const QString& folder, bool recurse) {
    TStringList list;
    FindJpegFiles(folder, list, recurse);
    return list.ToQStringList();
}

// a.jpg, sub (c.JPEG, x.png), b.Jpg, d.png, e.jpe, f.jpg.bak
class ScanFolder : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"a.jpg", "b.Jpg", "d.png", "e.jpe", "f.jpg.bak"})
            Touch(dir.File(QString::fromLatin1(name)));
        Touch(dir.File("sub/c.JPEG"));
        Touch(dir.File("sub/x.png"));
    }
    TempDir dir;
};

TEST_F(ScanFolder, ListsJpegExtensionsInEnumerationOrderWithSubfolderAtItsPlace) {
    const QString f = dir.Path();
    QStringList recursive, flat;
    for (const QString& name : ReaddirNames(f)) {
        if (name == "sub") recursive << f + "/sub/c.JPEG";
        if (name == "a.jpg" || name == "b.Jpg") {
            recursive << f + "/" + name;
            flat << f + "/" + name;
        }
    }
    ASSERT_EQ(recursive.size(), 3);
    EXPECT_EQ(Scan(f, true), recursive);
    EXPECT_EQ(Scan(f, false), flat);
}

TEST_F(ScanFolder, AppendsToTheListWithoutClearingSortingOrRemovingDuplicates) {
    TStringList list;
    list.Add("zzz");
    FindJpegFiles(dir.Path(), list, false);
    FindJpegFiles(dir.Path(), list, false);
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(list[0], "zzz");
    EXPECT_EQ(list[1], list[3]);
    EXPECT_EQ(list[2], list[4]);
    for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Objects(i), nullptr);
}

TEST_F(ScanFolder, TrailingSlashIsNotNormalised) {
    const QStringList list = Scan(dir.Path() + "/", true);
    ASSERT_EQ(list.size(), 3);
    EXPECT_TRUE(list.contains(dir.Path() + "//a.jpg"));
    EXPECT_TRUE(list.contains(dir.Path() + "//sub/c.JPEG"));
    EXPECT_TRUE(list.contains(dir.Path() + "//b.Jpg"));
}

TEST_F(ScanFolder, SubfolderFilesStandBetweenTheEntriesAroundIt) {
    // More files on both sides of the subfolder, and a second level below it.
    for (int i = 0; i < 12; ++i) Touch(dir.File(QString("p%1.jpeg").arg(i)));
    Touch(dir.File("sub/deep/q.jpg"));
    const QString f = dir.Path();
    QStringList expected;
    for (const QString& name : ReaddirNames(f)) {
        if (name == "sub") {
            for (const QString& inner : ReaddirNames(f + "/sub")) {
                if (inner == "deep") expected << f + "/sub/deep/q.jpg";
                if (inner == "c.JPEG") expected << f + "/sub/c.JPEG";
            }
        }
        if (name.startsWith(u'p') || name == "a.jpg" || name == "b.Jpg") expected << f + "/" + name;
    }
    ASSERT_EQ(expected.size(), 16);
    EXPECT_EQ(Scan(f, true), expected);
}

TEST(FolderScan, HiddenFilesDotJpgAndFoldersNamedLikePhotos) {
    TempDir dir;
    const QString f = dir.Path();
    Touch(dir.File(".x.jpg"));
    Touch(dir.File(".jpg"));         // the name is its own extension
    Touch(dir.File("noext"));
    Touch(dir.File("jpg"));          // no dot: no extension
    Touch(dir.File("y.jpg/z.jpeg"));  // a folder named like a photo
    Symlink(f + "/gone.png", f + "/dangling.jpg");
    QStringList recursive, flat;
    for (const QString& name : ReaddirNames(f)) {
        if (name == "y.jpg") recursive << f + "/y.jpg/z.jpeg";
        if (name == ".x.jpg" || name == ".jpg" || name == "y.jpg" || name == "dangling.jpg") {
            recursive << f + "/" + name;
            flat << f + "/" + name;
        }
    }
    ASSERT_EQ(recursive.size(), 5);
    EXPECT_EQ(Scan(f, true), recursive);
    EXPECT_EQ(Scan(f, false), flat);
}

TEST(FolderScan, MissingFolderOrFileLeavesTheListAsItWas) {
    TempDir dir;
    Touch(dir.File("photo.jpg"));
    for (const QString& folder : {dir.File("missing"), dir.File("photo.jpg"), QString()}) {
        TStringList list;
        list.Add("kept");
        FindJpegFiles(folder, list, true);
        ASSERT_EQ(list.Count(), 1) << folder.toStdString();
        EXPECT_EQ(list[0], "kept");
    }
}

TEST(FolderScan, NamesWithBlanksAndNonAsciiCharacters) {
    TempDir dir;
    const QString folder = dir.File(S("Ferien im S\xC3\xBC" "den"));
    Touch(folder + S("/\xC3\x96lberg 1.JPG"));
    Touch(folder + S("/\xE6\x97\xA5\xE6\x9C\xAC \xE5\x86\x99\xE7\x9C\x9F.jpeg"));
    Touch(folder + S("/Stra\xC3\x9F" "e/caf\xC3\xA9.Jpeg"));
    // Latin-1 names from an old card: bytes that are not UTF-8, carried as they are.
    const QString latin1 = folder + sys::DecodeFileName("/caf\xE9.jpg");
    const QString latin1Folder = folder + sys::DecodeFileName("/\xC4lbum/\xE9t\xE9.JPG");
    Touch(latin1);
    Touch(latin1Folder);
    QStringList list = Scan(dir.Path(), true);
    ASSERT_EQ(list.size(), 5);
    for (const QString& path : list)
        EXPECT_TRUE(testsupport::Stat(path).exists) << path.toStdString();
    list.sort();
    QStringList expected{folder + S("/Stra\xC3\x9F" "e/caf\xC3\xA9.Jpeg"),
                         folder + S("/\xC3\x96lberg 1.JPG"),
                         folder + S("/\xE6\x97\xA5\xE6\x9C\xAC \xE5\x86\x99\xE7\x9C\x9F.jpeg"),
                         latin1, latin1Folder};
    expected.sort();
    EXPECT_EQ(list, expected);
}

TEST(FolderScan, LinkedFoldersAreEnteredAndEveryFolderListedOnce) {
    TempDir dir, outside;
    const QString f = dir.Path();
    Touch(dir.File("top.jpg"));
    Touch(dir.File("a/one.jpg"));
    Touch(dir.File("a/b/two.jpg"));
    Symlink("..", f + "/a/b/up");          // back to a: a loop on every path through a
    Symlink(".", f + "/self");             // the folder itself
    Symlink(f, f + "/a/root.jpg");         // a loop named like a photo: listed, not entered
    Symlink(f + "/a", f + "/x");           // a second way into a, a sibling
    Symlink(f + "/a/b", f + "/down");      // a second way into a folder below
    Touch(outside.File("o.jpg"));
    Symlink(outside.Path(), f + "/ext");   // a folder elsewhere

    // Which way into a folder comes first is the enumeration's choice; each entry
    // counts once, named by its real folder.
    QStringList entries;
    for (const QString& path : Scan(f, true)) {
        const QFileInfo info(path);
        entries << QFileInfo(info.path()).canonicalFilePath() + "/" + info.fileName();
    }
    entries.sort();
    const QString real = QFileInfo(f).canonicalFilePath();
    QStringList expected{real + "/top.jpg", real + "/a/one.jpg", real + "/a/b/two.jpg",
                         real + "/a/root.jpg", QFileInfo(outside.Path()).canonicalFilePath() + "/o.jpg"};
    expected.sort();
    EXPECT_EQ(entries, expected);
}

TEST(FolderScan, UnreadableFolderContributesNothing) {
    if (testsupport::RunningAsRoot()) GTEST_SKIP() << "runs as root";
    TempDir dir;
    Touch(dir.File("a.jpg"));
    Touch(dir.File("locked/b.jpg"));
    Touch(dir.File("open/c.jpg"));
    ASSERT_EQ(::chmod(QFile::encodeName(dir.File("locked")).constData(), 0), 0);
    QStringList list = Scan(dir.Path(), true);
    ::chmod(QFile::encodeName(dir.File("locked")).constData(), 0700);
    list.sort();
    EXPECT_EQ(list, (QStringList{dir.File("a.jpg"), dir.File("open/c.jpg")}));
}

}  // namespace
