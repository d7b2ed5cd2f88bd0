// GoogleTest entry for every test program: an offscreen Qt application first, so
// widgets, images and fonts work without a display. Started with a child's name
// (tests/support/child_process.h), the program runs that child instead of its tests.
#include "tests/support/child_process.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cstdlib>
#include <optional>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt wants a private runtime folder and says so on every start without one (a
    // test run from a plain shell, a CI job); a temporary one (0700) for this run.
    std::optional<QTemporaryDir> runtime;
    if (!std::getenv("XDG_RUNTIME_DIR") && runtime.emplace().isValid())
        setenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()).constData(), 1);
    QApplication app(argc, argv);
    const int child = testsupport::RunChildIfAsked(argc, argv);
    if (child >= 0) return child;
    return RUN_ALL_TESTS();
}
