#pragma once
// The user's well-known folders, as the desktop names them.

#include <QString>

// The documents folder of the XDG user directories (XDG_DOCUMENTS_DIR of
// user-dirs.dirs, default ~/Documents); where that folder does not exist, the home
// folder, as xdg-user-dir answers; empty when neither exists.
QString DocumentsFolder();
