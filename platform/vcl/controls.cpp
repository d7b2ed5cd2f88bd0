#include "platform/vcl/controls.h"

#include "platform/vcl/application.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QVariant>
#include <algorithm>

namespace {

constexpr const char* kControlProperty = "_vclControl";

template <class T>
void Erase(std::vector<T*>& v, T* item) {
    v.erase(std::remove(v.begin(), v.end(), item), v.end());
}

// Delivers key presses to the form code before the widget that has the focus sees
// them: the form's shortcuts (its action lists) first, then the form's OnKeyDown
// when it has KeyPreview, then the focused control's OnKeyDown. A shortcut that
// fires, or a handler that sets Key to 0, swallows the key.
class KeyDispatcher : public QObject {
public:
    using QObject::QObject;

    static void Install() {
        static bool installed = false;
        if (installed || !qobject_cast<QApplication*>(QCoreApplication::instance())) return;
        installed = true;
        qApp->installEventFilter(new KeyDispatcher(qApp));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(watched);
        // A key event travels up the widget parents; act once, where it starts: at
        // the focus widget, or at the window when the focus lies elsewhere.
        QWidget* focus = QApplication::focusWidget();
        const bool start = focus ? (widget == focus ||
                                    (focus->window() != widget->window() && widget->isWindow()))
                                 : widget->isWindow();
        if (!start) return false;

        auto* key = static_cast<QKeyEvent*>(event);
        uint16_t vk = VirtualKeyFromQt(key->key());
        if (vk == 0) return false;
        const TShiftState shift = ShiftStateFromQt(key->modifiers());

        TControl* nearest = TControl::FromWidget(widget, true);
        if (!nearest) return false;
        // A message box or dialog owned by a form is a window of its own, parented to
        // the form only to stay in front of it: its keys are its own (Enter answers
        // it), never the form's shortcuts.
        if (!nearest->Widget() || nearest->Widget()->window() != widget->window()) return false;
        TForm* form = nearest->ParentForm();
        const bool modifierOnly = vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU;
        if (form && !modifierOnly && form->IsShortCut(vk, shift)) return true;

        auto* control = qobject_cast<TWinControl*>(nearest);
        if (!control) return false;
        if (form && form != control && form->KeyPreview()) {
            form->DoKeyDown(vk, shift);
            if (vk == 0) return true;
        }
        control->DoKeyDown(vk, shift);
        return vk == 0;
    }
};

}  // namespace

// ---- TControl ------------------------------------------------------------------

TControl::TControl(TComponent* AOwner, QWidget* widget) : TComponent(AOwner), widget_(widget) {
    widget_->setProperty(kControlProperty, QVariant::fromValue(static_cast<QObject*>(this)));
    widget_->installEventFilter(this);
}

TControl::~TControl() {
    if (parent_) {
        Erase(parent_->controls_, this);
        parent_ = nullptr;
    }
    DetachWidget();
    delete widget_.data();
}

void TControl::DetachWidget() {
    if (!widget_) return;
    widget_->removeEventFilter(this);
    widget_->setProperty(kControlProperty, QVariant());
}

TControl* TControl::FromWidget(const QWidget* widget, bool orAncestor) {
    for (; widget; widget = widget->parentWidget()) {
        const QVariant v = widget->property(kControlProperty);
        if (v.isValid())
            if (auto* c = qobject_cast<TControl*>(v.value<QObject*>())) return c;
        if (!orAncestor) break;
    }
    return nullptr;
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_ || !widget_) return;
    if (TWinControl* old = parent_) {
        Erase(old->controls_, this);
        if (auto* self = qobject_cast<TWinControl*>(this)) Erase(old->tabList_, self);
        parent_ = nullptr;
        old->ChainTabOrder();
        old->AlignControls();
    }
    const QRect geometry = widget_->geometry();
    parent_ = parent;
    if (parent) {
        widget_->setParent(parent->ClientWidget());
        widget_->setGeometry(geometry);
        parent->controls_.push_back(this);
        if (auto* self = qobject_cast<TWinControl*>(this)) {
            parent->tabList_.push_back(self);
            parent->ChainTabOrder();
        }
        widget_->setVisible(visible_);
        RememberAnchorGaps();
        if (align_ != alNone) parent->AlignControls();
    } else {
        widget_->hide();
        widget_->setParent(nullptr);
        widget_->setGeometry(geometry);
    }
}

TForm* TControl::ParentForm() const {
    const TControl* c = this;
    while (c->parent_) c = c->parent_;
    return qobject_cast<TForm*>(const_cast<TControl*>(c));
}

int TControl::Left() const {
    if (!widget_) return 0;
    return IsWindow() ? WindowFrameGeometry(widget_).x() : widget_->x();
}

int TControl::Top() const {
    if (!widget_) return 0;
    return IsWindow() ? WindowFrameGeometry(widget_).y() : widget_->y();
}

int TControl::Width() const {
    if (!widget_) return 0;
    return IsWindow() ? WindowFrameGeometry(widget_).width() : widget_->width();
}

