#include "platform/vcl/menus.h"

#include "platform/vcl/application.h"
#include "platform/vcl/controls.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QRegularExpression>
#include <algorithm>
#include <map>

// ---- TMenuItem -----------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
    // Children first (a child may be owned elsewhere; freeing it takes it out of its
    // owner's list too), then leave the parent.
    while (!items_.empty()) delete items_.front();
    if (parent_) parent_->Remove(this);
}

void TMenuItem::NotifyChanged() { emit Changed(); }

void TMenuItem::SetCaption(const QString& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    NotifyChanged();
}

void TMenuItem::SetHint(const QString& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    NotifyChanged();
}

void TMenuItem::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    if (checked_ && radioItem_) TurnSiblingsOff();
    NotifyChanged();
}

void TMenuItem::SetRadioItem(bool radioItem) {
    if (radioItem == radioItem_) return;
    radioItem_ = radioItem;
    if (checked_ && radioItem_) TurnSiblingsOff();
    NotifyChanged();
}

void TMenuItem::SetGroupIndex(int groupIndex) {
    if (groupIndex == groupIndex_) return;
    groupIndex_ = groupIndex;
    if (checked_ && radioItem_) TurnSiblingsOff();
    NotifyChanged();
}

void TMenuItem::TurnSiblingsOff() {
    if (!parent_) return;
    for (TMenuItem* item : std::vector<TMenuItem*>(parent_->items_))
        if (item != this && item->radioItem_ && item->groupIndex_ == groupIndex_)
            item->SetChecked(false);
}

void TMenuItem::SetDefault(bool isDefault) {
    if (isDefault == default_) return;
    default_ = isDefault;
    // One default item per menu level.
    if (default_ && parent_)
        for (TMenuItem* item : parent_->items_)
            if (item != this && item->default_) {
                item->default_ = false;
                item->NotifyChanged();
            }
    NotifyChanged();
}

void TMenuItem::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    NotifyChanged();
}

void TMenuItem::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    NotifyChanged();
}

void TMenuItem::SetImageIndex(int index) {
    if (index < -1) index = -1;
    if (index == imageIndex_) return;
    imageIndex_ = index;
    NotifyChanged();
}

void TMenuItem::SetShortCut(TShortCut shortCut) {
    if (shortCut == shortCut_) return;
    shortCut_ = shortCut;
    NotifyChanged();
}

void TMenuItem::SetAction(TCustomAction* action) {
    if (action_.Set(action, &TCustomAction::Changed, this, &TMenuItem::ActionChanged))
        ActionChanged();
}

void TMenuItem::ActionChanged() {
    if (!action_) return;
    SetCaption(action_->Caption());
    SetHint(action_->Hint());
    SetEnabled(action_->Enabled());
    SetChecked(action_->Checked());
    SetVisible(action_->Visible());
    SetShortCut(action_->ShortCut());
    SetImageIndex(action_->ImageIndex());
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item) return;
    if (item->parent_) throw EInvalidOperation(QStringLiteral("Menu inserted twice"));
    if (index < 0 || index > Count())
        throw EInvalidOperation(QStringLiteral("Menu index out of range"));
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    if (item->checked_ && item->radioItem_) item->TurnSiblingsOff();
    NotifyChanged();
}

void TMenuItem::Delete(int index) {
    if (index < 0 || index >= Count())
        throw EInvalidOperation(QStringLiteral("Menu index out of range"));
    TMenuItem* item = items_[static_cast<size_t>(index)];
    items_.erase(items_.begin() + index);
    item->parent_ = nullptr;
    NotifyChanged();
}

void TMenuItem::Remove(TMenuItem* item) {
    const int index = IndexOf(item);
    if (index >= 0) Delete(index);
}

void TMenuItem::Clear() {
    while (!items_.empty()) delete items_.back();
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    const auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TPopupMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* item = this;
    while (item->parent_) item = item->parent_;
    return item->menu_;
}

void TMenuItem::Click() {
    if (!enabled_) return;
    if (autoCheck_) SetChecked(!checked_);
    if (OnClick) {
        // The handler may free the item (a rebuilt menu): call a copy.
        const TMenuNotifyEvent handler = OnClick;
        handler(this);
    } else if (action_) {
        action_->Execute();
    }
}

// ---- TPopupMenu ----------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* AOwner) : TComponent(AOwner), items_(new TMenuItem(nullptr)) {
    items_->menu_ = this;
}

