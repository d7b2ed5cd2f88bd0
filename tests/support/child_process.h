#pragma once
// The child halves of tests that need a second process: code a test starts as a
// process of its own test program, which is no test itself (so it never shows as a
// skipped test).
//
//   ORLISK_TEST_CHILD(WriteValues) { ...; return 0; }     // the child's main
//   process.start(QCoreApplication::applicationFilePath(),
//                 testsupport::ChildArguments("WriteValues"));

#include <QStringList>

namespace testsupport {

using ChildMain = int (*)();

struct ChildRegistration {
    ChildRegistration(const char* name, ChildMain main);
};

// The arguments that make the test program run the named child instead of its tests.
QStringList ChildArguments(const char* name);

// For the test program's main: the exit status of the child named on the command
// line, or -1 when none is named (then the tests run).
int RunChildIfAsked(int argc, char** argv);

}  // namespace testsupport

#define ORLISK_TEST_CHILD(name)                                                        \
    static int name##_ChildMain();                                                     \
    static const ::testsupport::ChildRegistration name##_childRegistration(#name,      \
                                                                          &name##_ChildMain); \
    static int name##_ChildMain()
