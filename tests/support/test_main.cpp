// GoogleTest entry for every test program: an offscreen Qt application first, so
// widgets, images and fonts work without a display. Started with a child's name
// (tests/support/child_process.h), the program runs that child instead of its tests.
#include "tests/support/child_process.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <cstdlib>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const int child = testsupport::RunChildIfAsked(argc, argv);
    if (child >= 0) return child;
    return RUN_ALL_TESTS();
}
