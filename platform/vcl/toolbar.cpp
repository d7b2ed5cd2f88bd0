#include "platform/vcl/toolbar.h"

#include "platform/vcl/application.h"

#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

namespace {

constexpr int kEdge = 2;          // an edge border: a dark and a light line
constexpr int kSeparatorWidth = 8;
constexpr int kArrowWidth = 14;   // the arrow part of a split button

// The toolbar's surface: the button face with its edge lines.
class ToolBarWidget : public QWidget {
public:
    explicit ToolBarWidget(const TToolBar* bar) : bar_(bar) { setAutoFillBackground(true); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const TEdgeBorders edges = bar_->EdgeBorders();
        const QColor dark = palette().color(QPalette::Mid);
        const QColor light = palette().color(QPalette::Light);
        const int w = width(), h = height();
        auto line = [&](int x1, int y1, int x2, int y2, const QColor& c) {
            p.setPen(c);
            p.drawLine(x1, y1, x2, y2);
        };
        if (edges & ebTop) {
            line(0, 0, w - 1, 0, dark);
            line(0, 1, w - 1, 1, light);
        }
        if (edges & ebBottom) {
            line(0, h - 2, w - 1, h - 2, dark);
            line(0, h - 1, w - 1, h - 1, light);
        }
        if (edges & ebLeft) {
            line(0, 0, 0, h - 1, dark);
            line(1, 0, 1, h - 1, light);
        }
        if (edges & ebRight) {
            line(w - 2, 0, w - 2, h - 1, dark);
            line(w - 1, 0, w - 1, h - 1, light);
        }
    }

private:
    const TToolBar* bar_;
};

// A separator or divider: a gap, with a line for a divider.
class ToolButtonWidget : public QToolButton {
public:
    TToolButtonStyle style = tbsButton;

    // The width the button needs for its caption and image, without a menu arrow.
    int CaptionWidth() const {
        QStyleOptionToolButton option;
        initStyleOption(&option);
        option.features &= ~(QStyleOptionToolButton::HasMenu | QStyleOptionToolButton::MenuButtonPopup);
        const QString shown = StripHotkey(option.text);
        const int content = std::max(option.fontMetrics.horizontalAdvance(shown),
                                     option.icon.isNull() ? 0 : option.iconSize.width());
        // The style's margins plus a little room, as captions are measured there.
        return QWidget::style()->sizeFromContents(QStyle::CT_ToolButton, &option, QSize(content, 0), this).width() +
               4;
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        if (style == tbsSeparator) return;
        if (style == tbsDivider) {
            QPainter p(this);
            const int x = width() / 2 - 1;
            p.setPen(palette().color(QPalette::Mid));
            p.drawLine(x, 2, x, height() - 3);
            p.setPen(palette().color(QPalette::Light));
            p.drawLine(x + 1, 2, x + 1, height() - 3);
            return;
        }
        if (popupMode() == QToolButton::InstantPopup) {
            // A plain button that opens a menu when pressed shows no arrow.
            QStylePainter p(this);
            QStyleOptionToolButton option;
            initStyleOption(&option);
            option.features &= ~QStyleOptionToolButton::HasMenu;
            p.drawComplexControl(QStyle::CC_ToolButton, option);
            return;
        }
        QToolButton::paintEvent(e);
    }
};

}  // namespace

// ---- TToolButton ---------------------------------------------------------------

TToolButton::TToolButton(TComponent* AOwner) : TControl(AOwner, new ToolButtonWidget) {
    QToolButton* b = Button();
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRaise(true);
    b->setGeometry(0, 0, 23, 22);
    connect(b, &QToolButton::clicked, this, [this] { Guarded([this] { Click(); }); });
}

TToolButton::~TToolButton() {
    TToolBar* bar = ToolBar();
    // Leave the toolbar's row before the widget goes.
    if (bar) {
        SetParent(nullptr);
        bar->ArrangeButtons();
    }
}

QToolButton* TToolButton::Button() const { return static_cast<QToolButton*>(Widget()); }

TToolBar* TToolButton::ToolBar() const { return qobject_cast<TToolBar*>(Parent()); }

void TToolButton::SetCaption(const QString& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    UpdateLook();
    // A longer caption may widen every button of a captioned toolbar.
    if (TToolBar* bar = ToolBar(); bar && bar->ShowCaptions()) bar->ArrangeButtons();
}

