#pragma once
// The controls base: TControl wraps one QWidget, TWinControl is a control that holds
// other controls and takes the keyboard focus.
//
// Ownership and visual parent are separate: the owner (a TComponent, usually the
// form) frees the control; the parent (SetParent) is the TWinControl whose client
// area shows it. A control without a parent is not shown. Positions are in pixels
// inside the parent's client area; for a form they are the outer frame on screen.
//
// Building a form's design in code:
//   auto* b = new TButton(this);          // owned by the form
//   b->SetName("btnCancel");
//   b->SetParent(this);                   // shown in the form's client area
//   b->SetBounds(106, 55, 75, 25);
//   b->OnClick = [this](TComponent* s) { btnCancelClick(s); };
// Set the parent's size before the children's bounds: right and bottom anchors keep
// the distances the child has to its parent's edges when its bounds are set.
//
// Every event handler runs through Guarded() (application.h).

#include "platform/system/exceptions.h"
#include "platform/vcl/component.h"
#include "platform/vcl/keys.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

// A property got a value it cannot take, or an operation is not possible in the
// control's state.
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
using TAnchors = unsigned;
enum : unsigned { akLeft = 0x1, akTop = 0x2, akRight = 0x4, akBottom = 0x8 };

using TNotifyEvent = std::function<void(TComponent* Sender)>;
// Setting Key to 0 swallows the key.
using TKeyEvent = std::function<void(TComponent* Sender, uint16_t& Key, TShiftState Shift)>;

class TWinControl;
class TForm;
class TPopupMenu;

// The outer frame of a top-level window on screen: the window with what the window
// manager says it put around it, the window alone until it has said. (Qt's reading
// of the frame may be taken while the window manager is still building it, from a
// 1 x 1 pixel frame window or before the window has one, and Qt then keeps it.)
QRect WindowFrameGeometry(const QWidget* window);

class TControl : public TComponent {
    Q_OBJECT
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)

public:
    // Takes the widget over: it is deleted with the control (a widget that Qt deleted
    // first, with its parent widget, is simply gone).
    TControl(TComponent* AOwner, QWidget* widget);
    ~TControl() override;

    QWidget* Widget() const { return widget_; }
    // The control of a widget (the nearest one up the widget's parents when
    // `orAncestor`), or nullptr.
    static TControl* FromWidget(const QWidget* widget, bool orAncestor = false);

    TWinControl* Parent() const { return parent_; }
    // Shows the control inside the parent's client area (nullptr: not shown).
    virtual void SetParent(TWinControl* parent);
    // The form the control lies on (itself for a form), or nullptr.
    TForm* ParentForm() const;

    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
    void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
    void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
    void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
    virtual void SetBounds(int left, int top, int width, int height);

    // Aligned controls fill the parent's edge (alTop: full width at the top, stacked
    // by their Top) or the rest of it (alClient); only visible ones take space.
    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);
    // With akRight (akBottom) the distance to the parent's right (bottom) edge stays
    // as it was when the bounds were set; with akLeft and akRight both, the width
    // stretches.
    TAnchors Anchors() const { return anchors_; }
    void SetAnchors(TAnchors anchors);

    // The control's own flag (a visible control on a hidden parent is not on screen).
    virtual bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // The control's own flag; a disabled parent disables its children too.
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);
    // The tool tip.
    QString Hint() const { return hint_; }
    void SetHint(const QString& hint);
    // The context menu, shown for a right click or the menu key on the control, with
    // the control as its PopupComponent. Without one the request goes on to the
    // parent, so a control shows its parent's menu.
    TPopupMenu* PopupMenu() const;
    void SetPopupMenu(TPopupMenu* menu);

    void BringToFront();
    void Invalidate();  // repaint later
    void Repaint();     // repaint now

protected:
    // Watches the control's widget (the context menu); classes that watch more call it
    // for what they do not take.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Whether the control is a top-level window (a form): its bounds are the outer
    // frame on screen.
    bool IsWindow() const { return window_; }
    void SetIsWindow() { window_ = true; }
    // Remembers the distances that the right and bottom anchors keep.
    void RememberAnchorGaps();

private:
    friend class TWinControl;
    void DetachWidget();

    QPointer<QWidget> widget_;
    TWinControl* parent_ = nullptr;
    TAlign align_ = alNone;
    TAnchors anchors_ = akLeft | akTop;
    bool visible_ = true;
    bool enabled_ = true;
    QString hint_;
    QPointer<TPopupMenu> popupMenu_;
    int rightGap_ = 0;
    int bottomGap_ = 0;
    bool window_ = false;
};

class TWinControl : public TControl {
    Q_OBJECT
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
    Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)

public:
    TWinControl(TComponent* AOwner, QWidget* widget);
    ~TWinControl() override;

    // The widget that child controls go into (the widget itself unless a class has
    // an inner client area, as a form with a border width has).
    virtual QWidget* ClientWidget() const { return Widget(); }
    virtual int ClientWidth() const;
    virtual int ClientHeight() const;

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(static_cast<size_t>(index)); }
    // Places the aligned and anchored children; runs by itself when the client area
    // changes size.
    void AlignControls();

    // Focus order among the parent's windowed children, from 0; setting it moves the
    // others along.
    int TabOrder() const;
    void SetTabOrder(int order);
    bool TabStop() const;
    void SetTabStop(bool tabStop);
    bool Focused() const;
    // Visible and enabled, with every parent.
    virtual bool CanFocus() const;
    // Raises EInvalidOperation "Cannot focus a disabled or invisible window" when the
    // control cannot take the focus.
    virtual void SetFocus();

    // Runs OnKeyDown (guarded). The key dispatch calls it for the control that has the
    // focus, after its form's OnKeyDown when the form has KeyPreview.
    virtual void DoKeyDown(uint16_t& key, TShiftState shift);

    TKeyEvent OnKeyDown;
    // OnEnter: the control takes the focus, or has it when its form is first
    // activated. OnExit: the focus leaves it. A window losing and regaining the
    // activation, or a popup menu, runs neither.
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A dialog key (Esc or Enter) that no control took, offered to every control of
    // the form; true when the control acted on it (a Cancel or Default button).
    virtual bool DialogKey(uint16_t key);
    // Offers a dialog key to this control and then to all its children.
    bool BroadcastDialogKey(uint16_t key);
    // Watches the client widget for size changes (for classes whose client widget is
    // not the control's own widget).
    void WatchClientWidget(QWidget* client);

private:
    friend class TControl;
    // Links the focus chain of the window to the tab orders of the whole tree.
    void ChainTabOrder();
    void CollectTabChain(std::vector<QWidget*>& chain) const;
    // Runs OnEnter or OnExit for a focus change of the control's widget.
    void FocusChanged(bool in, Qt::FocusReason reason);

    std::vector<TControl*> controls_;       // children, in the order they were added
    std::vector<TWinControl*> tabList_;     // windowed children in focus order
    bool aligning_ = false;
};
