// The draw grid: geometry, current cell and selection by keys and mouse, OnSelectCell,
// the wheel, painting only what shows, scrolling, the context menu.
#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/grids.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/scripted_dialogs.h"
#include "platform/vcl/stdctrls_extra.h"
#include "tests/vcl/widgets_util.h"

#include <QAbstractScrollArea>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <set>
#include <utility>

using namespace widgets_test;

namespace {

// A grid laid out as the main window lays out its thumbnails: no grid lines, cells
// 110 x 130, range selection.
struct GridForm {
    TForm form{nullptr};
    TDrawGrid* grid = nullptr;
    QStringList selects;
    std::set<std::pair<int, int>> refused;

    explicit GridForm(int rows = 40, int height = 330) {
        form.SetClientWidth(600);
        form.SetClientHeight(height + 10);
        grid = Make<TDrawGrid>(&form, &form, 0, 0, 590, height);
        grid->SetName("DrawGrid");
        grid->SetGridLineWidth(0);
        grid->SetOptions(goRangeSelect | goDrawFocusSelected | goThumbTracking);
        grid->SetDefaultColWidth(110);
        grid->SetDefaultRowHeight(130);
        grid->SetColCount(5);
        grid->SetRowCount(rows);
        grid->OnSelectCell = [this](TComponent*, int c, int r, bool& can) {
            selects << QString("%1,%2").arg(c).arg(r);
            if (refused.count({c, r})) can = false;
        };
        form.Show();
        Application()->ProcessMessages();
    }
    QWidget* Viewport() const { return static_cast<QAbstractScrollArea*>(grid->Widget())->viewport(); }
    QScrollBar* VBar() const {
        return static_cast<QAbstractScrollArea*>(grid->Widget())->verticalScrollBar();
    }
    QPoint Centre(int c, int r) const {
        const TRect rect = grid->CellRect(c, r);
        return QPoint(rect.Left + rect.Width() / 2, rect.Top + rect.Height() / 2);
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        SendKey(grid->Widget(), key, mods);
    }
    void Wheel(int delta) {
        const QPoint pos = Centre(0, grid->TopRow());
        QWheelEvent e(QPointF(pos), QPointF(Viewport()->mapToGlobal(pos)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Viewport(), &e);
    }
};

TGridRect GR(int l, int t, int r, int b) { return TGridRect{l, t, r, b}; }

}  // namespace

TEST(DrawGrid, CellRectAndMouseToCellAgree) {
    GridForm f;
    EXPECT_EQ(f.grid->ClientWidth(), f.Viewport()->width());
    EXPECT_TRUE(f.VBar()->isVisible()) << "40 rows do not fit";
    EXPECT_LT(f.grid->ClientWidth(), f.grid->Width());
    EXPECT_EQ(f.grid->CellRect(2, 1), TRect(220, 130, 330, 260));
    EXPECT_EQ(f.grid->CellRect(2, 1).Width(), 110);
    EXPECT_EQ(f.grid->VisibleRowCount(), f.grid->ClientHeight() / 130);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 5; ++c) {
            const TRect rect = f.grid->CellRect(c, r);
            ASSERT_FALSE(rect.IsEmpty()) << c << "," << r;
            for (QPoint p : {QPoint(rect.Left, rect.Top), QPoint(rect.Right - 1, rect.Bottom - 1)}) {
                if (p.x() >= f.grid->ClientWidth() || p.y() >= f.grid->ClientHeight()) continue;
                int col = -2, row = -2;
                f.grid->MouseToCell(p.x(), p.y(), col, row);
                EXPECT_EQ(col, c);
                EXPECT_EQ(row, r);
            }
        }
    // Past the last column there is no cell; a row below the view shows no rect.
    int col = 0, row = 0;
    f.grid->MouseToCell(560, 10, col, row);
    EXPECT_EQ(col, -1);
    EXPECT_EQ(row, 0);
    EXPECT_TRUE(f.grid->CellRect(0, 10).IsEmpty());
    EXPECT_TRUE(f.grid->CellRect(5, 0).IsEmpty());

