// When the grid is rebuilt for a new window size, with the window system's own
// resizes, moves and state changes (the offscreen platform answers a QWindow request
// as a window manager would).

#include "grid_fixture.h"

#include "platform/vcl/sysmetrics.h"

#include <QElapsedTimer>
#include <QWindow>

namespace {

void Wait(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

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
        Wait(400);  // the show's own geometry settles
        loads = std::make_unique<ShownWindows>(form->Widget());
    }
    void TearDown() override {
        loads.reset();
        GridTest::TearDown();
    }
    QWindow* Window() const { return form->Widget()->windowHandle(); }
    void State(Qt::WindowStates s) {
        Window()->setWindowStates(s);
        Wait(400);
    }
    // Each rebuild reloads the folder under a progress window.
    int Rebuilds() const { return loads->count; }

    std::unique_ptr<ShownWindows> loads;
};

TEST_F(GridResizeTest, MaximiseThenRestoreRebuildsTwiceAtTheNewSizes) {
    form->pmiRebuildWhenResized->SetChecked(true);
    // The cell size a rebuild gives for the grid's width of this moment.
    auto fitted = [&] {
        return (form->DrawGrid->ClientWidth() - GetSystemMetrics(SM_CXVSCROLL) - 4) / 5;
    };
    State(Qt::WindowMaximized);
    EXPECT_EQ(Rebuilds(), 1);
    EXPECT_EQ(form->DrawGrid->DefaultColWidth(), fitted()) << "made for the maximised width";
    State(Qt::WindowNoState);
    EXPECT_EQ(Rebuilds(), 2);
    EXPECT_EQ(form->DrawGrid->DefaultColWidth(), fitted());
}

TEST_F(GridResizeTest, MinimiseThenRestoreAndAMoveRebuildNothing) {
    form->pmiRebuildWhenResized->SetChecked(true);
    State(Qt::WindowMinimized);
    State(Qt::WindowNoState);
    EXPECT_EQ(Rebuilds(), 0);
    Window()->setPosition(100, 80);
    Wait(400);
    Window()->setPosition(120, 90);
    Wait(400);
    EXPECT_EQ(Rebuilds(), 0);
    // The first maximise after the restore counts again.
    State(Qt::WindowMaximized);
    EXPECT_EQ(Rebuilds(), 1);
}

TEST_F(GridResizeTest, ABorderDragRebuildsOnceWhenReleased) {
    form->pmiRebuildWhenResized->SetChecked(true);
    const int before = form->DrawGrid->DefaultColWidth();
    for (int w = 820; w <= 900; w += 20) {
        Window()->resize(w, 600);
        Wait(40);
    }
    EXPECT_EQ(Rebuilds(), 0) << "not while the border is dragged";
    Wait(400);
    EXPECT_EQ(Rebuilds(), 1);
    EXPECT_EQ(form->DrawGrid->DefaultColWidth(), before + 100 / 5);
    // Dragged at the left edge: moved and sized at once, still a resize.
    Window()->setGeometry(QRect(20, 40, 880, 600));
    Wait(400);
    EXPECT_EQ(Rebuilds(), 2);
}

TEST_F(GridResizeTest, WithTheOptionOffTheCellsKeepTheirSize) {
    form->pmiRebuildWhenResized->SetChecked(false);
    const int before = form->DrawGrid->DefaultColWidth();
    State(Qt::WindowMaximized);
    State(Qt::WindowNoState);
    Window()->resize(900, 650);
    Wait(400);
    EXPECT_EQ(Rebuilds(), 0);
    EXPECT_EQ(form->DrawGrid->DefaultColWidth(), before);
}
