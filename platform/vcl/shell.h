#pragma once
// The desktop's default application for a file or an address.

#include "platform/vcl/dialogs.h"

#include <QString>

// Opens `target` (an absolute file path, or an address such as "https://..." or
// "file:///...") with the application the desktop chooses for it, without waiting
// for it. False when nothing could be started; the caller decides whether to say so.
bool ShellExecute(WindowHandle owner, const QString& target);