    // Scrolled, the rows count from the top row; the rows above show no rect.
    f.grid->SetTopRow(3);
    EXPECT_EQ(f.grid->CellRect(1, 3), TRect(110, 0, 220, 130));
    EXPECT_TRUE(f.grid->CellRect(1, 2).IsEmpty());
    f.grid->MouseToCell(115, 135, col, row);
    EXPECT_EQ(col, 1);
    EXPECT_EQ(row, 4);

    // Grid lines widen the stride and belong to the cell before them.
    f.grid->SetTopRow(0);
    f.grid->SetGridLineWidth(2);
    f.grid->SetOptions(f.grid->Options() | goVertLine | goHorzLine);
    EXPECT_EQ(f.grid->CellRect(1, 1), TRect(112, 132, 222, 262));
    f.grid->MouseToCell(111, 131, col, row);
    EXPECT_EQ(col, 0);
    EXPECT_EQ(row, 0);
}

TEST(DrawGrid, ColAndRowAskOnSelectCellAndMoveTheAnchor) {
    GridForm f;
    f.grid->SetSelection(GR(1, 1, 3, 2));
    EXPECT_EQ(f.grid->Selection(), GR(1, 1, 3, 2));
    EXPECT_EQ(f.grid->Col(), 3);
    f.grid->SetCol(0);
    f.grid->SetRow(0);
    EXPECT_EQ(f.selects, (QStringList{"0,2", "0,0"}));
    EXPECT_EQ(f.grid->Selection(), GR(0, 0, 0, 0));

    // The current cell again: nothing happens, the selection stays.
    f.selects.clear();
    f.grid->SetSelection(GR(0, 0, 2, 1));
    f.grid->SetCol(2);
    f.grid->SetRow(1);
    EXPECT_TRUE(f.selects.isEmpty());
    EXPECT_EQ(f.grid->Selection(), GR(0, 0, 2, 1));

    // A refused cell does not become current.
    f.refused.insert({4, 1});
    f.grid->SetCol(4);
    EXPECT_EQ(f.grid->Col(), 2);
    EXPECT_EQ(f.selects, QStringList{"4,1"});

    try {
        f.grid->SetRow(40);
        FAIL() << "no error";
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(e.Message(), "Grid index out of range");
    }
    // Moving far down scrolls the cell into view.
    f.grid->SetRow(30);
    EXPECT_LE(f.grid->TopRow(), 30);
    EXPECT_GE(f.grid->TopRow() + f.grid->VisibleRowCount() - 1, 30);
}

TEST(DrawGrid, CountsKeepAtLeastOneAndShrinkTheSelection) {
    GridForm f;
    f.grid->SetSelection(GR(2, 10, 4, 12));
    f.grid->SetTopRow(10);
    f.selects.clear();
    f.grid->SetRowCount(0);
    EXPECT_EQ(f.grid->RowCount(), 1);
    EXPECT_EQ(f.grid->Selection(), GR(2, 0, 4, 0));
    EXPECT_EQ(f.grid->TopRow(), 0);
    f.grid->SetColCount(-3);
    EXPECT_EQ(f.grid->ColCount(), 1);
    EXPECT_EQ(f.grid->Selection(), GR(0, 0, 0, 0));
    EXPECT_TRUE(f.selects.isEmpty()) << "bounds are kept without asking";
    EXPECT_FALSE(f.VBar()->isVisible() && f.VBar()->maximum() > 0);
    EXPECT_THROW(f.grid->SetFixedCols(1), EInvalidOperation);
    EXPECT_NO_THROW(f.grid->SetFixedRows(0));
}

