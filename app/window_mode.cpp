// The window mode: the two instance locks, the title, the main window and the loop.

#include "app/orlisk.h"

#include "mainwindow/main.h"
#include "platform/system/namedlock.h"
#include "platform/vcl/application.h"

int RunWindowMode() {
    CreateInstanceMutexes(QStringLiteral("TolvaneStudioOrlisk"));
    TApplication* app = Application();
    app->SetTitle(QStringLiteral("Orlisk"));
    FormOrlisk = app->CreateForm<TFormOrlisk>();
    app->Run();
    // The locks go first; then the main window is destroyed, which saves the settings.
    CloseInstanceMutexes();
    FreeApplication();
    FormOrlisk = nullptr;
    return 0;
}
