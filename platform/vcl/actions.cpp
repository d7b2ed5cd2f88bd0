#include "platform/vcl/actions.h"

#include "platform/vcl/application.h"
#include "platform/vcl/controls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <algorithm>

namespace {

// Offers every key press in a form to the action lists of that form before the
// focused control (and the form's own key handling) sees it. It is an application
// event filter installed after the controls' key dispatch, so it runs first.
class ShortCutFilter : public QObject {
public:
    using QObject::QObject;

    static ShortCutFilter* Instance() {
        static QPointer<ShortCutFilter> instance;
        if (!instance && qobject_cast<QApplication*>(QCoreApplication::instance()))
            instance = new ShortCutFilter(qApp);
        return instance;
    }

    void Register(TActionList* list) {
        lists_.emplace_back(list);
        // The filter installed last runs first: keep ours in front of any filter
        // installed since (the controls' key dispatch in particular).
        qApp->removeEventFilter(this);
        qApp->installEventFilter(this);
    }
    void Unregister(TActionList* list) {
        lists_.erase(std::remove_if(lists_.begin(), lists_.end(),
                                    [list](const QPointer<TActionList>& p) {
                                        return !p || p.data() == list;
                                    }),
                     lists_.end());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(watched);
        // A key event travels up the widget parents: act once, where it starts.
        QWidget* focus = QApplication::focusWidget();
        const bool start = focus ? (widget == focus ||
                                    (focus->window() != widget->window() && widget->isWindow()))
                                 : widget->isWindow();
        if (!start) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const uint16_t vk = VirtualKeyFromQt(key->key());
        if (vk == 0 || vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU) return false;
        const TShiftState shift = ShiftStateFromQt(key->modifiers());
        QWidget* window = widget->window();
        // A handler may create or free lists: walk a copy.
        const std::vector<QPointer<TActionList>> lists = lists_;
        for (const QPointer<TActionList>& list : lists) {
            if (!list || list->ShortCutWindow() != window) continue;
            if (list->IsShortCut(vk, shift)) return true;
        }
        return false;
    }

private:
    std::vector<QPointer<TActionList>> lists_;
};

}  // namespace

// ---- TCustomAction -------------------------------------------------------------

TCustomAction::TCustomAction(TComponent* AOwner) : TComponent(AOwner) {}

TCustomAction::~TCustomAction() { SetActionList(nullptr); }

void TCustomAction::SetCaption(const QString& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    emit Changed();
}

void TCustomAction::SetHint(const QString& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    emit Changed();
}

void TCustomAction::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    emit Changed();
}

void TCustomAction::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    emit Changed();
}

void TCustomAction::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    emit Changed();
}

void TCustomAction::SetShortCut(TShortCut shortCut) {
    if (shortCut == shortCut_) return;
    shortCut_ = shortCut;
    emit Changed();
}

void TCustomAction::SetImageIndex(int index) {
    if (index < -1) index = -1;
    if (index == imageIndex_) return;
    imageIndex_ = index;
    emit Changed();
}

void TCustomAction::SetActionList(TActionList* list) {
    if (list == list_) return;
    if (list_) {
        auto& v = list_->actions_;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    list_ = list;
    if (list_) list_->actions_.push_back(this);
}

int TCustomAction::Index() const {
    if (!list_) return -1;
    const auto& v = list_->actions_;
    const auto it = std::find(v.begin(), v.end(), this);
    return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

bool TCustomAction::Suspended() const { return list_ && list_->State() != asNormal; }

bool TCustomAction::Update() {
    if (Suspended() || !OnUpdate) return false;
    // The handler may be replaced while it runs: call a copy.
    const TActionEvent handler = OnUpdate;
    Guarded([&] { handler(this); });
    return true;
}

bool TCustomAction::Execute() {
    if (Suspended()) return false;
    Update();
    if (!enabled_ || !OnExecute) return false;
    const TActionEvent handler = OnExecute;
    Guarded([&] { handler(this); });
    return true;
}

// ---- TActionList ---------------------------------------------------------------

TActionList::TActionList(TComponent* AOwner) : TComponent(AOwner) {
    idleId_ = Application()->AddIdleHandler([this] { Idle(); });
    if (ShortCutFilter* filter = ShortCutFilter::Instance()) filter->Register(this);
}

TActionList::~TActionList() {
    if (ShortCutFilter* filter = ShortCutFilter::Instance()) filter->Unregister(this);
    Application()->RemoveIdleHandler(idleId_);
    for (TCustomAction* a : actions_) a->list_ = nullptr;
    actions_.clear();
}

void TActionList::SetImages(TImageList* images) {
    if (images == images_) return;
    if (images_) disconnect(images_, nullptr, this, nullptr);
    images_ = images;
    if (images_) connect(images_, &TImageList::Changed, this, &TActionList::ImagesChanged);
    emit ImagesChanged();
}

void TActionList::SetState(TActionListState state) {
    if (state == state_) return;
    state_ = state;
    if (state_ == asSuspendedEnabled)
        for (TCustomAction* a : actions_) a->SetEnabled(true);
}

void TActionList::UpdateActions() {
    if (state_ != asNormal) return;
    // A handler may add or free actions: walk a copy, skipping the ones gone.
    std::vector<QPointer<TCustomAction>> list(actions_.begin(), actions_.end());
    for (const QPointer<TCustomAction>& a : list)
        if (a && a->ActionList() == this) a->Update();
}

bool TActionList::IsShortCut(uint16_t key, TShiftState shift) {
    if (state_ != asNormal) return false;
    const TShortCut shortCut = ::ShortCut(key, shift);
    if (shortCut == scNone) return false;
    for (TCustomAction* a : actions_)
        if (a->ShortCut() == shortCut) return a->Execute();
    return false;
}

QWidget* TActionList::ShortCutWindow() const {
    for (TComponent* c = Owner(); c; c = c->Owner())
        if (auto* control = qobject_cast<TControl*>(c))
            return control->Widget() ? control->Widget()->window() : nullptr;
    return nullptr;
}

void TActionList::Idle() {
    if (state_ != asNormal) return;
    // As on the platform of the design: only the lists of a form that is shown and
    // takes input are brought up to date.
    if (QWidget* window = ShortCutWindow()) {
        if (!window->isVisible() || !window->isEnabled()) return;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != window) return;
    } else if (Owner() && qobject_cast<TControl*>(Owner())) {
        return;  // a form whose window is gone
    }
    UpdateActions();
}