int TControl::Height() const {
    if (!widget_) return 0;
    return IsWindow() ? WindowFrameGeometry(widget_).height() : widget_->height();
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (!widget_) return;
    widget_->setGeometry(left, top, std::max(width, 0), std::max(height, 0));
    RememberAnchorGaps();
    if (align_ != alNone && parent_) parent_->AlignControls();
}

void TControl::RememberAnchorGaps() {
    if (!parent_ || !widget_) return;
    rightGap_ = parent_->ClientWidth() - (widget_->x() + widget_->width());
    bottomGap_ = parent_->ClientHeight() - (widget_->y() + widget_->height());
}

void TControl::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    if (parent_) parent_->AlignControls();
}

void TControl::SetAnchors(TAnchors anchors) {
    anchors_ = anchors;
    RememberAnchorGaps();
}

void TControl::SetVisible(bool visible) {
    visible_ = visible;
    if (widget_ && parent_) widget_->setVisible(visible);
    if (align_ != alNone && parent_) parent_->AlignControls();
}

void TControl::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (widget_) widget_->setEnabled(enabled);
}

void TControl::SetHint(const QString& hint) {
    hint_ = hint;
    if (widget_) widget_->setToolTip(hint);
}

TPopupMenu* TControl::PopupMenu() const { return popupMenu_; }

void TControl::SetPopupMenu(TPopupMenu* menu) { popupMenu_ = menu; }

bool TControl::eventFilter(QObject* watched, QEvent* event) {
    // A request that a child widget left unanswered reaches the control's widget too.
    if (watched == widget_ && event->type() == QEvent::ContextMenu && popupMenu_) {
        auto* request = static_cast<QContextMenuEvent*>(event);
        popupMenu_->SetPopupComponent(this);
        popupMenu_->Popup(request->globalPos().x(), request->globalPos().y());
        request->accept();
        return true;
    }
    return false;
}

void TControl::BringToFront() {
    if (widget_) widget_->raise();
}

void TControl::Invalidate() {
    if (widget_) widget_->update();
}

void TControl::Repaint() {
    if (widget_) widget_->repaint();
}

// ---- TWinControl ---------------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner, QWidget* widget) : TControl(AOwner, widget) {
    KeyDispatcher::Install();
}

TWinControl::~TWinControl() {
    // Here, not in ~TControl: there the object is no TWinControl any more.
    if (Parent()) Erase(Parent()->tabList_, this);
    for (TControl* c : controls_) c->parent_ = nullptr;
    controls_.clear();
    tabList_.clear();
    DetachWidget();
}

void TWinControl::WatchClientWidget(QWidget* client) { client->installEventFilter(this); }

int TWinControl::ClientWidth() const {
    const QWidget* client = ClientWidget();
    return client ? client->width() : 0;
}

int TWinControl::ClientHeight() const {
    const QWidget* client = ClientWidget();
    return client ? client->height() : 0;
}

void TWinControl::AlignControls() {
    if (aligning_ || !ClientWidget()) return;
    aligning_ = true;
    int left = 0, top = 0, right = ClientWidth(), bottom = ClientHeight();

    auto aligned = [this](TAlign a) {
        std::vector<TControl*> list;
        for (TControl* c : controls_)
            if (c->align_ == a && c->visible_ && c->widget_) list.push_back(c);
        return list;
    };
    // Windowed children whose size or place changed: they place their own children
    // at the end (a hidden widget gets no resize event until it is shown).
    std::vector<TWinControl*> moved;
    auto setGeometry = [&moved](TControl* c, const QRect& g) {
        if (g == c->widget_->geometry()) return;
        c->widget_->setGeometry(g);
        if (auto* w = qobject_cast<TWinControl*>(c)) moved.push_back(w);
    };
    auto place = [&setGeometry](TControl* c, int x, int y, int w, int h) {
        setGeometry(c, QRect(x, y, std::max(w, 0), std::max(h, 0)));
    };

    auto tops = aligned(alTop);
    std::stable_sort(tops.begin(), tops.end(),
                     [](TControl* a, TControl* b) { return a->widget_->y() < b->widget_->y(); });
    for (TControl* c : tops) {
        const int h = c->widget_->height();
        place(c, left, top, right - left, h);
        top += h;
    }
    auto bottoms = aligned(alBottom);
    std::stable_sort(bottoms.begin(), bottoms.end(), [](TControl* a, TControl* b) {
        return a->widget_->geometry().bottom() > b->widget_->geometry().bottom();
    });
    for (TControl* c : bottoms) {
        const int h = c->widget_->height();
        bottom -= h;
        place(c, left, bottom, right - left, h);
    }
    auto lefts = aligned(alLeft);
    std::stable_sort(lefts.begin(), lefts.end(),
                     [](TControl* a, TControl* b) { return a->widget_->x() < b->widget_->x(); });
    for (TControl* c : lefts) {
        const int w = c->widget_->width();
        place(c, left, top, w, bottom - top);
        left += w;
    }
    auto rights = aligned(alRight);
    std::stable_sort(rights.begin(), rights.end(), [](TControl* a, TControl* b) {
        return a->widget_->geometry().right() > b->widget_->geometry().right();
    });
    for (TControl* c : rights) {
        const int w = c->widget_->width();
        right -= w;
        place(c, right, top, w, bottom - top);
    }
    for (TControl* c : aligned(alClient)) place(c, left, top, right - left, bottom - top);

    // Anchored controls keep their distances to the right and bottom edges.
    for (TControl* c : controls_) {
        if (c->align_ != alNone || !c->widget_) continue;
        QRect g = c->widget_->geometry();
        if (c->anchors_ & akRight) {
            const int newRight = ClientWidth() - c->rightGap_;
            if (c->anchors_ & akLeft)
                g.setWidth(std::max(newRight - g.x(), 0));
            else
                g.moveLeft(newRight - g.width());
        }
        if (c->anchors_ & akBottom) {
            const int newBottom = ClientHeight() - c->bottomGap_;
            if (c->anchors_ & akTop)
                g.setHeight(std::max(newBottom - g.y(), 0));
            else
                g.moveTop(newBottom - g.height());
        }
        setGeometry(c, g);
    }
    for (TWinControl* w : moved) w->AlignControls();
    aligning_ = false;
}

