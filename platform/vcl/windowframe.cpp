// The outer frame of a top-level window (controls.h). Under X11 the frame is the one
// the window manager announces on the window; Qt's own reading of it may be taken
// while the window manager is still building the frame, and is then kept.

#include "platform/vcl/controls.h"

#include <QGuiApplication>
#include <QMargins>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <xcb/xcb.h>

namespace {

// What the X11 window manager says it puts around the window (_NET_FRAME_EXTENTS:
// left, right, top, bottom); nothing where there is no X11 display, and while it has
// not said.
std::optional<QMargins> AnnouncedFrame(const QWidget* window) {
    // Only X11 windows: the offscreen platform may answer for X11 too, with an X
    // connection for its drawing but windows of its own.
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb")) return std::nullopt;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !window->testAttribute(Qt::WA_WState_Created)) return std::nullopt;
    xcb_connection_t* c = x11->connection();
    if (!c) return std::nullopt;
    static const xcb_atom_t extents = [c] {
        constexpr const char* name = "_NET_FRAME_EXTENTS";
        xcb_intern_atom_reply_t* r =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t atom = r ? r->atom : xcb_atom_t {XCB_ATOM_NONE};
        std::free(r);
        return atom;
    }();
    if (extents == XCB_ATOM_NONE) return std::nullopt;
    xcb_get_property_reply_t* r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, static_cast<xcb_window_t>(window->internalWinId()), extents,
                            XCB_ATOM_CARDINAL, 0, 4),
        nullptr);
    std::optional<QMargins> frame;
    if (r && r->type == XCB_ATOM_CARDINAL && r->format == 32 && xcb_get_property_value_length(r) == 16) {
        uint32_t v[4];
        std::memcpy(v, xcb_get_property_value(r), sizeof v);
        frame = QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));
    }
    std::free(r);
    return frame;
}

}  // namespace

QRect WindowFrameGeometry(const QWidget* window) {
    const QRect inner = window->geometry();
    if (const std::optional<QMargins> frame = AnnouncedFrame(window)) return inner.marginsAdded(*frame);
    // Elsewhere the window system's reading; a frame that does not surround the
    // window is one read while it was being built.
    const QRect frame = window->frameGeometry();
    return frame.contains(inner) ? frame : inner;
}
