#include "tests/app/x11_session.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

namespace testsupport {

namespace {
Display* dpy(void* d) { return static_cast<Display*>(d); }
int ignoreErrors(Display*, XErrorEvent*) { return 0; }
}  // namespace

XSession::XSession() {
    XSetErrorHandler(ignoreErrors);
    for (int n = 90 + getpid() % 50; n < 400; n += 7) {
        if (QFile::exists(QString("/tmp/.X%1-lock").arg(n)) ||
            QFile::exists(QString("/tmp/.X11-unix/X%1").arg(n)))
            continue;
        name_ = QString(":%1").arg(n);
        server_.start("Xvfb", {name_, "-nolisten", "tcp", "-screen", "0", "1280x1024x24"});
        if (!server_.waitForStarted(5000)) continue;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 10000 && server_.state() == QProcess::Running) {
            if (Display* d = XOpenDisplay(name_.toLocal8Bit().constData())) {
                display_ = d;
                return;
            }
            QThread::msleep(50);
        }
        server_.kill();
        server_.waitForFinished();
    }
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        if (done()) return true;
        QThread::msleep(100);
    }
    return done();
}

QProcessEnvironment XSession::ProgramEnvironment(QProcessEnvironment base) const {
    base.insert("DISPLAY", name_);
    base.remove("WAYLAND_DISPLAY");
    base.remove("QT_QPA_PLATFORM");
    return base;
}

bool XSession::StartWindowManager(const QProcessEnvironment& env) {
    windowManager_.setProcessEnvironment(env);
    windowManager_.start("openbox", {});
    if (!windowManager_.waitForStarted(5000)) return false;
    const Atom check = XInternAtom(dpy(display_), "_NET_SUPPORTING_WM_CHECK", False);
    return WaitFor([&] {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        const bool announced =
            XGetWindowProperty(dpy(display_), DefaultRootWindow(dpy(display_)), check, 0, 1,
                               False, XA_WINDOW, &type, &format, &items, &after, &data) == Success &&
            items == 1;
        if (data) XFree(data);
        return announced;
    });
}

XSession::~XSession() {
    if (windowManager_.state() != QProcess::NotRunning) {
        windowManager_.terminate();
        if (!windowManager_.waitForFinished(5000)) windowManager_.kill();
        windowManager_.waitForFinished();
    }
    if (display_) XCloseDisplay(dpy(display_));
    if (server_.state() != QProcess::NotRunning) {
        server_.terminate();
        if (!server_.waitForFinished(5000)) server_.kill();
        server_.waitForFinished();
    }
}

std::vector<unsigned long> XSession::WindowsTitled(const QString& title) {
    std::vector<unsigned long> found;
    if (!display_) return found;
    Display* d = dpy(display_);
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) return found;
    const Atom netWmName = XInternAtom(d, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attrs;
        if (!XGetWindowAttributes(d, children[i], &attrs) || attrs.map_state != IsViewable) continue;
        QString name;
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(d, children[i], netWmName, 0, 1024, False, utf8, &type, &format,
                               &items, &after, &data) == Success && data) {
            name = QString::fromUtf8(reinterpret_cast<char*>(data), static_cast<qsizetype>(items));
            XFree(data);
        }
        if (name == title) found.push_back(children[i]);
    }
    if (children) XFree(children);
    return found;
}

bool XSession::WaitForWindows(const QString& title, size_t count, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        if (WindowsTitled(title).size() >= count) return true;
        QThread::msleep(100);
    }
    return false;
}

void XSession::RequestClose(unsigned long window) {
    if (!display_) return;
    Display* d = dpy(display_);
    XEvent ev {};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = window;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &ev);
    XFlush(d);
}

QImage XSession::Screenshot() {
    if (!display_) return QImage();
    Display* d = dpy(display_);
    const int w = DisplayWidth(d, DefaultScreen(d)), h = DisplayHeight(d, DefaultScreen(d));
    XImage* img = XGetImage(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(w),
                            static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (!img) return QImage();
    QImage out(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.setPixel(x, y, static_cast<QRgb>(XGetPixel(img, x, y)) | 0xFF000000u);
    XDestroyImage(img);
    return out;
}

}  // namespace testsupport
