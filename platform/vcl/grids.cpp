#include "platform/vcl/grids.h"

#include "platform/vcl/application.h"

#include <QAbstractScrollArea>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

// The grid's widget: a scroll area whose viewport the grid paints cell by cell. The
// scroll bars count rows and columns, not pixels.
class TGridView : public QAbstractScrollArea {
public:
    TDrawGrid* grid = nullptr;

    TGridView() {
        setFocusPolicy(Qt::StrongFocus);
        viewport()->setAutoFillBackground(false);
        autoScroll_.setInterval(60);
        QObject::connect(&autoScroll_, &QTimer::timeout, [this] {
            Guarded([this] { AutoScroll(); });
        });
        // Using a scroll bar takes the focus, as the scroll message does.
        auto take = [this] {
            if (grid && grid->CanFocus() && grid->TabStop() && !hasFocus()) setFocus();
        };
        QObject::connect(verticalScrollBar(), &QScrollBar::actionTriggered, take);
        QObject::connect(horizontalScrollBar(), &QScrollBar::actionTriggered, take);
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        if (!grid) return;
        QPainter p(viewport());
        grid->Paint(p, e->rect());
    }
    void resizeEvent(QResizeEvent* e) override {
        QAbstractScrollArea::resizeEvent(e);
        if (grid) grid->SizeChanged();
    }
    void scrollContentsBy(int, int) override {
        if (!grid || grid->updatingScroll_) return;
        Guarded([this] {
            grid->MoveTopLeft(horizontalScrollBar()->value(), verticalScrollBar()->value());
        });
    }
    void focusInEvent(QFocusEvent* e) override {
        QAbstractScrollArea::focusInEvent(e);
        viewport()->update();
    }
    void focusOutEvent(QFocusEvent* e) override {
        QAbstractScrollArea::focusOutEvent(e);
        viewport()->update();
    }

    void mousePressEvent(QMouseEvent* e) override {
        if (!grid || e->button() != Qt::LeftButton) return;
        Guarded([&] {
            if (grid->CanFocus() && !hasFocus()) setFocus(Qt::MouseFocusReason);
            const QPoint pos = e->position().toPoint();
            const TGridCoord cell = grid->MouseCoord(pos.x(), pos.y());
            if (cell.X < 0 || cell.Y < 0) return;
            selecting_ = true;
            lastMouse_ = pos;
            if ((grid->Options() & goRangeSelect) && (e->modifiers() & Qt::ShiftModifier)) {
                grid->MoveAnchor(cell);
            } else {
                grid->MoveCurrent(cell.X, cell.Y, true, true);
                if (grid->OnClick) grid->OnClick(grid);
            }
        });
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!grid || !selecting_ || !(e->buttons() & Qt::LeftButton)) return;
        lastMouse_ = e->position().toPoint();
        Guarded([this] { DragTo(lastMouse_); });
        const bool outside = !viewport()->rect().contains(lastMouse_);
        if (outside && !autoScroll_.isActive()) autoScroll_.start();
        if (!outside) autoScroll_.stop();
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        selecting_ = false;
        autoScroll_.stop();
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (!grid || e->button() != Qt::LeftButton) return;
        selecting_ = false;
        if (grid->OnDblClick) {
            const TNotifyEvent handler = grid->OnDblClick;
            Guarded([&] { handler(grid); });
        }
    }
    void wheelEvent(QWheelEvent* e) override {
        if (!grid) return;
        e->accept();
        // One step per 120 units, as the platform counts wheel movement.
        wheel_ += e->angleDelta().y();
        const TShiftState shift = ShiftStateFromQt(e->modifiers(), e->buttons());
        const QPoint global = e->globalPosition().toPoint();
        Guarded([&] {
            while (wheel_ >= 120) {
                wheel_ -= 120;
                grid->DoMouseWheelUp(shift, global);
            }
            while (wheel_ <= -120) {
                wheel_ += 120;
                grid->DoMouseWheelDown(shift, global);
            }
        });
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (!grid) return;
        const uint16_t vk = VirtualKeyFromQt(e->key());
        switch (vk) {
            case VK_UP:
            case VK_DOWN:
            case VK_LEFT:
            case VK_RIGHT:
            case VK_PRIOR:
            case VK_NEXT:
            case VK_HOME:
            case VK_END: {
                const TShiftState shift = ShiftStateFromQt(e->modifiers());
                Guarded([&] { grid->KeyDown(vk, shift); });
                e->accept();
                return;
            }
            default:
                // Not the scroll area's own key scrolling: the key goes to the parent.
                e->ignore();
        }
    }

