#include "app/orlisk.h"

#include "platform/system/filenames.h"
#include "platform/system/sysutils.h"
#include "platform/vcl/application.h"
#include "platform/vcl/display.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

namespace {

// Starts Qt on the display that answered; a display that is set but cannot be reached
// is one clear line and no application (the caller ends with status 1), never Qt's
// abort.
std::unique_ptr<QApplication> StartGui(int& argc, char** argv) {
    const DisplayChoice display = ChooseDisplay();
    if (!display.reachable) {
        std::fprintf(stderr, "orlisk: cannot open the display \"%s\"\n",
                     display.unreachable.toLocal8Bit().constData());
        return nullptr;
    }
    qputenv("QT_QPA_PLATFORM", display.platform);
    auto app = std::make_unique<QApplication>(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/orlisk/orlisk.svg")));
    // The window and the command line's dialogs both start here.
    InstallQtTranslations();
    return app;
}

}  // namespace

int OrliskMain(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << sys::DecodeFileName(argv[i]);
    sys::SetProcessArguments(args);

    try {
        if (args.isEmpty()) {
            if (!DisplayConfigured()) {
                std::fprintf(stderr,
                             "orlisk: cannot open the window: no display (DISPLAY and "
                             "WAYLAND_DISPLAY are not set)\n");
                return 1;
            }
            const auto app = StartGui(argc, argv);
            if (!app) return 1;
            return RunWindowMode();
        }
        // The command line shows its questions and progress as windows when a display
        // is there, and on the terminal when none is.
        std::unique_ptr<QCoreApplication> app;
        if (DisplayConfigured()) {
            app = StartGui(argc, argv);
            if (!app) return 1;
        } else {
            app = std::make_unique<QCoreApplication>(argc, argv);
        }
        return RunCommandLine();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orlisk: %s\n", e.what());
        return 1;
    }
}
