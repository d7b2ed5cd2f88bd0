#include "app/orlisk.h"

#include "platform/system/sysutils.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

namespace {

bool displayConfigured() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) return true;  // the user chose a platform himself
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

}  // namespace

int OrliskMain(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    sys::SetProcessArguments(args);

    try {
        if (args.isEmpty()) {
            if (!displayConfigured()) {
                std::fprintf(stderr,
                             "orlisk: cannot open the window: no display (DISPLAY and "
                             "WAYLAND_DISPLAY are not set)\n");
                return 1;
            }
            QApplication app(argc, argv);
            return RunWindowMode();
        }
        // The command line shows its questions and progress as windows when a display
        // is there, and on the terminal when none is.
        std::unique_ptr<QCoreApplication> app;
        if (displayConfigured()) {
            if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "xcb;wayland;offscreen", 1);
            app = std::make_unique<QApplication>(argc, argv);
        } else {
            app = std::make_unique<QCoreApplication>(argc, argv);
        }
        return RunCommandLine();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orlisk: %s\n", e.what());
        return 1;
    }
}
