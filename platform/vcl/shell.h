#pragma once
// The desktop's shell: a file or an address opened in the application the user's
// desktop chooses for it (xdg-open and the desktop's own launchers, through
// QDesktopServices).

#include "platform/vcl/dialogs.h"

#include <QString>

// Opens a file (an absolute path) or an address ("https://...") with its default
// application, without waiting for it. False when nothing could be started. Tests
// catch the request with QDesktopServices::setUrlHandler.
bool ShellOpen(WindowHandle owner, const QString& fileOrAddress);