TEST(DrawGrid, ArrowsMoveTheCurrentCellAndShiftArrowsSelectARange) {
    GridForm f;
    f.grid->SetCol(1);
    f.selects.clear();
    f.Key(Qt::Key_Right);
    f.Key(Qt::Key_Down);
    EXPECT_EQ(f.grid->Selection(), GR(2, 1, 2, 1));
    f.Key(Qt::Key_Right, Qt::ShiftModifier);
    f.Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(f.grid->Selection(), GR(2, 1, 3, 2));
    EXPECT_EQ(f.grid->Col(), 3);
    EXPECT_EQ(f.grid->Row(), 2);
    f.Key(Qt::Key_Left, Qt::ShiftModifier);
    f.Key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(f.grid->Selection(), GR(1, 1, 2, 2));
    EXPECT_EQ(f.selects, (QStringList{"2,0", "2,1", "3,1", "3,2", "2,2", "1,2"}));

    // Without Shift the range collapses onto the new current cell.
    f.Key(Qt::Key_Up);
    EXPECT_EQ(f.grid->Selection(), GR(1, 1, 1, 1));
    // Edges stop the cell; Home and End go to the row's ends; Ctrl+End to the last cell.
    f.Key(Qt::Key_Home);
    f.Key(Qt::Key_Left);
    EXPECT_EQ(f.grid->Col(), 0);
    f.Key(Qt::Key_End);
    EXPECT_EQ(f.grid->Col(), 4);
    f.Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(f.grid->Row(), 39);
    EXPECT_EQ(f.grid->TopRow() + f.grid->VisibleRowCount() - 1, 39);
    f.Key(Qt::Key_Down);
    EXPECT_EQ(f.grid->Row(), 39);
    f.Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(f.grid->Selection(), GR(0, 0, 0, 0));
    EXPECT_EQ(f.grid->TopRow(), 0);

    // Page Down moves by the rows that show whole, and the view with it; Page Up back.
    const int page = f.grid->ClientHeight() / 130;
    ASSERT_GE(page, 2);
    f.Key(Qt::Key_PageDown);
    EXPECT_EQ(f.grid->Row(), page);
    EXPECT_EQ(f.grid->TopRow(), page);
    f.Key(Qt::Key_PageDown);
    EXPECT_EQ(f.grid->Row(), 2 * page);
    f.Key(Qt::Key_PageUp);
    EXPECT_EQ(f.grid->Row(), page);
    EXPECT_EQ(f.grid->TopRow(), page);

    // A refused cell stops the key.
    f.refused.insert({0, page + 1});
    f.Key(Qt::Key_Down);
    EXPECT_EQ(f.grid->Row(), page);
}

TEST(DrawGrid, DraggingAndShiftClickingSelectARange) {
    GridForm f;
    QWidget* vp = f.Viewport();
    SendMouse(vp, QEvent::MouseButtonPress, f.Centre(3, 0));
    SendMouse(vp, QEvent::MouseMove, f.Centre(2, 1));
    SendMouse(vp, QEvent::MouseMove, f.Centre(1, 2));
    SendMouse(vp, QEvent::MouseButtonRelease, f.Centre(1, 2));
    EXPECT_EQ(f.grid->Selection(), GR(1, 0, 3, 2));
    EXPECT_EQ(f.grid->Col(), 3) << "the current cell stays where the drag began";
    EXPECT_EQ(f.grid->Row(), 0);
    EXPECT_EQ(f.selects, QStringList{"3,0"});
    EXPECT_EQ(f.grid->TopRow(), 1) << "the partly shown row was scrolled into view";
    f.grid->SetTopRow(0);

    // A plain click makes one cell the selection; Shift+click spans from it.
    f.selects.clear();
    Click(vp, f.Centre(4, 1));
    EXPECT_EQ(f.grid->Selection(), GR(4, 1, 4, 1));
    Click(vp, f.Centre(2, 0), Qt::ShiftModifier);
    EXPECT_EQ(f.grid->Selection(), GR(2, 0, 4, 1));
    EXPECT_EQ(f.selects, QStringList{"4,1"});
    // Moving the mouse without a button selects nothing.
    SendMouse(vp, QEvent::MouseMove, f.Centre(0, 1), Qt::NoButton);
    EXPECT_EQ(f.grid->Selection(), GR(2, 0, 4, 1));

    // A refused cell cannot be clicked into; a click past the columns does nothing.
    f.refused.insert({0, 0});
    Click(vp, f.Centre(0, 0));
    EXPECT_EQ(f.grid->Selection(), GR(2, 0, 4, 1));
    Click(vp, QPoint(570, 10));
    EXPECT_EQ(f.grid->Selection(), GR(2, 0, 4, 1));

    // Dragging below the view selects up to the last row shown.
    Click(vp, f.Centre(1, 0));
    SendMouse(vp, QEvent::MouseButtonPress, f.Centre(1, 0));
    SendMouse(vp, QEvent::MouseMove, QPoint(f.Centre(1, 0).x(), vp->height() + 50));
    SendMouse(vp, QEvent::MouseButtonRelease, QPoint(f.Centre(1, 0).x(), vp->height() + 50));
    EXPECT_EQ(f.grid->Selection().Bottom, f.grid->TopRow() + f.grid->VisibleRowCount() - 1);
}

