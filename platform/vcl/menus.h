#pragma once
// Menus: TMenuItem (a tree of items) and TPopupMenu, shown as a QMenu built from the
// items each time it drops down.
//
// A menu item's Caption "-" makes it a separator; "&" marks the access key ("&&" is a
// plain "&"). Items linked to an action show its caption, hint, enabled and checked
// state, shortcut and image, and executing the item executes the action.

#include "platform/vcl/actions.h"
#include "platform/vcl/changelink.h"
#include "platform/vcl/component.h"
#include "platform/vcl/imagelist.h"
#include "platform/vcl/shortcuts.h"

#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class QAction;
class QMenu;
class TPopupMenu;

using TMenuNotifyEvent = std::function<void(TComponent* Sender)>;

class TMenuItem : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
    Q_PROPERTY(bool AutoCheck READ AutoCheck WRITE SetAutoCheck)
    Q_PROPERTY(bool RadioItem READ RadioItem WRITE SetRadioItem)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(bool Default READ Default WRITE SetDefault)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(int ShortCut READ ShortCut WRITE SetShortCutValue)

public:
    explicit TMenuItem(TComponent* AOwner);
    // Frees its child items and leaves its parent item.
    ~TMenuItem() override;

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    bool IsLine() const { return caption_ == QLatin1String("-"); }
    QString Hint() const { return hint_; }
    void SetHint(const QString& hint);
    // Checking a radio item clears the checks of the other radio items of the same
    // GroupIndex under the same parent.
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    // An auto-check item toggles its own check mark when clicked, before OnClick.
    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool autoCheck) { autoCheck_ = autoCheck; }
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool radioItem);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int groupIndex);
    // The default item is drawn bold.
    bool Default() const { return default_; }
    void SetDefault(bool isDefault);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut shortCut);

    // The linked action (nullptr: none). Linking copies the action's caption, hint,
    // enabled, checked, visible, shortcut and image, and keeps following them.
    TCustomAction* Action() const { return action_; }
    void SetAction(TCustomAction* action);

    // Child items, in order. Add and Insert raise EInvalidOperation "Menu inserted
    // twice" for an item that already has a parent; Delete and Remove take the item
    // out without freeing it; Clear frees every child.
    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const { return items_.at(static_cast<size_t>(index)); }
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Delete(int index);
    void Remove(TMenuItem* item);
    void Clear();
    int IndexOf(const TMenuItem* item) const;
    TMenuItem* Parent() const { return parent_; }
    // Position under its parent, -1 without one.
    int MenuIndex() const { return parent_ ? parent_->IndexOf(this) : -1; }
    // The popup menu the item lies in (through its parents), or nullptr.
    TPopupMenu* GetParentMenu() const;

    // What a click does: nothing for a disabled item; otherwise an auto-check item
    // toggles its check, then OnClick runs when set, else the linked action executes.
    // Exceptions pass to the caller (the menu's dispatch shows them).
    void Click();

    TMenuNotifyEvent OnClick;

signals:
    // A shown property changed, or the children changed.
    void Changed();

private:
    friend class TPopupMenu;
    void SetShortCutValue(int value) { SetShortCut(static_cast<TShortCut>(value)); }
    void TurnSiblingsOff();
    void ActionChanged();
    void NotifyChanged();

    QString caption_;
    QString hint_;
    bool checked_ = false;
    bool autoCheck_ = false;
    bool radioItem_ = false;
    int groupIndex_ = 0;
    bool default_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    int imageIndex_ = -1;
    TShortCut shortCut_ = scNone;
    ChangeLink<TCustomAction> action_;
    TMenuItem* parent_ = nullptr;
    TPopupMenu* menu_ = nullptr;  // set on the root item of a popup menu
    std::vector<TMenuItem*> items_;
};

enum TMenuAutoFlag { maAutomatic, maManual, maParent };

class TPopupMenu : public TComponent {
    Q_OBJECT
    Q_PROPERTY(int AutoHotkeys READ AutoHotkeysValue WRITE SetAutoHotkeysValue)
    Q_PROPERTY(int AutoLineReduction READ AutoLineReductionValue WRITE SetAutoLineReductionValue)

public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;

    // The root item: its children are the menu's items.
    TMenuItem* Items() const { return items_; }

    // Images for the items' ImageIndex (nullptr: the items show no images).
    TImageList* Images() const { return images_; }
    void SetImages(TImageList* images) { images_ = images; }

    // Stored flags; hotkeys and separators are never rearranged here.
    TMenuAutoFlag AutoHotkeys() const { return autoHotkeys_; }
    void SetAutoHotkeys(TMenuAutoFlag flag) { autoHotkeys_ = flag; }
    TMenuAutoFlag AutoLineReduction() const { return autoLineReduction_; }
    void SetAutoLineReduction(TMenuAutoFlag flag) { autoLineReduction_ = flag; }

    // The component the menu was last shown for (set by the control that shows it).
    TComponent* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent* component) { popupComponent_ = component; }

    // Drops the menu down at the screen point (x, y) without waiting for it to close:
    // OnPopup runs first, the linked actions are brought up to date, then the QMenu
    // is rebuilt from the items and shown. A click on an entry runs the item's
    // Click() (guarded) at once.
    void Popup(int x, int y);

    // The Qt menu behind it, for the controls that show it themselves (a toolbar
    // button): it prepares itself the same way each time it is about to show.
    QMenu* Menu();
    // The entry of an item in the Qt menu as last built, or nullptr (for tests and
    // for the controls that show the menu).
    QAction* QtAction(const TMenuItem* item) const;
    // Rebuilds the Qt menu from the items now (Popup and Menu() do it before showing).
    void Rebuild();

    TMenuNotifyEvent OnPopup;

private:
    int AutoHotkeysValue() const { return autoHotkeys_; }
    void SetAutoHotkeysValue(int v) { autoHotkeys_ = static_cast<TMenuAutoFlag>(v); }
    int AutoLineReductionValue() const { return autoLineReduction_; }
    void SetAutoLineReductionValue(int v) { autoLineReduction_ = static_cast<TMenuAutoFlag>(v); }
    void AboutToShow();
    void BuildInto(QMenu* menu, TMenuItem* parent);

    TMenuItem* items_;
    QPointer<TImageList> images_;
    TMenuAutoFlag autoHotkeys_ = maAutomatic;
    TMenuAutoFlag autoLineReduction_ = maAutomatic;
    QPointer<TComponent> popupComponent_;
    QPointer<QMenu> menu_;
    std::vector<std::pair<QPointer<QAction>, QPointer<TMenuItem>>> entries_;
};

// A caption as it shows: each "&" that marks the access key dropped, "&&" shown as
// one "&".
QString StripHotkey(const QString& caption);
