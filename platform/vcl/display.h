#pragma once
// Which display the user interface can use, asked before Qt is started: Qt aborts
// the process when the display it was told to use cannot be reached.

#include <QByteArray>
#include <QString>

struct DisplayChoice {
    // False when a display is configured but none of them answers.
    bool reachable = false;
    // The Qt platform to start: the user's own QT_QPA_PLATFORM, else "xcb" or
    // "wayland", whichever answered. Empty when nothing is configured.
    QByteArray platform;
    // The configured display that did not answer (":999"), for the error line.
    QString unreachable;
};

// True when QT_QPA_PLATFORM, DISPLAY or WAYLAND_DISPLAY is set (not empty).
bool DisplayConfigured();

// Tries the configured displays: the user's QT_QPA_PLATFORM is taken as it is;
// otherwise a Wayland socket (WAYLAND_DISPLAY, relative to XDG_RUNTIME_DIR) and an X
// server (DISPLAY) are connected to and let go again.
DisplayChoice ChooseDisplay();
