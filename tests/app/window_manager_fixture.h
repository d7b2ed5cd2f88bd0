#pragma once
// Tests of the real program in a real window under a private X server with a window
// manager (openbox) that frames it, as on a user's desktop.

#include "tests/app/x11_session.h"
#include "tests/support/files.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <initializer_list>

namespace testsupport {

class WindowManagerTest : public ::testing::Test {
protected:
    TempHome home;
    XSession x;
    QProcess app;  // the program under test, killed at the end if still running

    // Skips the test when Xvfb or one of `tools` is missing; else starts openbox.
    void StartSession(std::initializer_list<const char*> tools) {
        if (!x.Ok()) GTEST_SKIP() << "Xvfb could not be started";
        for (const char* tool : tools)
            if (QStandardPaths::findExecutable(tool).isEmpty())
                GTEST_SKIP() << tool << " is not installed (scripts/deps.sh installs it)";
        ASSERT_TRUE(x.StartWindowManager(Env()));
    }
    void TearDown() override {
        if (app.state() != QProcess::NotRunning) {
            app.kill();
            app.waitForFinished();
        }
    }
    QProcessEnvironment Env() const { return x.ProgramEnvironment(home.Env()); }
};

}  // namespace testsupport
