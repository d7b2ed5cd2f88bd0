#pragma once
// A private X server (Xvfb) for tests that run the real program in a real window,
// and the few X11 requests the tests make of it: find top-level windows by title,
// ask one to close as a window manager would, take a screenshot.

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <functional>
#include <vector>

namespace testsupport {

// Asks `done` every 100 ms until it holds or the time is up; its last answer.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 15000);

class XSession {
public:
    XSession();   // starts Xvfb on a free display; Ok() tells whether it runs
    ~XSession();
    bool Ok() const { return display_ != nullptr; }
    QString DisplayName() const { return name_; }
    // `base` with this display as the only one the program can use.
    QProcessEnvironment ProgramEnvironment(QProcessEnvironment base) const;

    // Top-level windows (children of the root) whose title is `title`.
    std::vector<unsigned long> WindowsTitled(const QString& title);
    // Waits until at least `count` such windows are mapped; false after the timeout.
    bool WaitForWindows(const QString& title, size_t count, int timeoutMs = 20000);
    // Sends WM_DELETE_WINDOW, what a window manager's close button sends.
    void RequestClose(unsigned long window);
    QImage Screenshot();
    // Starts openbox on this display with `env` and waits until it has announced
    // itself on the root window. It is stopped with the session.
    bool StartWindowManager(const QProcessEnvironment& env);

private:
    QProcess server_;
    QProcess windowManager_;
    QString name_;
    void* display_ = nullptr;  // Display*
};

}  // namespace testsupport