TEST(DrawGrid, DoubleClickAndContextMenu) {
    GridForm f;
    int doubles = 0;
    f.grid->OnDblClick = [&](TComponent* s) { doubles += s == f.grid; };
    QWidget* vp = f.Viewport();
    Click(vp, f.Centre(2, 1));
    SendMouse(vp, QEvent::MouseButtonDblClick, f.Centre(2, 1));
    SendMouse(vp, QEvent::MouseButtonRelease, f.Centre(2, 1));
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(f.grid->Selection(), GR(2, 1, 2, 1));

    auto* menu = new TPopupMenu(&f.form);
    auto* item = new TMenuItem(&f.form);
    item->SetCaption("View Image");
    menu->Items()->Add(item);
    f.grid->SetPopupMenu(menu);
    // A right click leaves the selection and shows the grid's menu.
    SendMouse(vp, QEvent::MouseButtonPress, f.Centre(0, 0), Qt::RightButton);
    QContextMenuEvent context(QContextMenuEvent::Mouse, f.Centre(0, 0), vp->mapToGlobal(f.Centre(0, 0)));
    QApplication::sendEvent(vp, &context);
    EXPECT_TRUE(menu->Menu()->isVisible());
    EXPECT_EQ(menu->PopupComponent(), f.grid);
    EXPECT_EQ(f.grid->Selection(), GR(2, 1, 2, 1));
    menu->Menu()->close();
}

TEST(DrawGrid, WheelStepsGoToTheHandlersAndHandledStopsTheGrid) {
    GridForm f;
    QStringList wheel;
    bool handled = true;
    f.grid->OnMouseWheelDown = [&](TComponent*, TShiftState, QPoint, bool& h) {
        wheel << "down";
        h = handled;
    };
    f.grid->OnMouseWheelUp = [&](TComponent*, TShiftState, QPoint, bool& h) {
        wheel << "up";
        h = handled;
    };
    f.Wheel(-240);  // two steps towards the user
    f.Wheel(60);
    f.Wheel(60);    // half steps add up to one
    EXPECT_EQ(wheel, (QStringList{"down", "down", "up"}));
    EXPECT_EQ(f.grid->Row(), 0);
    EXPECT_EQ(f.grid->TopRow(), 0);

    // Not handled: the current cell moves a row, through OnSelectCell.
    handled = false;
    f.selects.clear();
    f.Wheel(-120);
    EXPECT_EQ(f.grid->Row(), 1);
    EXPECT_EQ(f.selects, QStringList{"0,1"});
    f.Wheel(120);
    f.Wheel(120);
    EXPECT_EQ(f.grid->Row(), 0);

    // What the main window does: scroll the view by a row, keep the cell.
    f.grid->OnMouseWheelDown = [&](TComponent*, TShiftState, QPoint, bool& h) {
        f.grid->Scroll(SB_LINEDOWN);
        h = true;
    };
    f.Wheel(-120);
    EXPECT_EQ(f.grid->TopRow(), 1);
    EXPECT_EQ(f.grid->Row(), 0);
    EXPECT_EQ(f.grid->Selection(), GR(0, 0, 0, 0));
}