private:
    // The cell nearest to a point of the client area (inside the grid's bounds).
    TGridCoord Nearest(QPoint pos) const {
        const QRect r = viewport()->rect();
        pos.setX(std::clamp(pos.x(), 0, std::max(r.width() - 1, 0)));
        pos.setY(std::clamp(pos.y(), 0, std::max(r.height() - 1, 0)));
        TGridCoord cell = grid->MouseCoord(pos.x(), pos.y());
        if (cell.X < 0) cell.X = grid->ColCount() - 1;
        if (cell.Y < 0) cell.Y = grid->RowCount() - 1;
        // The partly shown row or column after the whole ones counts too: selecting
        // it scrolls it into view.
        cell.X = std::min(cell.X, grid->LeftCol() + grid->VisibleColCount());
        cell.Y = std::min(cell.Y, grid->TopRow() + grid->VisibleRowCount());
        cell.X = std::clamp(cell.X, 0, grid->ColCount() - 1);
        cell.Y = std::clamp(cell.Y, 0, grid->RowCount() - 1);
        return cell;
    }
    void DragTo(const QPoint& pos) {
        const TGridCoord cell = Nearest(pos);
        if (grid->Options() & goRangeSelect) {
            if (!(cell == grid->anchor_)) grid->MoveAnchor(cell);
        } else if (cell.X != grid->Col() || cell.Y != grid->Row()) {
            grid->MoveCurrent(cell.X, cell.Y, true, true);
        }
    }
    // While the mouse is held outside the view, the view scrolls towards it.
    void AutoScroll() {
        if (!selecting_) {
            autoScroll_.stop();
            return;
        }
        const QRect r = viewport()->rect();
        if (lastMouse_.y() < 0) grid->ScrollRows(-1);
        if (lastMouse_.y() >= r.height()) grid->ScrollRows(1);
        if (lastMouse_.x() < 0) grid->SetLeftCol(grid->LeftCol() - 1);
        if (lastMouse_.x() >= r.width()) grid->SetLeftCol(grid->LeftCol() + 1);
        DragTo(lastMouse_);
    }

    QTimer autoScroll_;
    QPoint lastMouse_;
    bool selecting_ = false;
    int wheel_ = 0;
};

namespace {

// The focus frame of the current cell: a dotted line of alternate pixels just inside
// the cell, each pixel inverted, so it shows on whatever the cell drew. Drawn here
// rather than by the style, which may draw it only after keyboard use or not at all.
void DrawFocusFrame(QPainter& painter, const QRect& cell) {
    if (cell.width() < 2 || cell.height() < 2) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen pen(Qt::white, 0);
    pen.setDashPattern({1, 1});
    painter.setPen(pen);
    painter.drawRect(cell.adjusted(0, 0, -1, -1));
    painter.restore();
}

}  // namespace

// ---- TDrawGrid -----------------------------------------------------------------

TDrawGrid::TDrawGrid(TComponent* AOwner) : TWinControl(AOwner, new TGridView) {
    View()->grid = this;
    View()->setGeometry(0, 0, 320, 120);
    SetScrollBars(ssBoth);
    SetOptions(options_);
    SizeChanged();
}

TDrawGrid::~TDrawGrid() {
    if (TGridView* v = View()) v->grid = nullptr;
}

TGridView* TDrawGrid::View() const { return static_cast<TGridView*>(Widget()); }

namespace {
[[noreturn]] void IndexOutOfRange() {
    throw EInvalidOperation(QStringLiteral("Grid index out of range"));
}
}  // namespace

void TDrawGrid::SetColCount(int count) {
    count = std::max(count, 1);
    if (count == colCount_) return;
    colCount_ = count;
    current_.X = std::min(current_.X, colCount_ - 1);
    anchor_.X = std::min(anchor_.X, colCount_ - 1);
    SizeChanged();
}

void TDrawGrid::SetRowCount(int count) {
    count = std::max(count, 1);
    if (count == rowCount_) return;
    rowCount_ = count;
    current_.Y = std::min(current_.Y, rowCount_ - 1);
    anchor_.Y = std::min(anchor_.Y, rowCount_ - 1);
    SizeChanged();
}

