// The real program in a real window, on a private X server.

#include "tests/app/x11_session.h"
#include "tests/support/files.h"
#include "tests/support/oracle.h"

#include "platform/system/namedlock.h"

#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class WindowMode : public ::testing::Test {
protected:
    TempHome home;
    XSession x;

    void SetUp() override {
        if (!x.Ok()) GTEST_SKIP() << "Xvfb could not be started";
    }
    void Start(QProcess& p) {
        p.setProcessEnvironment(x.ProgramEnvironment(home.Env()));
        p.start(OrliskExe(), {});
        ASSERT_TRUE(p.waitForStarted(5000));
    }
    static bool Locked(const QString& name) {
        return NamedLock::IsLocked(NamedLock::FilePathFor(name));
    }
};

TEST_F(WindowMode, TwoInstancesRunAndClosingEndsEachWithStatusZero) {
    QProcess first, second;
    Start(first);
    ASSERT_TRUE(x.WaitForWindows("Orlisk", 1)) << first.readAllStandardError().constData();
    EXPECT_TRUE(Locked("TolvaneStudioOrlisk"));
    EXPECT_TRUE(Locked("Global\\TolvaneStudioOrlisk"));

    Start(second);
    ASSERT_TRUE(x.WaitForWindows("Orlisk", 2)) << second.readAllStandardError().constData();

    const QImage shot = x.Screenshot();
    shot.save(QDir::currentPath() + "/window_mode_screenshot.png");

    for (unsigned long w : x.WindowsTitled("Orlisk")) x.RequestClose(w);
    ASSERT_TRUE(first.waitForFinished(20000));
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().constData();
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().constData();
    EXPECT_FALSE(Locked("TolvaneStudioOrlisk"));
    EXPECT_FALSE(Locked("Global\\TolvaneStudioOrlisk"));
}

}  // namespace
