#include "tests/support/child_process.h"

#include <QByteArray>
#include <cstdio>
#include <map>
#include <string>

namespace testsupport {

namespace {

const char kChildSwitch[] = "--orlisk-test-child=";

std::map<std::string, ChildMain>& Children() {
    static std::map<std::string, ChildMain> children;
    return children;
}

}  // namespace

ChildRegistration::ChildRegistration(const char* name, ChildMain main) { Children()[name] = main; }

QStringList ChildArguments(const char* name) {
    return {QString::fromLatin1(kChildSwitch) + QString::fromLatin1(name)};
}

int RunChildIfAsked(int argc, char** argv) {
    const std::string prefix = kChildSwitch;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind(prefix, 0) != 0) continue;
        const auto child = Children().find(arg.substr(prefix.size()));
        if (child == Children().end()) {
            std::fprintf(stderr, "no test child named %s\n", arg.c_str() + prefix.size());
            return 2;
        }
        return child->second();
    }
    return -1;
}

}  // namespace testsupport