void TDrawGrid::SetFixedCols(int count) {
    if (count != 0)
        throw EInvalidOperation(QStringLiteral("Fixed rows and columns are not supported"));
}

void TDrawGrid::SetFixedRows(int count) {
    if (count != 0)
        throw EInvalidOperation(QStringLiteral("Fixed rows and columns are not supported"));
}

void TDrawGrid::SetDefaultColWidth(int width) {
    width = std::max(width, 0);
    if (width == colWidth_) return;
    colWidth_ = width;
    SizeChanged();
}

void TDrawGrid::SetDefaultRowHeight(int height) {
    height = std::max(height, 0);
    if (height == rowHeight_) return;
    rowHeight_ = height;
    SizeChanged();
}

void TDrawGrid::SetGridLineWidth(int width) {
    width = std::max(width, 0);
    if (width == lineWidth_) return;
    lineWidth_ = width;
    SizeChanged();
}

void TDrawGrid::SetOptions(TGridOptions options) {
    options_ = options;
    if (TGridView* v = View()) {
        const bool tracking = options_ & goThumbTracking;
        v->verticalScrollBar()->setTracking(tracking);
        v->horizontalScrollBar()->setTracking(tracking);
    }
    SizeChanged();
}

void TDrawGrid::SetScrollBars(TScrollStyle style) {
    scrollBars_ = style;
    if (TGridView* v = View()) {
        v->setVerticalScrollBarPolicy((style == ssVertical || style == ssBoth)
                                          ? Qt::ScrollBarAsNeeded
                                          : Qt::ScrollBarAlwaysOff);
        v->setHorizontalScrollBarPolicy((style == ssHorizontal || style == ssBoth)
                                            ? Qt::ScrollBarAsNeeded
                                            : Qt::ScrollBarAlwaysOff);
    }
    SizeChanged();
}

void TDrawGrid::SetColor(TColor color) {
    color_ = color;
    if (TGridView* v = View()) v->viewport()->update();
}

void TDrawGrid::SetCol(int col) {
    if (col != current_.X) FocusCell(col, current_.Y, true);
}

void TDrawGrid::SetRow(int row) {
    if (row != current_.Y) FocusCell(current_.X, row, true);
}

TGridRect TDrawGrid::Selection() const {
    return TGridRect{std::min(current_.X, anchor_.X), std::min(current_.Y, anchor_.Y),
                     std::max(current_.X, anchor_.X), std::max(current_.Y, anchor_.Y)};
}

void TDrawGrid::SetSelection(const TGridRect& rect) {
    auto cx = [this](int x) { return std::clamp(x, 0, colCount_ - 1); };
    auto cy = [this](int y) { return std::clamp(y, 0, rowCount_ - 1); };
    anchor_ = TGridCoord{cx(std::min(rect.Left, rect.Right)), cy(std::min(rect.Top, rect.Bottom))};
    current_ = TGridCoord{cx(std::max(rect.Left, rect.Right)), cy(std::max(rect.Top, rect.Bottom))};
    if (TGridView* v = View()) v->viewport()->update();
}

bool TDrawGrid::SelectCell(int col, int row) {
    bool canSelect = true;
    if (OnSelectCell) {
        const TSelectCellEvent handler = OnSelectCell;
        handler(this, col, row, canSelect);
    }
    return canSelect;
}

void TDrawGrid::MoveCurrent(int col, int row, bool moveAnchor, bool show) {
    if (col < 0 || row < 0 || col >= colCount_ || row >= rowCount_) IndexOutOfRange();
    if (!SelectCell(col, row)) return;
    current_ = TGridCoord{col, row};
    if (moveAnchor || !(options_ & goRangeSelect)) anchor_ = current_;
    if (show) ClampInView(current_);
    if (TGridView* v = View()) v->viewport()->update();
}

void TDrawGrid::MoveAnchor(const TGridCoord& anchor) {
    if (!(options_ & goRangeSelect)) {
        MoveCurrent(anchor.X, anchor.Y, true, true);
        return;
    }
    anchor_ = TGridCoord{std::clamp(anchor.X, 0, colCount_ - 1),
                         std::clamp(anchor.Y, 0, rowCount_ - 1)};
    ClampInView(anchor_);
    if (TGridView* v = View()) v->viewport()->update();
}