TEST(DrawGrid, ScrollingStaysInRangeAndTakesTheFocus) {
    GridForm f;
    const int last = f.grid->RowCount() - f.grid->VisibleRowCount();
    EXPECT_EQ(f.VBar()->maximum(), last);
    f.grid->Scroll(SB_BOTTOM);
    EXPECT_EQ(f.grid->TopRow(), last);
    EXPECT_EQ(f.VBar()->value(), last);
    f.grid->Scroll(SB_LINEDOWN);
    EXPECT_EQ(f.grid->TopRow(), last) << "the last row is already shown";
    f.grid->Scroll(SB_PAGEUP);
    EXPECT_EQ(f.grid->TopRow(), last - f.grid->VisibleRowCount());
    f.grid->Scroll(SB_TOP);
    EXPECT_EQ(f.grid->TopRow(), 0);
    f.grid->Scroll(SB_LINEUP);
    EXPECT_EQ(f.grid->TopRow(), 0);
    f.grid->SetTopRow(1000);
    EXPECT_EQ(f.grid->TopRow(), last);

    // The scroll bar moves the view (row by row), not the current cell.
    f.VBar()->setValue(2);
    EXPECT_EQ(f.grid->TopRow(), 2);
    EXPECT_EQ(f.grid->Row(), 0);
    int moves = 0;
    f.grid->OnTopLeftChanged = [&](TComponent*) { ++moves; };
    f.grid->ScrollRows(1);
    EXPECT_EQ(moves, 1);
    EXPECT_EQ(f.VBar()->value(), 3);
}

TEST(DrawGrid, AScrollRequestTakesTheFocusFromThePathEdit) {
    GridForm f;
    auto* edit = Make<TEdit>(&f.form, &f.form, 0, 332, 100, 8);
    int exits = 0;
    edit->OnExit = [&](TComponent*) { ++exits; };
    edit->SetFocus();
    Application()->ProcessMessages();
    if (!edit->Focused()) GTEST_SKIP() << "no keyboard focus on this platform";
    f.grid->Scroll(SB_TOP);
    Application()->ProcessMessages();
    EXPECT_TRUE(f.grid->Focused());
    EXPECT_EQ(exits, 1);
    // A grid that cannot take the focus still scrolls.
    edit->SetFocus();
    f.grid->SetTabStop(false);
    f.grid->Scroll(SB_LINEDOWN);
    Application()->ProcessMessages();
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(f.grid->TopRow(), 1);
}