int TWinControl::TabOrder() const {
    if (!Parent()) return -1;
    const auto& list = Parent()->tabList_;
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
    TWinControl* parent = Parent();
    if (!parent) return;
    auto& list = parent->tabList_;
    Erase(list, this);
    order = std::clamp(order, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + order, this);
    parent->ChainTabOrder();
}

void TWinControl::ChainTabOrder() {
    // Qt keeps one focus chain per window: chain the whole tree, depth first, so that
    // a container's children come before the container's next sibling (and the first
    // control of the first container is the one a form focuses first).
    TWinControl* root = this;
    while (root->Parent()) root = root->Parent();
    std::vector<QWidget*> chain;
    root->CollectTabChain(chain);
    for (size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void TWinControl::CollectTabChain(std::vector<QWidget*>& chain) const {
    for (const TWinControl* c : tabList_) {
        if (c->Widget() && c->Widget()->focusPolicy() != Qt::NoFocus) chain.push_back(c->Widget());
        c->CollectTabChain(chain);
    }
}

bool TWinControl::TabStop() const { return Widget() && (Widget()->focusPolicy() & Qt::TabFocus); }

void TWinControl::SetTabStop(bool tabStop) {
    if (Widget()) Widget()->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

bool TWinControl::Focused() const { return Widget() && Widget()->hasFocus(); }

bool TWinControl::CanFocus() const {
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return ParentForm() != nullptr;
}

void TWinControl::SetFocus() {
    if (!CanFocus() || !Widget())
        throw EInvalidOperation(QStringLiteral("Cannot focus a disabled or invisible window"));
    QWidget* window = Widget()->window();
    if (!window->isActiveWindow()) window->activateWindow();
    Widget()->setFocus(Qt::OtherFocusReason);
}

void TWinControl::DoKeyDown(uint16_t& key, TShiftState shift) {
    if (OnKeyDown) Guarded([&] { OnKeyDown(this, key, shift); });
}

bool TWinControl::DialogKey(uint16_t) { return false; }

bool TWinControl::BroadcastDialogKey(uint16_t key) {
    if (DialogKey(key)) return true;
    // A handler may change the list: walk a copy.
    const std::vector<TControl*> children = controls_;
    for (TControl* c : children)
        if (auto* w = qobject_cast<TWinControl*>(c); w && w->BroadcastDialogKey(key)) return true;
    return false;
}

void TWinControl::FocusChanged(bool in, Qt::FocusReason reason) {
    // The focus that leaves with the window's activation or for a popup menu comes
    // back to the same control: that is no exit, and its return no entry. The form
    // remembers the control that was entered last, so the control that takes the
    // focus when the form is first activated is entered, and one that the focus moved
    // to while the window was inactive is entered after the other's exit.
    const bool passing = reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
    TForm* form = ParentForm();
    if (in) {
        if (form) {
            const QPointer<TWinControl> previous = form->enteredControl_;
            if (previous == this) return;
            form->enteredControl_ = this;
            if (previous && previous->OnExit) Guarded([&] { previous->OnExit(previous); });
        } else if (passing) {
            return;
        }
        if (OnEnter) Guarded([this] { OnEnter(this); });
    } else {
        if (passing) return;
        if (form && form->enteredControl_ == this) form->enteredControl_ = nullptr;
        if (OnExit) Guarded([this] { OnExit(this); });
    }
}

bool TWinControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ClientWidget() && event->type() == QEvent::Resize) AlignControls();
    if (watched == Widget() &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        FocusChanged(event->type() == QEvent::FocusIn, static_cast<QFocusEvent*>(event)->reason());
    return TControl::eventFilter(watched, event);
}