void TDrawGrid::FocusCell(int col, int row, bool moveAnchor) {
    const TGridCoord before = current_;
    MoveCurrent(col, row, moveAnchor, true);
    if (!(before == current_) && OnClick) {
        const TNotifyEvent handler = OnClick;
        handler(this);
    }
}

int TDrawGrid::FullVisibleRows() const {
    const int eh = (options_ & goHorzLine) ? lineWidth_ : 0;
    const int stride = rowHeight_ + eh;
    if (stride <= 0) return rowCount_;
    return std::max((ClientHeight() + eh) / stride, 0);
}

int TDrawGrid::FullVisibleCols() const {
    const int ew = (options_ & goVertLine) ? lineWidth_ : 0;
    const int stride = colWidth_ + ew;
    if (stride <= 0) return colCount_;
    return std::max((ClientWidth() + ew) / stride, 0);
}

int TDrawGrid::MaxTopRow() const {
    return std::max(rowCount_ - std::max(FullVisibleRows(), 1), 0);
}

int TDrawGrid::MaxLeftCol() const {
    return std::max(colCount_ - std::max(FullVisibleCols(), 1), 0);
}

int TDrawGrid::VisibleRowCount() const {
    return std::max(std::min(FullVisibleRows(), rowCount_ - topLeft_.Y), 0);
}

int TDrawGrid::VisibleColCount() const {
    return std::max(std::min(FullVisibleCols(), colCount_ - topLeft_.X), 0);
}

int TDrawGrid::ClientWidth() const {
    const TGridView* v = View();
    return v ? v->viewport()->width() : 0;
}

int TDrawGrid::ClientHeight() const {
    const TGridView* v = View();
    return v ? v->viewport()->height() : 0;
}

void TDrawGrid::ClampInView(const TGridCoord& cell) {
    const int rows = std::max(FullVisibleRows(), 1);
    const int cols = std::max(FullVisibleCols(), 1);
    int left = topLeft_.X, top = topLeft_.Y;
    if (cell.X < left)
        left = cell.X;
    else if (cell.X > left + cols - 1)
        left = cell.X - cols + 1;
    if (cell.Y < top)
        top = cell.Y;
    else if (cell.Y > top + rows - 1)
        top = cell.Y - rows + 1;
    MoveTopLeft(left, top);
}

void TDrawGrid::MoveTopLeft(int col, int row) {
    col = std::clamp(col, 0, MaxLeftCol());
    row = std::clamp(row, 0, MaxTopRow());
    if (col == topLeft_.X && row == topLeft_.Y) return;
    topLeft_ = TGridCoord{col, row};
    UpdateScrollRange();
    if (TGridView* v = View()) v->viewport()->update();
    if (OnTopLeftChanged) {
        const TNotifyEvent handler = OnTopLeftChanged;
        handler(this);
    }
}

void TDrawGrid::SetTopRow(int row) { MoveTopLeft(topLeft_.X, row); }

void TDrawGrid::SetLeftCol(int col) { MoveTopLeft(col, topLeft_.Y); }

void TDrawGrid::ScrollRows(int delta) { MoveTopLeft(topLeft_.X, topLeft_.Y + delta); }

void TDrawGrid::Scroll(TScrollCode code) {
    if (CanFocus() && TabStop() && !Focused()) SetFocus();
    const int page = std::max(FullVisibleRows(), 1);
    switch (code) {
        case SB_LINEUP: ScrollRows(-1); break;
        case SB_LINEDOWN: ScrollRows(1); break;
        case SB_PAGEUP: ScrollRows(-page); break;
        case SB_PAGEDOWN: ScrollRows(page); break;
        case SB_TOP: MoveTopLeft(topLeft_.X, 0); break;
        case SB_BOTTOM: MoveTopLeft(topLeft_.X, MaxTopRow()); break;
    }
}

void TDrawGrid::SizeChanged() {
    UpdateScrollRange();
    // A larger view or fewer rows may leave the top row past its last useful value.
    const int col = std::clamp(topLeft_.X, 0, MaxLeftCol());
    const int row = std::clamp(topLeft_.Y, 0, MaxTopRow());
    if (col != topLeft_.X || row != topLeft_.Y) MoveTopLeft(col, row);
    if (TGridView* v = View()) v->viewport()->update();
}

