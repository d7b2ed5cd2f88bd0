// The window mode: the two instance locks, the title, the main window and the loop.

#include "app/orlisk.h"

#include "mainwindow/main.h"
#include "platform/system/namedlock.h"
#include "platform/vcl/application.h"

int RunWindowMode() {
    // An error box shown while the window ran (or while it is freed) makes the run a
    // failure for whoever started it.
    const int errorsBefore = TApplication::ErrorBoxesShown();
    CreateInstanceMutexes(QStringLiteral("TolvaneStudioOrlisk"));
    TApplication* app = Application();
    app->SetTitle(QStringLiteral("Orlisk"));
    FormOrlisk = app->CreateForm<TFormOrlisk>();
    app->Run();
    // The locks go first; then the main window is destroyed, which saves the settings.
    CloseInstanceMutexes();
    FreeApplication();
    FormOrlisk = nullptr;
    return TApplication::ErrorBoxesShown() > errorsBefore ? 1 : 0;
}
