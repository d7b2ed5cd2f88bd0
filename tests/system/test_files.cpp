// File times and the read-only attribute.
#include "platform/system/exceptions.h"
#include "platform/system/fileattributes.h"
#include "platform/system/filenames.h"
#include "platform/system/filetimes.h"
#include "platform/system/sysutils.h"
#include "tests/support/files.h"

#include <QFile>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

using testsupport::Stat;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(FileTimes, RestoredToTheNanosecond) {
    TempDir dir;
    const QString path = dir.File("photo.jpg");
    WriteFile(path, "before");
    testsupport::SetTimes(path, 1234567890LL, 123456789L);
    FileTimes saved;
    ASSERT_TRUE(GetFileTimes(path, saved));
    EXPECT_EQ(saved.modification.tv_sec, 1234567890);
    EXPECT_EQ(saved.modification.tv_nsec, 123456789);

    WriteFile(path, "after, and longer");  // the rewrite moves the times
    ASSERT_NE(Stat(path).mtime.tv_sec, 1234567890);
    SetFileTimes(path, saved);
    EXPECT_EQ(Stat(path).mtime.tv_sec, 1234567890);
    EXPECT_EQ(Stat(path).mtime.tv_nsec, 123456789);
    EXPECT_EQ(Stat(path).atime.tv_sec, 1234567890);
    EXPECT_EQ(Stat(path).atime.tv_nsec, 123456789);

    FileTimes apart{{1000000000, 1}, {1100000000, 999999999}};
    SetFileTimes(path, apart);
    EXPECT_EQ(Stat(path).atime.tv_sec, 1000000000);
    EXPECT_EQ(Stat(path).atime.tv_nsec, 1);
    EXPECT_EQ(Stat(path).mtime.tv_nsec, 999999999);
}

TEST(FileTimes, AReadOnlyFileKeepsItsTimesToo) {
    TempDir dir;
    const QString path = dir.File("locked.jpg");
    WriteFile(path, "x");
    testsupport::SetTimes(path, 1500000000LL, 42L);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    FileTimes saved;
    ASSERT_TRUE(GetFileTimes(path, saved));
    testsupport::SetTimes(path, 1600000000LL, 0L);
    SetFileTimes(path, saved);
    EXPECT_EQ(Stat(path).mtime.tv_sec, 1500000000);
    EXPECT_EQ(Stat(path).mtime.tv_nsec, 42);
}

TEST(FileTimes, FailuresCarryTheSystemError) {
    TempDir dir;
    FileTimes t;
    EXPECT_FALSE(GetFileTimes(dir.File("missing.jpg"), t));
    try {
        SetFileTimes(dir.File("missing.jpg"), t);
        FAIL() << "no EOSError";
    } catch (const EOSError& e) {
        EXPECT_EQ(e.ErrorCode(), 2);
        EXPECT_EQ(e.Message(), QStringLiteral("System Error.  Code: 2.\n") + QString::fromLocal8Bit(std::strerror(2)));
        EXPECT_TRUE(e.Message().startsWith("System Error.  Code: 2.\n"));
        EXPECT_GT(e.Message().size(), 24);
    }
    EXPECT_EQ(EOSError(0).Message(), "System Error.  Code: 0.\nA call to an OS function failed");
}

TEST(FileAttributes, ReadOnlyIsTheOwnersWriteBit) {
    TempDir dir;
    const QString path = dir.File("photo.jpg");
    WriteFile(path, "x");
    const QByteArray p = QFile::encodeName(path);
    ASSERT_EQ(::chmod(p.constData(), 04454), 0);
    EXPECT_EQ(IsReadOnly(path), std::optional<bool>(true));
    EXPECT_TRUE(ClearReadOnly(path));
    EXPECT_EQ(Stat(path).mode & 07777, 04654u);  // every other bit kept
    EXPECT_EQ(IsReadOnly(path), std::optional<bool>(false));
    EXPECT_TRUE(ClearReadOnly(path));  // already writable: nothing changes
    EXPECT_EQ(Stat(path).mode & 07777, 04654u);

    ASSERT_EQ(::chmod(p.constData(), 0066), 0);  // others may write, the owner not
    EXPECT_EQ(IsReadOnly(path), std::optional<bool>(true));

    EXPECT_EQ(IsReadOnly(dir.File("missing")), std::nullopt);
    EXPECT_FALSE(ClearReadOnly(dir.File("missing")));
}

TEST(FileAttributes, ANameThatIsNotUtf8IsFoundByItsBytes) {
    TempDir dir;
    const QString path = dir.File(sys::DecodeFileName("caf\xe9.jpg"));
    const QByteArray bytes = QFile::encodeName(dir.Path()) + "/caf\xe9.jpg";
    WriteFile(path, "x");
    ASSERT_TRUE(Stat(path).exists);
    struct stat st {};
    ASSERT_EQ(::stat(bytes.constData(), &st), 0);  // made under its own bytes

    EXPECT_TRUE(sys::FileExists(path));
    EXPECT_FALSE(sys::DirectoryExists(path));
    ASSERT_EQ(::chmod(bytes.constData(), 0444), 0);
    EXPECT_EQ(IsReadOnly(path), std::optional<bool>(true));
    EXPECT_TRUE(ClearReadOnly(path));
    EXPECT_EQ(IsReadOnly(path), std::optional<bool>(false));
    FileTimes times{{1000000000, 5}, {1100000000, 7}};
    SetFileTimes(path, times);
    FileTimes back;
    ASSERT_TRUE(GetFileTimes(path, back));
    EXPECT_EQ(back.modification.tv_sec, 1100000000);
    EXPECT_EQ(back.modification.tv_nsec, 7);

    const QString folder = dir.File(sys::DecodeFileName("\xc4lbum/\xe9t\xe9"));
    EXPECT_TRUE(sys::ForceDirectories(folder));
    EXPECT_TRUE(sys::DirectoryExists(folder));
    ASSERT_EQ(::stat((QFile::encodeName(dir.Path()) + "/\xc4lbum/\xe9t\xe9").constData(), &st), 0);
}
