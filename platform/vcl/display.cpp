#include "platform/vcl/display.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

QByteArray Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? QByteArray(v) : QByteArray();
}

// A Wayland compositor answers on a Unix socket; connecting and closing is all the
// protocol needs to tell that it is there.
bool WaylandAnswers(const QByteArray& display) {
    QByteArray path = display;
    if (!path.startsWith('/')) {
        const QByteArray runtime = Env("XDG_RUNTIME_DIR");
        if (runtime.isEmpty()) return false;
        path = runtime + '/' + display;
    }
    sockaddr_un addr{};
    if (static_cast<size_t>(path.size()) >= sizeof addr.sun_path) return false;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

bool XServerAnswers(const QByteArray& display) {
    xcb_connection_t* c = xcb_connect(display.constData(), nullptr);
    const bool ok = c && xcb_connection_has_error(c) == 0;
    if (c) xcb_disconnect(c);
    return ok;
}

}  // namespace

bool DisplayConfigured() {
    return !Env("QT_QPA_PLATFORM").isEmpty() || !Env("DISPLAY").isEmpty() ||
           !Env("WAYLAND_DISPLAY").isEmpty();
}

DisplayChoice ChooseDisplay() {
    DisplayChoice choice;
    const QByteArray platform = Env("QT_QPA_PLATFORM");
    if (!platform.isEmpty()) {
        choice.reachable = true;
        choice.platform = platform;
        return choice;
    }
    const QByteArray wayland = Env("WAYLAND_DISPLAY");
    const QByteArray x11 = Env("DISPLAY");
    // X first: the program is tested on X, and XWayland serves it on Wayland desktops.
    if (!x11.isEmpty()) {
        if (XServerAnswers(x11)) {
            choice.reachable = true;
            choice.platform = "xcb";
            return choice;
        }
        choice.unreachable = QString::fromLocal8Bit(x11);
    }
    if (!wayland.isEmpty()) {
        if (WaylandAnswers(wayland)) {
            choice.reachable = true;
            choice.platform = "wayland";
            return choice;
        }
        if (choice.unreachable.isEmpty()) choice.unreachable = QString::fromLocal8Bit(wayland);
    }
    return choice;
}
