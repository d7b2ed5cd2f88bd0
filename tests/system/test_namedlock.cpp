// Named locks: held while alive, released after, never waited on.
#include "platform/system/namedlock.h"
#include "tests/support/files.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

using testsupport::TempDir;
using testsupport::TempHome;

namespace {
// Names of this test run only, so a real Orlisk on the machine is left alone.
QString uniqueName(const char* what) { return QStringLiteral("OrliskTest%1%2").arg(what).arg(::getpid()); }
}  // namespace

TEST(NamedLock, LockedWhileHeldAndReleasedAfter) {
    TempHome home;
    const QString name = uniqueName("Local");
    const QString file = NamedLock::FilePathFor(name);
    EXPECT_EQ(file, home.RuntimeDir() + "/" + name + ".lock");
    EXPECT_FALSE(NamedLock::IsLocked(file));
    {
        NamedLock lock(name);
        EXPECT_TRUE(lock.Held());
        EXPECT_EQ(lock.FilePath(), file);
        EXPECT_TRUE(NamedLock::IsLocked(file));
        NamedLock second(name);  // a second instance runs like the first
        EXPECT_TRUE(second.Held());
    }
    EXPECT_FALSE(NamedLock::IsLocked(file));
}

// Restores an environment variable when the scope ends.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (had_)
            setenv(name_, old_.constData(), 1);
        else
            unsetenv(name_);
    }
private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

TEST(NamedLock, TheGlobalNameLivesInTheTemporaryFolder) {
    TempHome home;  // gives this test a TMPDIR of its own
    const QString name = uniqueName("Global");
    const QString file = home.TmpDir() + "/Global-" + name + ".lock";
    EXPECT_EQ(NamedLock::FilePathFor("Global\\" + name), file);
    {
        NamedLock global("Global\\" + name);
        EXPECT_TRUE(global.Held());
        EXPECT_TRUE(NamedLock::IsLocked(file));
    }
    EXPECT_FALSE(NamedLock::IsLocked(file));

    // Without a usable TMPDIR the machine's /tmp is meant.
    {
        ScopedEnv tmp("TMPDIR", nullptr);
        EXPECT_EQ(NamedLock::FilePathFor("Global\\" + name), "/tmp/Global-" + name + ".lock");
    }
    {
        ScopedEnv tmp("TMPDIR", "relative/tmp");
        EXPECT_EQ(NamedLock::FilePathFor("Global\\" + name), "/tmp/Global-" + name + ".lock");
    }
    {
        ScopedEnv tmp("TMPDIR", "/var/tmp/");
        EXPECT_EQ(NamedLock::FilePathFor("Global\\" + name), "/var/tmp/Global-" + name + ".lock");
    }
}

TEST(NamedLock, ALocalNameFallsBackToTheTemporaryFolderWithTheUsersId) {
    TempHome home;
    const QString name = uniqueName("Local");
    ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
    EXPECT_EQ(NamedLock::FilePathFor(name),
              QStringLiteral("%1/%2-%3.lock").arg(home.TmpDir(), name).arg(::getuid()));
}

// Two sessions with temporary folders of their own hold their global locks apart: a
// running instance elsewhere on the machine is never seen by the tests.
TEST(NamedLock, SessionsWithTheirOwnTemporaryFolderDoNotMeet) {
    const QString name = uniqueName("Apart");
    TempDir other;
    QString otherFile;
    std::unique_ptr<NamedLock> elsewhere;
    {
        ScopedEnv tmp("TMPDIR", QFile::encodeName(other.Path()).constData());
        elsewhere = std::make_unique<NamedLock>("Global\\" + name);
        otherFile = elsewhere->FilePath();
    }
    ASSERT_TRUE(elsewhere->Held());
    TempHome home;
    NamedLock mine("Global\\" + name);
    EXPECT_TRUE(mine.Held());
    EXPECT_NE(mine.FilePath(), otherFile);
    elsewhere.reset();
    EXPECT_TRUE(NamedLock::IsLocked(mine.FilePath()));
    EXPECT_FALSE(NamedLock::IsLocked(otherFile));
}

TEST(NamedLock, FailuresAreIgnored) {
    TempHome home;
    QDir(home.RuntimeDir()).removeRecursively();
    NamedLock lock(uniqueName("NoFolder"));  // no runtime folder: not held, no error
    EXPECT_FALSE(lock.Held());
    EXPECT_FALSE(NamedLock::IsLocked(lock.FilePath()));
}

TEST(NamedLock, InstanceMutexesHoldBothNamesUntilClosed) {
    TempHome home;
    const QString name = uniqueName("Instance");
    const QString local = NamedLock::FilePathFor(name);
    const QString global = NamedLock::FilePathFor("Global\\" + name);
    CreateInstanceMutexes(name);
    EXPECT_TRUE(NamedLock::IsLocked(local));
    EXPECT_TRUE(NamedLock::IsLocked(global));
    CloseInstanceMutexes();
    EXPECT_FALSE(NamedLock::IsLocked(local));
    EXPECT_FALSE(NamedLock::IsLocked(global));
    CloseInstanceMutexes();  // closing twice does nothing
}