TPopupMenu::~TPopupMenu() {
    delete items_;
    if (menu_) {
        // A menu being shown is inside its own event loop: let that loop end first.
        if (menu_->isVisible()) {
            menu_->hide();
            menu_->deleteLater();
        } else {
            delete menu_.data();
        }
    }
}

QMenu* TPopupMenu::Menu() {
    if (!menu_) {
        menu_ = new QMenu();
        connect(menu_, &QMenu::aboutToShow, this, &TPopupMenu::AboutToShow);
    }
    return menu_;
}

void TPopupMenu::Popup(int x, int y) { Menu()->popup(QPoint(x, y)); }

namespace {
void UpdateItemActions(TMenuItem* parent) {
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* item = parent->Items(i);
        if (TCustomAction* action = item->Action()) action->Update();
        UpdateItemActions(item);
    }
}
}  // namespace

void TPopupMenu::AboutToShow() {
    if (OnPopup) {
        const TMenuNotifyEvent handler = OnPopup;
        Guarded([&] { handler(this); });
    }
    UpdateItemActions(items_);
    Rebuild();
}

QAction* TPopupMenu::QtAction(const TMenuItem* item) const {
    for (const auto& [action, owner] : entries_)
        if (owner == item) return action;
    return nullptr;
}

namespace {
QString EntryText(const TMenuItem* item) {
    QString text = item->Caption();
    if (item->ShortCut() != scNone) {
        const QString keys = ShortCutToText(item->ShortCut());
        // Shown in the menu's shortcut column only: the key itself is the action
        // list's to handle.
        if (!keys.isEmpty()) text += QLatin1Char('\t') + keys;
    }
    return text;
}

void SyncEntry(QAction* action, const TMenuItem* item, const TImageList* images) {
    action->setText(EntryText(item));
    action->setToolTip(item->Hint());
    action->setStatusTip(item->Hint());
    action->setEnabled(item->Enabled());
    action->setVisible(item->Visible());
    action->setCheckable(item->Checked() || item->AutoCheck() || item->RadioItem());
    action->setChecked(item->Checked());
    QFont font = action->font();
    font.setBold(item->Default());
    action->setFont(font);
    if (images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count())
        action->setIcon(QIcon(images->Pixmap(item->ImageIndex())));
    else
        action->setIcon(QIcon());
}
}  // namespace

void TPopupMenu::Rebuild() {
    QMenu* menu = Menu();
    entries_.clear();
    menu->clear();
    // Groups and submenus are children of the menu that clear() leaves behind.
    for (QActionGroup* group : menu->findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly))
        delete group;
    for (QMenu* sub : menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) delete sub;
    BuildInto(menu, items_);
}

void TPopupMenu::BuildInto(QMenu* menu, TMenuItem* parent) {
    // Radio items look like radio items through an exclusive group per group index;
    // their check marks are still the items' own (synchronised after every click).
    std::map<int, QActionGroup*> groups;
    QAction* defaultAction = nullptr;
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* item = parent->Items(i);
        if (!item->Visible()) continue;
        QAction* action = nullptr;
        if (item->IsLine()) {
            action = menu->addSeparator();
        } else if (item->Count() > 0) {
            QMenu* sub = menu->addMenu(item->Caption());
            action = sub->menuAction();
            BuildInto(sub, item);
        } else {
            action = menu->addAction(EntryText(item));
            SyncEntry(action, item, images_);
            if (item->RadioItem()) {
                QActionGroup*& group = groups[item->GroupIndex()];
                if (!group) {
                    group = new QActionGroup(menu);
                    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
                }
                group->addAction(action);
            }
            const QPointer<TMenuItem> target(item);
            const QPointer<QAction> entry(action);
            connect(action, &QAction::triggered, this, [this, target, entry] {
                if (!target) return;
                Guarded([&] { target->Click(); });
                if (entry && target) SyncEntry(entry, target, images_);
            });
            connect(item, &TMenuItem::Changed, action, [this, target, entry] {
                if (entry && target) SyncEntry(entry, target, images_);
            });
            if (item->Default()) defaultAction = action;
        }
        entries_.emplace_back(action, item);
    }
    menu->setDefaultAction(defaultAction);
}

QString StripHotkey(const QString& caption) {
    QString shown = caption;
    return shown.remove(QRegularExpression(QStringLiteral("&(?!&)"))).replace(QStringLiteral("&&"), QStringLiteral("&"));
}
