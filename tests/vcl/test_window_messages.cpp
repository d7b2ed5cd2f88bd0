// The window messages of a form: what the window system's resizes, moves and state
// changes deliver, and what the program's own geometry changes do not. The window
// system is the offscreen platform's: a QWindow geometry or state request comes back
// as the platform's own (spontaneous) events, as a window manager's would.
#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/sysmetrics.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QStyle>
#include <QWindow>
#include <gtest/gtest.h>
#include <vector>

namespace {

class TMessageForm : public TForm {
    Q_OBJECT

public:
    using TForm::TForm;
    struct Seen {
        unsigned msg;
        uintptr_t wParam;
        int clientWidth;
    };
    std::vector<Seen> seen;

    int Count(unsigned msg) const {
        int n = 0;
        for (const Seen& s : seen) n += s.msg == msg;
        return n;
    }

protected:
    void Note(const TMessage& m) { seen.push_back({m.Msg, m.WParam, ClientWidth()}); }
    void WMMove(TMessage& m) override {
        TForm::WMMove(m);
        Note(m);
    }
    void WMSize(TMessage& m) override {
        TForm::WMSize(m);
        Note(m);
    }
    void WMExitSizeMove(TMessage& m) override {
        TForm::WMExitSizeMove(m);
        Note(m);
    }
    void WMSysCommand(TMessage& m) override {
        TForm::WMSysCommand(m);
        Note(m);
    }
};

// Runs the event loop for `ms` milliseconds.
void Wait(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

struct Shown {
    TMessageForm form{nullptr};
    Shown() {
        form.SetBounds(50, 50, 400, 300);
        form.Show();
        Wait(400);  // the show's own geometry settles
        form.seen.clear();
    }
    QWindow* Window() const { return form.Widget()->windowHandle(); }
};

}  // namespace

TEST(WindowMessages, ABorderDragEndsInOneExitSizeMoveAfterAQuietMoment) {
    Shown s;
    // A drag: several resizes from the window system, close together.
    for (int w = 410; w <= 450; w += 10) {
        s.Window()->resize(w, 300);
        Wait(30);
    }
    EXPECT_GE(s.form.Count(WM_SIZE), 1);
    EXPECT_EQ(s.form.Count(WM_EXITSIZEMOVE), 0) << "not while the border still moves";
    Wait(400);
    EXPECT_EQ(s.form.Count(WM_EXITSIZEMOVE), 1);
    EXPECT_EQ(s.form.seen.back().msg, unsigned(WM_EXITSIZEMOVE));
    EXPECT_EQ(s.form.seen.back().clientWidth, 450);
    EXPECT_EQ(s.form.Count(WM_SYSCOMMAND), 0);
}

TEST(WindowMessages, ALeftEdgeDragMovesBeforeItSizes) {
    Shown s;
    s.Window()->setGeometry(QRect(30, 50, 420, 300));
    Wait(400);
    ASSERT_EQ(s.form.Count(WM_MOVE), 1);
    ASSERT_EQ(s.form.Count(WM_SIZE), 1);
    EXPECT_EQ(s.form.seen[0].msg, unsigned(WM_MOVE));
    EXPECT_EQ(s.form.seen[1].msg, unsigned(WM_SIZE));
    EXPECT_EQ(s.form.Count(WM_EXITSIZEMOVE), 1);
}

TEST(WindowMessages, AMoveAloneSendsOnlyMove) {
    Shown s;
    s.Window()->setPosition(120, 90);
    Wait(400);
    EXPECT_EQ(s.form.Count(WM_MOVE), 1);
    EXPECT_EQ(s.form.Count(WM_SIZE), 0);
    EXPECT_EQ(s.form.Count(WM_EXITSIZEMOVE), 0);
}

TEST(WindowMessages, TheProgramsOwnResizeEndsNoInteractiveResize) {
    Shown s;
    s.form.SetBounds(60, 60, 500, 350);
    Wait(400);
    EXPECT_EQ(s.form.Count(WM_SIZE), 1);
    EXPECT_EQ(s.form.Count(WM_EXITSIZEMOVE), 0);
    s.form.SetWindowState(wsMaximized);
    Wait(400);
    EXPECT_EQ(s.form.Count(WM_SYSCOMMAND), 0) << "a state set by the program is no command";
}

TEST(WindowMessages, MaximiseRestoreAndMinimiseAreSystemCommandsSeenAtTheNewSize) {
    Shown s;
    const int normalWidth = s.form.ClientWidth();
    s.Window()->setWindowStates(Qt::WindowMaximized);
    Wait(400);
    ASSERT_EQ(s.form.Count(WM_SYSCOMMAND), 1);
    const auto& maximise = s.form.seen.back();
    EXPECT_EQ(maximise.wParam & 0xFFF0, uintptr_t(SC_MAXIMIZE));
    EXPECT_GT(maximise.clientWidth, normalWidth) << "the command comes after the window grew";
    EXPECT_EQ(s.form.Count(WM_EXITSIZEMOVE), 0) << "a maximise is no border drag";

    s.form.seen.clear();
    s.Window()->setWindowStates(Qt::WindowNoState);
    Wait(400);
    ASSERT_EQ(s.form.Count(WM_SYSCOMMAND), 1);
    EXPECT_EQ(s.form.seen.back().wParam, uintptr_t(SC_RESTORE));
    EXPECT_EQ(s.form.seen.back().clientWidth, normalWidth);
    EXPECT_EQ(s.form.Count(WM_EXITSIZEMOVE), 0);

    s.form.seen.clear();
    s.Window()->setWindowStates(Qt::WindowMinimized);
    Wait(300);
    s.Window()->setWindowStates(Qt::WindowNoState);
    Wait(300);
    ASSERT_EQ(s.form.Count(WM_SYSCOMMAND), 2);
    std::vector<uintptr_t> commands;
    for (const auto& m : s.form.seen)
        if (m.msg == WM_SYSCOMMAND) commands.push_back(m.wParam);
    EXPECT_EQ(commands, (std::vector<uintptr_t>{SC_MINIMIZE, SC_RESTORE}));
    EXPECT_EQ(s.form.Count(WM_EXITSIZEMOVE), 0);
}

TEST(SystemMetrics, ScrollBarWidthIsTheStylesAndTheScreenIsThePrimaryOne) {
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL),
              QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    EXPECT_GT(GetSystemMetrics(SM_CXVSCROLL), 0);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), QGuiApplication::primaryScreen()->geometry().width());
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), QGuiApplication::primaryScreen()->geometry().height());
    EXPECT_EQ(GetSystemMetrics(12345), 0);
}

#include "test_window_messages.moc"
