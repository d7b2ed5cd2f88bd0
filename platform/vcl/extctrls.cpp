#include "platform/vcl/extctrls.h"

#include <QPaintEvent>
#include <QPainter>
#include <QWidget>
#include <algorithm>

namespace {

void DrawBevel(QPainter& p, QRect& r, TBevelCut cut, int width, const QPalette& pal) {
    if (cut == bvNone) return;
    for (int i = 0; i < width; ++i) {
        if (cut != bvSpace) {
            const QColor topLeft = pal.color(cut == bvRaised ? QPalette::Light : QPalette::Mid);
            const QColor bottomRight = pal.color(cut == bvRaised ? QPalette::Mid : QPalette::Light);
            p.setPen(topLeft);
            p.drawLine(r.left(), r.top(), r.right(), r.top());
            p.drawLine(r.left(), r.top(), r.left(), r.bottom());
            p.setPen(bottomRight);
            p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
            p.drawLine(r.right(), r.top(), r.right(), r.bottom());
        }
        r.adjust(1, 1, -1, -1);
    }
}

class PanelWidget : public QWidget {
public:
    TPanel* panel = nullptr;
    std::function<void()> relayout;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!panel) return;
        QPainter p(this);
        p.fillRect(rect(), ColorToQColor(panel->Color()));
        QRect r = rect();
        DrawBevel(p, r, panel->BevelOuter(), panel->BevelWidth(), palette());
        r.adjust(panel->BorderWidth(), panel->BorderWidth(), -panel->BorderWidth(),
                 -panel->BorderWidth());
        DrawBevel(p, r, panel->BevelInner(), panel->BevelWidth(), palette());
        if (!panel->Caption().isEmpty()) {
            p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                     QPalette::WindowText));
            p.drawText(r, Qt::AlignCenter | Qt::TextShowMnemonic, panel->Caption());
        }
    }
    void resizeEvent(QResizeEvent* e) override {
        if (relayout) relayout();
        QWidget::resizeEvent(e);
    }
};

class StatusBarWidget : public QWidget {
public:
    const TStatusBar* bar = nullptr;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!bar) return;
        QPainter p(this);
        const QPalette& pal = palette();
        auto panel = [&](QRect r, const QString& text) {
            TBevelCut cut = bvLowered;
            DrawBevel(p, r, cut, 1, pal);
            r.adjust(2, 0, -1, 0);
            p.setPen(pal.color(QPalette::WindowText));
            const QString shown =
                p.fontMetrics().elidedText(text, Qt::ElideRight, std::max(r.width(), 0));
            p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, shown);
        };
        if (bar->SimplePanel()) {
            panel(rect().adjusted(0, 2, 0, 0), bar->SimpleText());
            return;
        }
        for (int i = 0; i < bar->Panels()->Count(); ++i)
            panel(bar->PanelRect(i), bar->Panels()->Items(i)->Text());
    }
};

}  // namespace

// ---- TPanel --------------------------------------------------------------------

TPanel::TPanel(TComponent* AOwner) : TWinControl(AOwner, new PanelWidget) {
    auto* w = static_cast<PanelWidget*>(Widget());
    w->panel = this;
    w->relayout = [this] { Relayout(); };
    client_ = new QWidget(w);
    WatchClientWidget(client_);
    SetTabStop(false);
    w->setGeometry(0, 0, 185, 41);
    Relayout();
}

QWidget* TPanel::ClientWidget() const { return client_; }

int TPanel::Inset() const {
    int inset = borderWidth_;
    if (bevelOuter_ != bvNone) inset += bevelWidth_;
    if (bevelInner_ != bvNone) inset += bevelWidth_;
    return inset;
}

int TPanel::ClientWidth() const {
    return Widget() ? std::max(Widget()->width() - 2 * Inset(), 0) : 0;
}

int TPanel::ClientHeight() const {
    return Widget() ? std::max(Widget()->height() - 2 * Inset(), 0) : 0;
}

