#pragma once
// Actions: one command with its caption, hint, image, check state and shortcut,
// shared by the toolbar buttons and menu items linked to it (they show its state and
// follow its changes; clicking them executes it).
//
// An action list brings its actions up to date (OnUpdate) each time the application
// goes idle, while the form that owns it is visible and not blocked by a modal
// window, and handles the shortcuts of its actions for the form that owns it: a key
// press in the form is offered to the list (TForm::IsShortCut) before the focused
// control sees it. A suspended list
// neither updates nor executes its actions, so their keys reach the focused control
// as typed text.

#include "platform/vcl/changelink.h"
#include "platform/vcl/component.h"
#include "platform/vcl/imagelist.h"
#include "platform/vcl/shortcuts.h"

#include <QString>
#include <functional>
#include <vector>

class TActionList;
class QWidget;

using TActionEvent = std::function<void(TComponent* Sender)>;

class TCustomAction : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(int ShortCut READ ShortCut WRITE SetShortCutValue)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)

public:
    explicit TCustomAction(TComponent* AOwner);
    // Leaves its list; linked clients drop the link.
    ~TCustomAction() override;

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    QString Hint() const { return hint_; }
    void SetHint(const QString& hint);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut shortCut);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);

    // The list the action belongs to (nullptr: none). Setting it moves the action to
    // the end of the new list.
    TActionList* ActionList() const { return list_; }
    void SetActionList(TActionList* list);
    // Position in its list, -1 without one.
    int Index() const;
    // Whether its list is suspended.
    bool Suspended() const;

    // Runs OnUpdate (guarded); false when the list is suspended or there is no
    // handler.
    bool Update();
    // What firing the action does: nothing (false) while the list is suspended;
    // otherwise OnUpdate first, then OnExecute (guarded) only when the action is then
    // enabled. True when OnExecute ran.
    bool Execute();

    TActionEvent OnExecute;
    TActionEvent OnUpdate;

signals:
    // A shown property (caption, hint, enabled, checked, visible, shortcut, image)
    // changed; linked clients copy it.
    void Changed();

private:
    friend class TActionList;
    void SetShortCutValue(int value) { SetShortCut(static_cast<TShortCut>(value)); }

    QString caption_;
    QString hint_;
    bool enabled_ = true;
    bool checked_ = false;
    bool visible_ = true;
    TShortCut shortCut_ = scNone;
    int imageIndex_ = -1;
    TActionList* list_ = nullptr;
};

class TAction : public TCustomAction {
    Q_OBJECT
public:
    explicit TAction(TComponent* AOwner) : TCustomAction(AOwner) {}
};

enum TActionListState { asNormal, asSuspended, asSuspendedEnabled };

class TActionList : public TComponent {
    Q_OBJECT
    Q_PROPERTY(int State READ StateValue WRITE SetStateValue)

public:
    explicit TActionList(TComponent* AOwner);
    ~TActionList() override;

    int ActionCount() const { return static_cast<int>(actions_.size()); }
    TCustomAction* Actions(int index) const { return actions_.at(static_cast<size_t>(index)); }

    // The images that the actions' ImageIndex refers to (nullptr: none).
    TImageList* Images() const { return images_; }
    void SetImages(TImageList* images);

    // asNormal: actions update and execute. asSuspended: they neither update nor
    // execute and their shortcuts pass to the focused control. asSuspendedEnabled:
    // as asSuspended, and every action is enabled when the state is entered.
    TActionListState State() const { return state_; }
    void SetState(TActionListState state);

    // Runs every action's OnUpdate, in list order (nothing while suspended).
    void UpdateActions();
    // The key as a shortcut: executes the first action whose ShortCut it is and
    // returns whether that action ran (a disabled action leaves the key to the
    // focused control). Always false while suspended.
    bool IsShortCut(uint16_t key, TShiftState shift);

    // The window of the nearest control up the owner chain (the form), or nullptr;
    // the list updates its actions only while that window is shown.
    QWidget* OwnerWindow() const;

signals:
    void ImagesChanged();

private:
    friend class TCustomAction;
    int StateValue() const { return static_cast<int>(state_); }
    void SetStateValue(int value) { SetState(static_cast<TActionListState>(value)); }
    void Idle();

    std::vector<TCustomAction*> actions_;
    ChangeLink<TImageList> images_;
    TActionListState state_ = asNormal;
    int idleId_ = 0;
};
