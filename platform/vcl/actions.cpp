#include "platform/vcl/actions.h"

#include "platform/vcl/application.h"
#include "platform/vcl/controls.h"

#include <QApplication>
#include <QPointer>
#include <algorithm>

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
}

TActionList::~TActionList() {
    Application()->RemoveIdleHandler(idleId_);
    for (TCustomAction* a : actions_) a->list_ = nullptr;
    actions_.clear();
}

void TActionList::SetImages(TImageList* images) {
    if (images_.Set(images, &TImageList::Changed, this, &TActionList::ImagesChanged))
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

QWidget* TActionList::OwnerWindow() const {
    for (TComponent* c = Owner(); c; c = c->Owner())
        if (auto* control = qobject_cast<TControl*>(c))
            return control->Widget() ? control->Widget()->window() : nullptr;
    return nullptr;
}

void TActionList::Idle() {
    if (state_ != asNormal) return;
    // As on the platform of the design: only the lists of a form that is shown and
    // takes input are brought up to date.
    if (QWidget* window = OwnerWindow()) {
        if (!window->isVisible() || !window->isEnabled()) return;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != window) return;
    } else if (Owner() && qobject_cast<TControl*>(Owner())) {
        return;  // a form whose window is gone
    }
    UpdateActions();
}
