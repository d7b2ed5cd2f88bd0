#pragma once
// TDrawGrid: a grid of equal cells that the form paints itself (OnDrawCell), with a
// current cell, a rectangular selection, keyboard and mouse navigation and
// row-by-row scrolling. Only the visible cells are painted, so a grid of many
// thousands of cells costs what its window shows.
//
// Coordinates: columns and rows count from 0; a cell rectangle and a mouse position
// are in the grid's client area (its viewport, inside the border and without the
// scroll bars). Fixed rows and columns are not supported (FixedCols and FixedRows
// are 0).

#include "platform/vcl/controls.h"
#include "platform/vcl/geometry.h"
#include "platform/vcl/graphics.h"

#include <QPoint>
#include <functional>

class QPainter;

struct TGridCoord {
    int X = 0;
    int Y = 0;
    friend constexpr bool operator==(const TGridCoord& a, const TGridCoord& b) {
        return a.X == b.X && a.Y == b.Y;
    }
};

// Selected cells: columns Left..Right and rows Top..Bottom, both ends included,
// always with Left <= Right and Top <= Bottom.
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool Contains(int col, int row) const {
        return col >= Left && col <= Right && row >= Top && row <= Bottom;
    }
    friend constexpr bool operator==(const TGridRect& a, const TGridRect& b) {
        return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
    }
};

// Draw state of a cell.
using TGridDrawState = unsigned;
enum : unsigned { gdSelected = 0x1, gdFocused = 0x2, gdFixed = 0x4 };

// Grid options (a set).
using TGridOptions = unsigned;
enum : unsigned {
    goVertLine = 0x1,           // lines between columns (GridLineWidth wide)
    goHorzLine = 0x2,           // lines between rows
    goRangeSelect = 0x4,        // shift+click, dragging and shift+arrows select a range
    goDrawFocusSelected = 0x8,  // the current cell is filled as selected while focused
    goThumbTracking = 0x10,     // the view follows the scroll-bar thumb while it is dragged
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// Scroll requests, with the values of the platform's scroll messages.
enum TScrollCode : int {
    SB_LINEUP = 0,
    SB_LINEDOWN = 1,
    SB_PAGEUP = 2,
    SB_PAGEDOWN = 3,
    SB_TOP = 6,
    SB_BOTTOM = 7,
};

class TDrawGrid;
class TGridView;  // the grid's widget, private to grids.cpp

using TDrawCellEvent =
    std::function<void(TComponent* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TSelectCellEvent =
    std::function<void(TComponent* Sender, int ACol, int ARow, bool& CanSelect)>;
// MousePos is in screen coordinates; Handled set to true stops the grid's own wheel
// handling.
using TMouseWheelUpDownEvent =
    std::function<void(TComponent* Sender, TShiftState Shift, QPoint MousePos, bool& Handled)>;

class TDrawGrid : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(int ColCount READ ColCount WRITE SetColCount)
    Q_PROPERTY(int RowCount READ RowCount WRITE SetRowCount)
    Q_PROPERTY(int FixedCols READ FixedCols WRITE SetFixedCols)
    Q_PROPERTY(int FixedRows READ FixedRows WRITE SetFixedRows)
    Q_PROPERTY(int DefaultColWidth READ DefaultColWidth WRITE SetDefaultColWidth)
    Q_PROPERTY(int DefaultRowHeight READ DefaultRowHeight WRITE SetDefaultRowHeight)
    Q_PROPERTY(int GridLineWidth READ GridLineWidth WRITE SetGridLineWidth)
    Q_PROPERTY(int Col READ Col WRITE SetCol)
    Q_PROPERTY(int Row READ Row WRITE SetRow)
    Q_PROPERTY(int TopRow READ TopRow WRITE SetTopRow)
    Q_PROPERTY(int LeftCol READ LeftCol WRITE SetLeftCol)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int Options READ Options WRITE SetOptions)

public:
    // 5 x 5 cells of 64 x 24, grid lines 1 pixel, options goVertLine | goHorzLine,
    // background clWindow, both scroll bars as needed, a tab stop.
    explicit TDrawGrid(TComponent* AOwner);
    ~TDrawGrid() override;

    // Raised to at least 1. Shrinking moves the current cell, the selection and the
    // top row inside the new bounds (without OnSelectCell).
    int ColCount() const { return colCount_; }
    void SetColCount(int count);
    int RowCount() const { return rowCount_; }
    void SetRowCount(int count);
    // Only 0 is accepted (EInvalidOperation "Fixed rows and columns are not
    // supported" otherwise).
    int FixedCols() const { return 0; }
    void SetFixedCols(int count);
    int FixedRows() const { return 0; }
    void SetFixedRows(int count);