TEST(DrawGrid, OnlyVisibleCellsArePaintedWithTheirState) {
    ScopedDialogs dialogs;
    GridForm f(10000);  // 50,000 cells
    struct Call {
        int col, row;
        TRect rect;
        TGridDrawState state;
        bool canvas;
    };
    std::vector<Call> calls;
    f.grid->OnDrawCell = [&](TComponent*, int c, int r, TRect rect, TGridDrawState state) {
        calls.push_back({c, r, rect, state, f.grid->Canvas() != nullptr});
        if (state & gdSelected) {  // what the main window paints over the highlight
            f.grid->Canvas()->fillRect(rect.ToQRect(), QColor(180, 180, 180));
        }
    };
    f.grid->SetTopRow(5000);
    f.grid->SetSelection(GR(1, 5000, 2, 5001));
    f.grid->Refresh();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(f.grid->Canvas(), nullptr);
    const int shownRows = (f.grid->ClientHeight() + 129) / 130;  // the last one in part
    EXPECT_EQ(calls.size(), static_cast<size_t>(5 * shownRows));
    for (const Call& c : calls) {
        EXPECT_GE(c.row, 5000);
        EXPECT_LT(c.row, 5000 + shownRows);
        EXPECT_TRUE(c.canvas);
        EXPECT_EQ(c.rect, f.grid->CellRect(c.col, c.row));
        const bool inSel = c.col >= 1 && c.col <= 2 && c.row <= 5001;
        EXPECT_EQ(bool(c.state & gdSelected), inSel) << c.col << "," << c.row;
    }

    // Invalidate and Repaint of the control reach the cells too.
    calls.clear();
    f.grid->Invalidate();
    Application()->ProcessMessages();
    EXPECT_EQ(calls.size(), static_cast<size_t>(5 * shownRows));
    calls.clear();
    f.grid->InvalidateCell(2, 5001);
    Application()->ProcessMessages();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].col, 2);

    // The grid's own fill and the handler's paint are what shows.
    const QImage shot = f.Viewport()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(f.Centre(1, 5000)), QColor(180, 180, 180));
    EXPECT_EQ(shot.pixelColor(f.Centre(4, 5000)), ColorToQColor(clWindow));
    f.grid->SetColor(0x0000FF);  // red in 0x00BBGGRR
    calls.clear();
    f.grid->Refresh();
    EXPECT_EQ(f.Viewport()->grab().toImage().pixelColor(f.Centre(4, 5000)), QColor(255, 0, 0));

    // A failing handler shows its error and the other cells still paint.
    calls.clear();
    f.grid->OnDrawCell = [&](TComponent*, int c, int r, TRect, TGridDrawState) {
        calls.push_back({c, r, {}, 0, true});
        if (c == 0 && r == 5000) throw Exception("draw failed");
    };
    f.grid->Refresh();
    EXPECT_EQ(calls.size(), static_cast<size_t>(5 * shownRows));
    ASSERT_FALSE(dialogs->boxes.empty());
    EXPECT_EQ(dialogs->boxes[0].text, "draw failed");
}

TEST(DrawGrid, FocusedCurrentCellState) {
    GridForm f;
    f.grid->SetFocus();
    Application()->ProcessMessages();
    if (!f.grid->Focused()) GTEST_SKIP() << "no keyboard focus on this platform";
    TGridDrawState current = 0;
    // Each cell paints itself all over in one colour, as the thumbnails' cells do.
    const QColor grey(180, 180, 180);
    f.grid->OnDrawCell = [&](TComponent*, int c, int r, TRect rect, TGridDrawState s) {
        if (c == f.grid->Col() && r == f.grid->Row()) current = s;
        f.grid->Canvas()->fillRect(rect.ToQRect(), grey);
    };
    f.grid->Refresh();
    EXPECT_EQ(current, gdSelected | gdFocused);

    // The current cell shows a focus frame over what it drew; the others do not.
    const QImage shot = f.Viewport()->grab().toImage();
    const TRect cell = f.grid->CellRect(f.grid->Col(), f.grid->Row());
    auto framed = [&](const TRect& r) {
        int marked = 0;
        for (int x = r.Left; x < r.Right; ++x)
            if (shot.pixelColor(x, r.Top) != grey) ++marked;
        return marked;
    };
    EXPECT_GE(framed(cell), cell.Width() / 3);
    EXPECT_EQ(shot.pixelColor(cell.Left + cell.Width() / 2, cell.Top + cell.Height() / 2), grey);
    EXPECT_EQ(framed(f.grid->CellRect(f.grid->Col() + 1, f.grid->Row())), 0);
}

TEST(DrawGrid, PublishedPropertiesAreFoundByName) {
    TDrawGrid grid(nullptr);
    FindProperty(&grid, "colcount").write(&grid, 7);
    FindProperty(&grid, "DEFAULTCOLWIDTH").write(&grid, 90);
    EXPECT_EQ(grid.ColCount(), 7);
    EXPECT_EQ(grid.DefaultColWidth(), 90);
    EXPECT_TRUE(FindProperty(&grid, "Tag").isValid());
    EXPECT_FALSE(FindProperty(&grid, "Caption").isValid());
}