void TPanel::Relayout() {
    if (!client_ || !Widget()) return;
    const int inset = Inset();
    const QRect r = Widget()->rect().adjusted(inset, inset, -inset, -inset);
    const QRect client(r.x(), r.y(), std::max(r.width(), 0), std::max(r.height(), 0));
    if (client == client_->geometry()) return;
    client_->setGeometry(client);
    // A hidden widget gets its resize event only when shown: place the children now.
    AlignControls();
    Widget()->update();
}

void TPanel::SetCaption(const QString& caption) {
    caption_ = caption;
    if (Widget()) Widget()->update();
}

void TPanel::SetBorderWidth(int width) {
    borderWidth_ = std::max(width, 0);
    Relayout();
}

void TPanel::SetBevelOuter(TBevelCut cut) {
    bevelOuter_ = cut;
    Relayout();
}

void TPanel::SetBevelInner(TBevelCut cut) {
    bevelInner_ = cut;
    Relayout();
}

void TPanel::SetBevelWidth(int width) {
    bevelWidth_ = std::max(width, 1);
    Relayout();
}

void TPanel::SetColor(TColor color) {
    color_ = color;
    if (Widget()) Widget()->update();
}

// ---- TStatusPanel, TStatusPanels -----------------------------------------------

namespace {
void RepaintBar(TStatusBar* bar) {
    if (bar && bar->Widget()) bar->Widget()->update();
}
}  // namespace

void TStatusPanel::SetText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    RepaintBar(bar_);
}

void TStatusPanel::SetWidth(int width) {
    width = std::max(width, 0);
    if (width == width_) return;
    width_ = width;
    RepaintBar(bar_);
}

int TStatusPanel::Index() const { return bar_->Panels()->IndexOf(this); }

TStatusPanels::~TStatusPanels() { Clear(); }

TStatusPanel* TStatusPanels::Add() {
    auto* panel = new TStatusPanel(bar_);
    panels_.push_back(panel);
    RepaintBar(bar_);
    return panel;
}

TStatusPanel* TStatusPanels::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EInvalidOperation(QStringLiteral("List index out of bounds (%1)").arg(index));
    return panels_[static_cast<size_t>(index)];
}

void TStatusPanels::Delete(int index) {
    TStatusPanel* panel = Items(index);
    panels_.erase(panels_.begin() + index);
    delete panel;
    RepaintBar(bar_);
}

void TStatusPanels::Clear() {
    for (TStatusPanel* p : panels_) delete p;
    panels_.clear();
    RepaintBar(bar_);
}

int TStatusPanels::IndexOf(const TStatusPanel* panel) const {
    const auto it = std::find(panels_.begin(), panels_.end(), panel);
    return it == panels_.end() ? -1 : static_cast<int>(it - panels_.begin());
}

// ---- TStatusBar ----------------------------------------------------------------

TStatusBar::TStatusBar(TComponent* AOwner)
    : TWinControl(AOwner, new StatusBarWidget), panels_(this) {
    static_cast<StatusBarWidget*>(Widget())->bar = this;
    SetTabStop(false);
    Widget()->setGeometry(0, 0, 150, 19);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar() {
    // The widget may paint no more once the panels are gone.
    if (Widget()) static_cast<StatusBarWidget*>(Widget())->bar = nullptr;
}

void TStatusBar::SetSimplePanel(bool simple) {
    simplePanel_ = simple;
    RepaintBar(this);
}

void TStatusBar::SetSimpleText(const QString& text) {
    simpleText_ = text;
    RepaintBar(this);
}

QRect TStatusBar::PanelRect(int index) const {
    if (index < 0 || index >= panels_.Count() || !Widget()) return {};
    int x = 0;
    for (int i = 0; i < index; ++i) x += panels_.Items(i)->Width();
    const int h = Widget()->height();
    // Panels sit 2 pixels below the bar's top edge, as the platform draws them.
    const int right =
        index == panels_.Count() - 1 ? Widget()->width() : x + panels_.Items(index)->Width();
    return QRect(x, 2, std::max(right - x - 2, 0), std::max(h - 2, 0));
}