void TToolButton::SetImageIndex(int index) {
    if (index < -1) index = -1;
    if (index == imageIndex_) return;
    imageIndex_ = index;
    UpdateLook();
}

void TToolButton::SetStyle(TToolButtonStyle style) {
    if (style == style_) return;
    style_ = style;
    UpdateLook();
    if (TToolBar* bar = ToolBar()) bar->ArrangeButtons();
}

void TToolButton::SetDropdownMenu(TPopupMenu* menu) {
    if (menu == dropdownMenu_) return;
    if (dropdownMenu_) disconnect(dropdownMenu_->Menu(), &QMenu::aboutToHide, this, nullptr);
    dropdownMenu_ = menu;
    if (menu) {
        menu->Menu()->setFocusPolicy(Qt::NoFocus);
        connect(menu->Menu(), &QMenu::aboutToHide, this, [this] {
            // The menu held the mouse, so the button never saw it leave: once the menu
            // is gone, the button is drawn under the mouse only where the mouse is.
            QTimer::singleShot(0, this, [this] {
                QToolButton* b = Button();
                if (!b || b->rect().contains(b->mapFromGlobal(QCursor::pos()))) return;
                b->setAttribute(Qt::WA_UnderMouse, false);
                b->update();
            });
        });
    }
    UpdateLook();
    if (TToolBar* bar = ToolBar()) bar->ArrangeButtons();
}

bool TToolButton::Down() const { return Button() && Button()->isChecked(); }

void TToolButton::SetDown(bool down) {
    if (!Button()) return;
    if (down && !Button()->isCheckable()) Button()->setCheckable(true);
    Button()->setChecked(down);
    if (!down && style_ != tbsCheck) Button()->setCheckable(false);
}

void TToolButton::SetAction(TCustomAction* action) {
    if (action_.Set(action, &TCustomAction::Changed, this, &TToolButton::ActionChanged))
        ActionChanged();
}

void TToolButton::ActionChanged() {
    if (!action_) return;
    SetCaption(action_->Caption());
    SetHint(action_->Hint());
    SetEnabled(action_->Enabled());
    if (style_ == tbsCheck || action_->Checked() || Down()) SetDown(action_->Checked());
    SetVisible(action_->Visible());
    SetImageIndex(action_->ImageIndex());
}

void TToolButton::SetParent(TWinControl* parent) {
    TToolBar* old = ToolBar();
    TControl::SetParent(parent);
    if (old && old != parent) old->ArrangeButtons();
    UpdateLook();
    if (TToolBar* bar = ToolBar()) bar->ArrangeButtons();
}

void TToolButton::SetVisible(bool visible) {
    const bool changed = visible != Visible();
    TControl::SetVisible(visible);
    if (changed)
        if (TToolBar* bar = ToolBar()) bar->ArrangeButtons();
}

void TToolButton::SetEnabled(bool enabled) {
    TControl::SetEnabled(enabled);
    UpdateLook();
}

void TToolButton::Click() {
    if (!Enabled()) return;
    if (OnClick) {
        const TNotifyEvent handler = OnClick;
        handler(this);
    } else if (action_) {
        action_->Execute();
    }
}

bool TToolButton::CheckMenuDropdown() {
    if (!dropdownMenu_ || !Button() || !Enabled()) return false;
    dropdownMenu_->SetPopupComponent(this);
    Button()->showMenu();
    return true;
}

void TToolButton::UpdateLook() {
    auto* b = static_cast<ToolButtonWidget*>(Button());
    if (!b) return;
    b->style = style_;
    const TToolBar* bar = ToolBar();
    const bool separator = style_ == tbsSeparator || style_ == tbsDivider;

    QIcon icon;
    QSize iconSize(16, 16);
    if (bar && !separator) {
        if (const TImageList* images = bar->Images()) {
            iconSize = QSize(images->Width(), images->Height());
            const QPixmap normal = images->Pixmap(imageIndex_);
            if (!normal.isNull()) {
                icon.addPixmap(normal, QIcon::Normal);
                const TImageList* disabled = bar->DisabledImages();
                const QPixmap grey = disabled ? disabled->Pixmap(imageIndex_) : QPixmap();
                if (!grey.isNull()) icon.addPixmap(grey, QIcon::Disabled);
            }
        }
    }
    b->setIcon(icon);
    b->setIconSize(iconSize);
    const bool captions = bar && bar->ShowCaptions() && !separator;
    b->setText(captions ? caption_ : QString());
    if (captions)
        b->setToolButtonStyle(icon.isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonTextUnderIcon);
    else
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);

    b->setCheckable(style_ == tbsCheck || b->isChecked());
    if (dropdownMenu_ && !separator) {
        b->setMenu(dropdownMenu_->Menu());
        if (style_ == tbsDropDown) {
            b->setPopupMode(QToolButton::MenuButtonPopup);
        } else {
            b->setPopupMode(QToolButton::InstantPopup);
        }
    } else {
        b->setMenu(nullptr);
        b->setPopupMode(QToolButton::DelayedPopup);
    }
    b->setEnabled(Enabled() && !separator);
    b->update();
}