void TDrawGrid::UpdateScrollRange() {
    TGridView* v = View();
    if (!v || updatingScroll_) return;
    updatingScroll_ = true;
    QScrollBar* vb = v->verticalScrollBar();
    vb->setRange(0, MaxTopRow());
    vb->setSingleStep(1);
    vb->setPageStep(std::max(FullVisibleRows(), 1));
    vb->setValue(topLeft_.Y);
    QScrollBar* hb = v->horizontalScrollBar();
    hb->setRange(0, MaxLeftCol());
    hb->setSingleStep(1);
    hb->setPageStep(std::max(FullVisibleCols(), 1));
    hb->setValue(topLeft_.X);
    updatingScroll_ = false;
}

TRect TDrawGrid::CellRect(int ACol, int ARow) const {
    if (ACol < topLeft_.X || ARow < topLeft_.Y || ACol >= colCount_ || ARow >= rowCount_)
        return TRect();
    const int ew = (options_ & goVertLine) ? lineWidth_ : 0;
    const int eh = (options_ & goHorzLine) ? lineWidth_ : 0;
    const long long x = static_cast<long long>(ACol - topLeft_.X) * (colWidth_ + ew);
    const long long y = static_cast<long long>(ARow - topLeft_.Y) * (rowHeight_ + eh);
    if (x >= ClientWidth() || y >= ClientHeight()) return TRect();
    const int xi = static_cast<int>(x), yi = static_cast<int>(y);
    return TRect(xi, yi, xi + colWidth_, yi + rowHeight_);
}

TGridCoord TDrawGrid::MouseCoord(int X, int Y) const {
    TGridCoord c{-1, -1};
    const int ew = (options_ & goVertLine) ? lineWidth_ : 0;
    const int eh = (options_ & goHorzLine) ? lineWidth_ : 0;
    // A grid line belongs to the cell before it.
    if (X >= 0 && X < ClientWidth() && colWidth_ + ew > 0) {
        const int col = topLeft_.X + X / (colWidth_ + ew);
        if (col < colCount_) c.X = col;
    }
    if (Y >= 0 && Y < ClientHeight() && rowHeight_ + eh > 0) {
        const int row = topLeft_.Y + Y / (rowHeight_ + eh);
        if (row < rowCount_) c.Y = row;
    }
    return c;
}

void TDrawGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const {
    const TGridCoord c = MouseCoord(X, Y);
    ACol = c.X;
    ARow = c.Y;
}

void TDrawGrid::Refresh() {
    if (TGridView* v = View()) v->viewport()->repaint();
}

void TDrawGrid::InvalidateCell(int ACol, int ARow) {
    const TRect r = CellRect(ACol, ARow);
    if (TGridView* v = View(); v && !r.IsEmpty()) v->viewport()->update(r.ToQRect());
}

void TDrawGrid::KeyDown(uint16_t key, TShiftState shift) {
    TGridCoord cur = current_;
    TGridCoord topLeft = topLeft_;
    // Page Up and Page Down move by the rows that fit wholly in the view.
    const int pageHeight = std::max(FullVisibleRows(), 1);
    const int pageWidth = std::max(VisibleColCount() - 1, 1);
    if (shift & ssCtrl) {
        switch (key) {
            case VK_UP: --topLeft.Y; break;
            case VK_DOWN: ++topLeft.Y; break;
            case VK_LEFT:
                cur.X -= pageWidth;
                topLeft.X -= pageWidth;
                break;
            case VK_RIGHT:
                cur.X += pageWidth;
                topLeft.X += pageWidth;
                break;
            case VK_PRIOR: cur.Y = topLeft_.Y; break;
            case VK_NEXT: cur.Y = topLeft_.Y + std::max(VisibleRowCount(), 1) - 1; break;
            case VK_HOME: cur = TGridCoord{0, 0}; break;
            case VK_END: cur = TGridCoord{colCount_ - 1, rowCount_ - 1}; break;
            default: return;
        }
    } else {
        switch (key) {
            case VK_UP: --cur.Y; break;
            case VK_DOWN: ++cur.Y; break;
            case VK_LEFT: --cur.X; break;
            case VK_RIGHT: ++cur.X; break;
            case VK_NEXT:
                cur.Y += pageHeight;
                topLeft.Y += pageHeight;
                break;
            case VK_PRIOR:
                cur.Y -= pageHeight;
                topLeft.Y -= pageHeight;
                break;
            case VK_HOME: cur.X = 0; break;
            case VK_END: cur.X = colCount_ - 1; break;
            default: return;
        }
    }
    topLeft.X = std::clamp(topLeft.X, 0, MaxLeftCol());
    topLeft.Y = std::clamp(topLeft.Y, 0, MaxTopRow());
    if (!(topLeft == topLeft_)) MoveTopLeft(topLeft.X, topLeft.Y);
    cur.X = std::clamp(cur.X, 0, colCount_ - 1);
    cur.Y = std::clamp(cur.Y, 0, rowCount_ - 1);
    if (!(cur == current_)) FocusCell(cur.X, cur.Y, !(shift & ssShift));
}