    int DefaultColWidth() const { return colWidth_; }
    void SetDefaultColWidth(int width);
    int DefaultRowHeight() const { return rowHeight_; }
    void SetDefaultRowHeight(int height);
    int GridLineWidth() const { return lineWidth_; }
    void SetGridLineWidth(int width);
    TGridOptions Options() const { return options_; }
    void SetOptions(TGridOptions options);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle style);
    // Background of the cells and of the area past them.
    TColor Color() const { return color_; }
    void SetColor(TColor color);

    // The current cell. Setting a different cell asks OnSelectCell; when allowed the
    // cell becomes current, the selection becomes that single cell and the view
    // scrolls to show it. Raises EInvalidOperation "Grid index out of range" outside
    // the grid. Setting the current value does nothing.
    int Col() const { return current_.X; }
    void SetCol(int col);
    int Row() const { return current_.Y; }
    void SetRow(int row);
    // The selected rectangle, spanned by the current cell and the anchor.
    TGridRect Selection() const;
    // Sets the selection directly: anchor at its top-left, current cell at its
    // bottom-right (clamped to the grid); OnSelectCell is not asked.
    void SetSelection(const TGridRect& rect);

    // The first visible row and column; set values are kept between 0 and the last
    // value that still fills the view.
    int TopRow() const { return topLeft_.Y; }
    void SetTopRow(int row);
    int LeftCol() const { return topLeft_.X; }
    void SetLeftCol(int col);
    // Rows (columns) that fit wholly in the view from TopRow (LeftCol) on.
    int VisibleRowCount() const;
    int VisibleColCount() const;
    // The client area: the viewport, without border and scroll bars.
    int ClientWidth() const override;
    int ClientHeight() const override;

    // The rectangle of a cell in client coordinates; empty when no part of it shows.
    TRect CellRect(int ACol, int ARow) const;
    // The cell under a client point; ACol and ARow are -1 when no cell is there.
    void MouseToCell(int X, int Y, int& ACol, int& ARow) const;
    TGridCoord MouseCoord(int X, int Y) const;

    // What the platform's scroll message does: takes the keyboard focus when the grid
    // can take it (visible, enabled, a tab stop), then scrolls by a line, a page, or
    // to the top or bottom. The current cell and the selection stay.
    void Scroll(TScrollCode code);
    // Scrolls the view by whole rows (positive: down), kept within range.
    void ScrollRows(int delta);

    // Repaints the whole grid now.
    void Refresh();
    // Repaints one cell later.
    void InvalidateCell(int ACol, int ARow);

    // Valid only during OnDrawCell: the painter on the grid's client area, with the
    // brush set to the cell's default fill colour.
    QPainter* Canvas() const { return canvas_; }

    // The grid's handling of a key (arrows, Page Up/Down, Home/End, with Ctrl and
    // Shift), as the key dispatch delivers it after OnKeyDown.
    void KeyDown(uint16_t key, TShiftState shift);
    // The grid's handling of a wheel step (120 units): OnMouseWheelDown/Up first;
    // unless Handled, the current cell moves one row down/up.
    void DoMouseWheelDown(TShiftState shift, const QPoint& mousePos);
    void DoMouseWheelUp(TShiftState shift, const QPoint& mousePos);

    // Before each cell is painted the grid fills it with Color (or the highlight for
    // a selected cell); after the handler, the current cell gets a focus rectangle
    // while the grid has the focus.
    TDrawCellEvent OnDrawCell;
    // Before a cell becomes the current cell (keys, clicks, Col/Row); CanSelect set
    // to false refuses it.
    TSelectCellEvent OnSelectCell;
    TNotifyEvent OnDblClick;
    // After the current cell moved by keys, a click or Col/Row.
    TNotifyEvent OnClick;
    TNotifyEvent OnTopLeftChanged;
    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;

private:
    friend class TGridView;
    TGridView* View() const;
    bool SelectCell(int col, int row);
    void MoveCurrent(int col, int row, bool moveAnchor, bool show);
    void MoveAnchor(const TGridCoord& anchor);
    void FocusCell(int col, int row, bool moveAnchor);
    void ClampInView(const TGridCoord& cell);
    void MoveTopLeft(int col, int row);
    int MaxTopRow() const;
    int MaxLeftCol() const;
    int FullVisibleRows() const;
    int FullVisibleCols() const;
    void SizeChanged();
    void UpdateScrollRange();
    void Paint(QPainter& painter, const QRect& dirty);

    int colCount_ = 5;
    int rowCount_ = 5;
    int colWidth_ = 64;
    int rowHeight_ = 24;
    int lineWidth_ = 1;
    TGridOptions options_ = goVertLine | goHorzLine;
    TScrollStyle scrollBars_ = ssBoth;
    TColor color_ = clWindow;
    TGridCoord current_;
    TGridCoord anchor_;
    TGridCoord topLeft_;
    QPainter* canvas_ = nullptr;
    bool updatingScroll_ = false;
};