// ---- TToolBar ------------------------------------------------------------------

TToolBar::TToolBar(TComponent* AOwner) : TWinControl(AOwner, new ToolBarWidget(this)) {
    SetTabStop(false);
    // Not even a click focuses the toolbar: a click on it, or on a button (Qt gives
    // the focus to the nearest parent that takes a click), leaves the keys with the
    // control that had them.
    Widget()->setFocusPolicy(Qt::NoFocus);
    Widget()->setGeometry(0, 0, 150, 29);
    SetAlign(alTop);
}

TToolBar::~TToolBar() = default;

void TToolBar::SetButtonWidth(int width) {
    width = std::max(width, 0);
    if (width == buttonWidth_) return;
    buttonWidth_ = width;
    ArrangeButtons();
}

void TToolBar::SetButtonHeight(int height) {
    height = std::max(height, 0);
    if (height == buttonHeight_) return;
    buttonHeight_ = height;
    ArrangeButtons();
}

void TToolBar::SetShowCaptions(bool show) {
    if (show == showCaptions_) return;
    showCaptions_ = show;
    ImagesChanged();
}

void TToolBar::SetImages(TImageList* images) {
    if (images_.Set(images, &TImageList::Changed, this, &TToolBar::ImagesChanged))
        ImagesChanged();
}

void TToolBar::SetDisabledImages(TImageList* images) {
    if (disabledImages_.Set(images, &TImageList::Changed, this, &TToolBar::ImagesChanged))
        ImagesChanged();
}

void TToolBar::SetEdgeBorders(TEdgeBorders borders) {
    if (borders == edgeBorders_) return;
    edgeBorders_ = borders;
    ArrangeButtons();
    if (Widget()) Widget()->update();
}

int TToolBar::ButtonCount() const {
    int n = 0;
    for (int i = 0; i < ControlCount(); ++i)
        if (qobject_cast<TToolButton*>(Controls(i))) ++n;
    return n;
}

TToolButton* TToolBar::Buttons(int index) const {
    int n = 0;
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* b = qobject_cast<TToolButton*>(Controls(i)))
            if (n++ == index) return b;
    throw EInvalidOperation(QStringLiteral("List index out of bounds (%1)").arg(index));
}

void TToolBar::ImagesChanged() {
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* b = qobject_cast<TToolButton*>(Controls(i))) b->UpdateLook();
    ArrangeButtons();
}

int TToolBar::EffectiveButtonWidth() const {
    int width = buttonWidth_;
    if (!showCaptions_) return width;
    // With captions every button is as wide as the widest caption needs, and never
    // narrower than ButtonWidth.
    for (int i = 0; i < ControlCount(); ++i) {
        auto* b = qobject_cast<TToolButton*>(Controls(i));
        if (!b || !b->Visible() || !b->Widget() || b->Caption().isEmpty()) continue;
        if (b->Style() == tbsSeparator || b->Style() == tbsDivider) continue;
        width = std::max(width, static_cast<const ToolButtonWidget*>(b->Button())->CaptionWidth());
    }
    return width;
}

void TToolBar::ArrangeButtons() {
    int x = (edgeBorders_ & ebLeft) ? kEdge : 0;
    const int y = (edgeBorders_ & ebTop) ? kEdge : 0;
    const int buttonWidth = EffectiveButtonWidth();
    for (int i = 0; i < ControlCount(); ++i) {
        auto* b = qobject_cast<TToolButton*>(Controls(i));
        if (!b || !b->Visible() || !b->Widget()) continue;
        int w = buttonWidth;
        if (b->Style() == tbsSeparator || b->Style() == tbsDivider)
            w = kSeparatorWidth;
        else if (b->Style() == tbsDropDown && b->DropdownMenu())
            w += kArrowWidth;
        b->Widget()->setGeometry(x, y, w, buttonHeight_);
        x += w;
    }
}
