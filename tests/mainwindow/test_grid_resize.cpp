// When the grid is rebuilt for a new window size, with the window system's own
// resizes, moves and state changes (the offscreen platform answers a QWindow request
// as a window manager would).
//
// The window messages come from timers (a 250 ms quiet period ends a border drag), so
// the tests wait for what they expect with a generous timeout rather than for a fixed
// time, and before a check that nothing happened they wait until the window has had
// no geometry event for well over the quiet period: a busy machine only makes them
// slower.

#include "grid_fixture.h"

#include "platform/vcl/sysmetrics.h"

#include <QElapsedTimer>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <iostream>
#include <vector>

namespace {

// Longer than the end of an interactive resize (250 ms) and the settling of a state
// change (100 ms) by a wide margin.
constexpr qint64 kQuietMs = 600;
constexpr qint64 kTimeoutMs = 15000;

// Processes events until `done` holds or the timeout passes; a last pass after the
// test lets a timer that fell due meanwhile fire even when the process was not
// scheduled for a while.
bool WaitFor(const std::function<bool()>& done, qint64 timeoutMs = kTimeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QApplication::sendPostedEvents();
    }
    return done();
}

// The window system's resizes, moves and state changes of one widget, as they arrive.
class GeometryEvents : public QObject {
public:
    explicit GeometryEvents(QWidget* w) : w_(w) {
        clock.start();
        last_ = 0;
        w->installEventFilter(this);
    }
    ~GeometryEvents() override { w_->removeEventFilter(this); }
    qint64 SinceLast() const { return clock.elapsed() - last_; }
    // Called at every resize, with the time it arrived.
    std::function<void(qint64)> onResize;
    QElapsedTimer clock;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        const QEvent::Type type = e->type();
        if (type == QEvent::Resize || type == QEvent::Move || type == QEvent::WindowStateChange) {
            last_ = clock.elapsed();
            if (type == QEvent::Resize && e->spontaneous() && onResize) onResize(last_);
        }
        return false;
    }

private:
    QWidget* w_;
    qint64 last_;
};

}  // namespace

class GridResizeTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        Photo("a.jpg");
        ShowWindow();
        // The inside 800 pixels wide: the settings' start places the window by its
        // outer bounds.
        Window()->setGeometry(QRect(40, 40, 800, 600));
        Load();
        geometry = std::make_unique<GeometryEvents>(form->Widget());
        Settle();  // the show's own geometry and its messages
        loads = std::make_unique<ShownWindows>(form->Widget());
    }
    void TearDown() override {
        loads.reset();
        geometry.reset();
        GridTest::TearDown();
    }
    QWindow* Window() const { return form->Widget()->windowHandle(); }
    // Waits until the window has been still for well over the quiet period, so that
    // every message its last change gives has been handled.
    void Settle() const {
        WaitFor([&] { return geometry->SinceLast() >= kQuietMs; });
    }
    void State(Qt::WindowStates s) {
        Window()->setWindowStates(s);
        WaitFor([&] { return form->Widget()->windowState() == s; });
        Settle();
    }
    // Each rebuild reloads the folder under a progress window.
    int Rebuilds() const { return loads->count; }
    // Waits for the rebuilds to reach `n`, then for any further one there may be.
    int RebuildsOnceAtLeast(int n) {
        WaitFor([&] { return Rebuilds() >= n; });
        Settle();
        return Rebuilds();
    }

    std::unique_ptr<GeometryEvents> geometry;
    std::unique_ptr<ShownWindows> loads;
};