void TDrawGrid::DoMouseWheelDown(TShiftState shift, const QPoint& mousePos) {
    bool handled = false;
    if (OnMouseWheelDown) {
        const TMouseWheelUpDownEvent handler = OnMouseWheelDown;
        handler(this, shift, mousePos, handled);
    }
    if (!handled && current_.Y < rowCount_ - 1) SetRow(current_.Y + 1);
}

void TDrawGrid::DoMouseWheelUp(TShiftState shift, const QPoint& mousePos) {
    bool handled = false;
    if (OnMouseWheelUp) {
        const TMouseWheelUpDownEvent handler = OnMouseWheelUp;
        handler(this, shift, mousePos, handled);
    }
    if (!handled && current_.Y > 0) SetRow(current_.Y - 1);
}

void TDrawGrid::Paint(QPainter& painter, const QRect& dirty) {
    const QColor background = ColorToQColor(color_);
    painter.fillRect(dirty, background);
    const int ew = (options_ & goVertLine) ? lineWidth_ : 0;
    const int eh = (options_ & goHorzLine) ? lineWidth_ : 0;
    const int strideX = colWidth_ + ew, strideY = rowHeight_ + eh;
    if (strideX <= 0 || strideY <= 0) return;

    // Only the cells that meet the dirty rectangle.
    const int firstCol = topLeft_.X + std::max(dirty.left(), 0) / strideX;
    const int lastCol = std::min(topLeft_.X + std::max(dirty.right(), 0) / strideX, colCount_ - 1);
    const int firstRow = topLeft_.Y + std::max(dirty.top(), 0) / strideY;
    const int lastRow = std::min(topLeft_.Y + std::max(dirty.bottom(), 0) / strideY, rowCount_ - 1);

    const TGridView* v = View();
    const bool focused = v && v->hasFocus();
    const TGridRect sel = Selection();
    const QColor highlight = v ? v->palette().color(QPalette::Highlight) : QColor(Qt::darkBlue);
    const QColor lineColor = v ? v->palette().color(QPalette::Mid) : QColor(Qt::gray);

    for (int row = firstRow; row <= lastRow; ++row) {
        const int y = (row - topLeft_.Y) * strideY;
        for (int col = firstCol; col <= lastCol; ++col) {
            const int x = (col - topLeft_.X) * strideX;
            const TRect rect(x, y, x + colWidth_, y + rowHeight_);
            TGridDrawState state = 0;
            const bool current = col == current_.X && row == current_.Y;
            if (focused && current) state |= gdFocused;
            if (sel.Contains(col, row)) state |= gdSelected;
            const bool fillSelected = (state & gdSelected) &&
                                      (!(state & gdFocused) || (options_ & goDrawFocusSelected));
            const QColor fill = fillSelected ? highlight : background;
            painter.fillRect(rect.ToQRect(), fill);
            if (OnDrawCell) {
                painter.save();
                painter.setBrush(fill);
                canvas_ = &painter;
                const TDrawCellEvent handler = OnDrawCell;
                Guarded([&] { handler(this, col, row, rect, state); });
                canvas_ = nullptr;
                painter.restore();
            }
            if (state & gdFocused) DrawFocusFrame(painter, rect.ToQRect());
            if (ew > 0) painter.fillRect(QRect(rect.Right, y, ew, strideY), lineColor);
        }
        if (eh > 0) {
            const int width = (lastCol - topLeft_.X + 1) * strideX;
            painter.fillRect(QRect(0, y + rowHeight_, width, eh), lineColor);
        }
    }
}
