// How the transformed file replaces the original: what it keeps of the old file
// (mode, owner, extended attributes, hard links, symbolic links) and what a folder
// that refuses writing does.

#include "tests/vantrel/helpers.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace testsupport;
using vantreltest::Entries;
using vantreltest::LikeJpegtran;
using vantreltest::Spec;
using vantreltest::Transform;

namespace {

QByteArray Name(const QString& path) { return QFile::encodeName(path); }

struct stat LStat(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(Name(path).constData(), &st), 0) << path.toStdString();
    return st;
}

class Replace : public ::testing::Test {
protected:
    void SetUp() override {
        input_ = MakeJpeg(Spec(61, 45, Sampling::S422));
        path_ = dir_.File("p.jpg");
        WriteFile(path_, input_);
    }
    TempDir dir_;
    QByteArray input_;
    QString path_;
};

TEST_F(Replace, KeepsModeOwnerAndExtendedAttributes) {
    ASSERT_EQ(::chmod(Name(path_).constData(), 0640), 0);
    uid_t uid = ::getuid();
    gid_t gid = ::getgid();
    if (RunningAsRoot()) {  // then the owner can be one that is not us
        uid = 1234;
        gid = 5678;
        ASSERT_EQ(::chown(Name(path_).constData(), uid, gid), 0);
    }
    const QByteArray value("sunset, keep");
    const bool xattrs = ::setxattr(Name(path_).constData(), "user.orlisk.note", value.constData(),
                                   static_cast<size_t>(value.size()), 0) == 0;
    if (!xattrs) {
        ASSERT_TRUE(errno == ENOTSUP || errno == EOPNOTSUPP) << std::strerror(errno);
    }
    const ino_t before = LStat(path_).st_ino;

    ASSERT_EQ(Transform(path_, 1), 0);
    EXPECT_TRUE(LikeJpegtran(ReadFile(path_), input_, 1));
    const struct stat st = LStat(path_);
    EXPECT_NE(st.st_ino, before);  // a new file took the name
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_uid, uid);
    EXPECT_EQ(st.st_gid, gid);
    EXPECT_EQ(Entries(dir_.Path()), QStringList{"p.jpg"});
    if (!xattrs) GTEST_SKIP() << "the file system refuses user extended attributes";
    char got[64] = {};
    const ssize_t n = ::getxattr(Name(path_).constData(), "user.orlisk.note", got, sizeof got);
    ASSERT_EQ(n, value.size());
    EXPECT_EQ(QByteArray(got, static_cast<qsizetype>(n)), value);
}

TEST_F(Replace, HardLinkedFileStaysOneFile) {
    const QString other = dir_.File("other-name.jpg");
    ASSERT_EQ(::link(Name(path_).constData(), Name(other).constData()), 0);
    const ino_t inode = LStat(path_).st_ino;

    ASSERT_EQ(Transform(path_, 3), 0);
    const QByteArray result = ReadFile(path_);
    EXPECT_TRUE(LikeJpegtran(result, input_, 3));
    EXPECT_EQ(ReadFile(other), result);
    EXPECT_EQ(LStat(path_).st_ino, inode);
    EXPECT_EQ(LStat(other).st_ino, inode);
    EXPECT_EQ(LStat(path_).st_nlink, 2u);
    EXPECT_EQ(Entries(dir_.Path()), (QStringList{"other-name.jpg", "p.jpg"}));
}

TEST_F(Replace, SymbolicLinkStaysALinkAndItsTargetIsTransformed) {
    TempDir links;
    const QString link = links.File("link.jpg");
    ASSERT_EQ(::symlink(Name(path_).constData(), Name(link).constData()), 0);

    ASSERT_EQ(Transform(link, 2), 0);
    EXPECT_TRUE(S_ISLNK(LStat(link).st_mode));
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), QFileInfo(path_).canonicalFilePath());
    EXPECT_TRUE(LikeJpegtran(ReadFile(path_), input_, 2));
    EXPECT_EQ(Entries(links.Path()), QStringList{"link.jpg"});
    EXPECT_EQ(Entries(dir_.Path()), QStringList{"p.jpg"});

    const QString dangling = links.File("dangling.jpg");
    ASSERT_EQ(::symlink("nowhere.jpg", Name(dangling).constData()), 0);
    EXPECT_NE(Transform(dangling, 1), 0);
    EXPECT_TRUE(S_ISLNK(LStat(dangling).st_mode));
}

TEST_F(Replace, UnwritableFolderLeavesTheFileAlone) {
    if (RunningAsRoot()) GTEST_SKIP() << "runs as root";
    ASSERT_EQ(::chmod(Name(dir_.Path()).constData(), 0555), 0);
    const uint16_t status = Transform(path_, 1);
    ::chmod(Name(dir_.Path()).constData(), 0755);
    EXPECT_NE(status, 0);
    EXPECT_EQ(ReadFile(path_), input_);
    EXPECT_EQ(Entries(dir_.Path()), QStringList{"p.jpg"});
}

TEST_F(Replace, FileTheCallerMayNotWriteIsLeftAloneEvenInAWritableFolder) {
    // A rename needs only the folder's permission; the file's own must decide.
    if (RunningAsRoot()) GTEST_SKIP() << "runs as root";
    ASSERT_EQ(::chmod(Name(path_).constData(), 0444), 0);
    EXPECT_NE(Transform(path_, 5), 0);
    EXPECT_EQ(ReadFile(path_), input_);
    EXPECT_EQ(LStat(path_).st_mode & 07777, 0444u);
    EXPECT_EQ(Entries(dir_.Path()), QStringList{"p.jpg"});
}

}  // namespace