TEST_F(GridResizeTest, MaximiseThenRestoreRebuildsTwiceAtTheNewSizes) {
    form->pmiRebuildWhenResized->SetChecked(true);
    // The cell size a rebuild gives for the grid's width of this moment.
    auto fitted = [&] {
        return (form->DrawGrid->ClientWidth() - GetSystemMetrics(SM_CXVSCROLL) - 4) / 5;
    };
    State(Qt::WindowMaximized);
    EXPECT_EQ(RebuildsOnceAtLeast(1), 1);
    EXPECT_EQ(form->DrawGrid->DefaultColWidth(), fitted()) << "made for the maximised width";
    State(Qt::WindowNoState);
    EXPECT_EQ(RebuildsOnceAtLeast(2), 2);
    EXPECT_EQ(form->DrawGrid->DefaultColWidth(), fitted());
}

TEST_F(GridResizeTest, MinimiseThenRestoreAndAMoveRebuildNothing) {
    form->pmiRebuildWhenResized->SetChecked(true);
    State(Qt::WindowMinimized);
    State(Qt::WindowNoState);
    EXPECT_EQ(Rebuilds(), 0);
    Window()->setPosition(100, 80);
    Settle();
    Window()->setPosition(120, 90);
    Settle();
    EXPECT_EQ(Rebuilds(), 0);
    // The first maximise after the restore counts again.
    State(Qt::WindowMaximized);
    EXPECT_EQ(RebuildsOnceAtLeast(1), 1);
}

TEST_F(GridResizeTest, ABorderDragRebuildsOnceWhenReleased) {
    form->pmiRebuildWhenResized->SetChecked(true);
    const int before = form->DrawGrid->DefaultColWidth();
    // The rebuilds made by the time each step of the drag arrived, and when it did.
    std::vector<int> rebuildsAtStep;
    std::vector<qint64> arrivals;
    geometry->onResize = [&](qint64 at) {
        rebuildsAtStep.push_back(Rebuilds());
        arrivals.push_back(at);
    };
    for (int w = 820; w <= 900; w += 20) {
        Window()->resize(w, 600);
        WaitFor([&] { return form->Widget()->width() == w; });
        // A pause a user's drag may make, well inside the quiet period.
        QElapsedTimer pause;
        pause.start();
        while (pause.elapsed() < 40) QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    geometry->onResize = nullptr;
    ASSERT_FALSE(arrivals.empty());
    qint64 widestGap = 0;
    for (size_t i = 1; i < arrivals.size(); ++i)
        widestGap = std::max(widestGap, arrivals[i] - arrivals[i - 1]);
    // Only steps that came within the quiet period make one drag; a machine too busy
    // to keep them together makes several, each ending in its own rebuild.
    const bool oneDrag = widestGap < 200;
    if (oneDrag)
        EXPECT_EQ(*std::max_element(rebuildsAtStep.begin(), rebuildsAtStep.end()), 0)
            << "not while the border is dragged";
    else
        std::cout << "[   NOTE   ] \"not while the border is dragged\" not checked: the machine "
                     "kept two steps of the drag "
                  << widestGap << " ms apart, past the quiet period\n";
    const int rebuilds = RebuildsOnceAtLeast(1);
    if (oneDrag)
        EXPECT_EQ(rebuilds, 1) << "once, when the border is let go";
    else
        EXPECT_GE(rebuilds, 1);
    EXPECT_EQ(form->DrawGrid->DefaultColWidth(), before + 100 / 5);
    // Dragged at the left edge: moved and sized at once, still a resize.
    Window()->setGeometry(QRect(20, 40, 880, 600));
    EXPECT_EQ(RebuildsOnceAtLeast(rebuilds + 1), rebuilds + 1);
}

TEST_F(GridResizeTest, WithTheOptionOffTheCellsKeepTheirSize) {
    form->pmiRebuildWhenResized->SetChecked(false);
    const int before = form->DrawGrid->DefaultColWidth();
    State(Qt::WindowMaximized);
    State(Qt::WindowNoState);
    Window()->resize(900, 650);
    WaitFor([&] { return form->Widget()->width() == 900; });
    Settle();
    EXPECT_EQ(Rebuilds(), 0);
    EXPECT_EQ(form->DrawGrid->DefaultColWidth(), before);
}
