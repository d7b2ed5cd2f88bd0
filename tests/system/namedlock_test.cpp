// Named locks: held while alive, released after, never waited on.
#include "platform/system/namedlock.h"
#include "tests/support/files.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

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

TEST(NamedLock, TheGlobalNameLivesInTmpAndALocalNameFallsBackThere) {
    TempHome home;
    const QString name = uniqueName("Global");
    EXPECT_EQ(NamedLock::FilePathFor("Global\\" + name), "/tmp/Global-" + name + ".lock");
    {
        NamedLock global("Global\\" + name);
        EXPECT_TRUE(global.Held());
        EXPECT_TRUE(NamedLock::IsLocked("/tmp/Global-" + name + ".lock"));
    }
    EXPECT_FALSE(NamedLock::IsLocked("/tmp/Global-" + name + ".lock"));
    QFile::remove("/tmp/Global-" + name + ".lock");

    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    unsetenv("XDG_RUNTIME_DIR");
    const QString fallback = NamedLock::FilePathFor(name);
    setenv("XDG_RUNTIME_DIR", runtime.constData(), 1);
    EXPECT_EQ(fallback, QStringLiteral("/tmp/%1-%2.lock").arg(name).arg(::getuid()));
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
    QFile::remove(global);
}
