// The window mode's exit status, in this process: 1 once an error box was shown.

#include "app/orlisk.h"
#include "tests/support/files.h"

#include "platform/system/exceptions.h"
#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/scripted_dialogs.h"

#include <QTimer>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// Once the loop runs: optionally fail inside a handler, then close the main window.
int RunAndClose(bool fail) {
    QTimer::singleShot(0, [fail] {
        if (fail) Guarded([] { throw Exception(QStringLiteral("Unable to rotate the image: a.jpg")); });
        Application()->MainForm()->Close();
    });
    return RunWindowMode();
}

TEST(WindowModeStatus, AnErrorBoxDuringTheRunEndsWithStatusOne) {
    TempHome home;
    ScopedDialogs dialogs;
    EXPECT_EQ(RunAndClose(true), 1);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, QStringLiteral("Unable to rotate the image: a.jpg"));
    EXPECT_EQ(dialogs->boxes[0].type, unsigned{MB_OK | MB_ICONERROR});
}

TEST(WindowModeStatus, ARunWithoutAnErrorBoxEndsWithStatusZero) {
    TempHome home;
    ScopedDialogs dialogs;
    EXPECT_EQ(RunAndClose(false), 0);
    EXPECT_TRUE(dialogs->boxes.empty());
}

}  // namespace
