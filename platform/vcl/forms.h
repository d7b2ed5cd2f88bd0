#pragma once
// TForm: a top-level window with its components, and the window services around it
// (the registry of windows by class name, the foreground window, the screen).
//
// A form class builds its stored design in its constructor and ends it with
// DoCreate(), which runs OnCreate once (Application()->CreateForm<T>() calls it too;
// it runs only once). A form class whose OnDestroy handler uses the class's own
// members calls DoDestroy() first thing in its destructor; ~TForm runs it otherwise
// (once), before the owned components are freed.
//
// Bounds (Left, Top, Width, Height) are the outer frame on screen; the client area is
// inside the frame and inside BorderWidth. Until the window manager has framed the
// window, outer and inner sizes are the same; bounds set before that are given to the
// frame once it is known (NormalBounds below).

#include "platform/vcl/controls.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/geometry.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/winmessages.h"

#include <QFont>
#include <QPointer>
#include <optional>
#include <vector>

class QEventLoop;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
// Where the form goes when it is first shown: where its bounds say, centred on the
// screen, on the main form, or on the owner form (the main form when the owner is
// not a form).
enum TPosition { poDesigned, poScreenCenter, poMainFormCenter, poOwnerFormCenter };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
enum : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
};

using TCloseEvent = std::function<void(TComponent* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TComponent* Sender, bool& CanClose)>;

class TForm;

// Minimum and maximum outer size of a sizeable form; 0 is no limit.
class TSizeConstraints {
public:
    int MinWidth() const { return minWidth_; }
    int MinHeight() const { return minHeight_; }
    int MaxWidth() const { return maxWidth_; }
    int MaxHeight() const { return maxHeight_; }
    void SetMinWidth(int v);
    void SetMinHeight(int v);
    void SetMaxWidth(int v);
    void SetMaxHeight(int v);

private:
    friend class TForm;
    explicit TSizeConstraints(TForm* form) : form_(form) {}
    TForm* form_;
    int minWidth_ = 0, minHeight_ = 0, maxWidth_ = 0, maxHeight_ = 0;
};

class TForm : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int ClientWidth READ ClientWidth WRITE SetClientWidth)
    Q_PROPERTY(int ClientHeight READ ClientHeight WRITE SetClientHeight)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(bool KeyPreview READ KeyPreview WRITE SetKeyPreview)

public:
    // A hidden sizeable form of client size 320 x 240 with the button-face colour
    // and the "Tahoma" -11 font, registered by its window class name.
    explicit TForm(TComponent* AOwner);
    ~TForm() override;

    QWidget* ClientWidget() const override { return client_; }
    WindowHandle Handle() const { return Widget(); }

    // The window class name under which FindWindowByClassName finds the form: the
    // form class's name (its meta-object class name) unless a class says otherwise.
    virtual QString WindowClassName() const;

    QString Caption() const;
    void SetCaption(const QString& caption);

    void SetBounds(int left, int top, int width, int height) override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetClientWidth(int width);
    void SetClientHeight(int height);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int width);
    // bsDialog: fixed size, no minimise or maximise box; bsSizeable: resizable.
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle style);
    TSizeConstraints& Constraints() { return constraints_; }
    TWindowState WindowState() const;
    void SetWindowState(TWindowState state);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    QFont Font() const;
    void SetFont(const QFont& font);
    // Whether the form's OnKeyDown sees every key before the focused control.
    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool preview) { keyPreview_ = preview; }
    // The key as a shortcut of the form: offered to every action list the form owns,
    // in the order they were added; true when one of them executed an action. The key
    // dispatch asks it before KeyPreview and the focused control.
    bool IsShortCut(uint16_t key, TShiftState shift);

    // Without the system menu's Close command the window manager's close request
    // (Alt+F4, the title bar) is refused; a window with a minimise or maximise box
    // has no close box then, a dialog keeps one that does nothing (as a greyed one).
    bool SystemCloseEnabled() const { return systemClose_; }
    void SetSystemCloseEnabled(bool enabled);

    bool Visible() const override;
    void SetVisible(bool visible) override;
    // Visible, raised and activated.
    void Show();
    // Modal to the application until ModalResult is set (a button with a ModalResult,
    // Close: mrCancel) or the application terminates; returns the ModalResult.
    int ShowModal();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result);
    // Asks OnCloseQuery, runs OnClose (Action caHide by default), then hides the form,
    // or releases it (caFree), minimises it (caMinimize) or does nothing (caNone). The
    // main form terminates the application instead. A modal form gets mrCancel.
    void Close();
    // Frees the form later, when an event loop (or Application()->ProcessMessages())
    // next runs, not inside the current call stack.
    void Release();
    bool Active() const;
    bool CanFocus() const override;
    // Activates the window.
    void SetFocus() override;

    void DoCreate();
    void DoDestroy();

    // ---- a form that owns a box before it is shown ---------------------------------
    // Moves the hidden form to where its Position puts it when it is shown, so that a
    // box it owns meanwhile shows over that place (a dialog that only tells it has
    // nothing to show, for instance).
    void PlaceAsPositioned() { PlaceForShow(); }
    // ---- end of a form that owns a box before it is shown --------------------------

    // ---- Outer bounds across window states ----------------------------------------
    // The outer bounds the window has in the normal state: its bounds now when it is
    // normal, the bounds it goes back to when it is maximised or minimised.
    TRect NormalBounds() const;
    // Outer bounds set before the window manager framed the window are taken as
    // outer bounds once the frame is known: the inner size shrinks by the frame, so a
    // size stored from Width and Height comes back the same at the next start. Bounds
    // that only move the form keep its inner size (a dialog stays as designed).
    // ---- end of outer bounds across window states ---------------------------------

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    // Another window of the program took the activation.
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnResize;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Every event of the form's window, before the form handles it; true swallows it.
    virtual bool WindowEvent(QEvent* event);

    // ---- window messages (winmessages.cpp) --------------------------------------
public:
    // The message methods of WM_MOVE, WM_SIZE, WM_EXITSIZEMOVE and WM_SYSCOMMAND, as
    // winmessages.h describes when each arrives. A form class overrides the ones it
    // handles and calls the inherited method first; TForm's own do nothing more, since
    // the layout and the window system's command are done when the message comes.
    void Dispatch(TMessage& Message);

protected:
    virtual void WMMove(TMessage& Message);
    virtual void WMSize(TMessage& Message);
    virtual void WMExitSizeMove(TMessage& Message);
    virtual void WMSysCommand(TMessage& Message);

private:
    void WatchWindowMessages();
    // ---- end of window messages -------------------------------------------------

private:
    friend class TSizeConstraints;
    friend class TWinControl;
    void ApplyWindowFlags();
    void ApplySizeLimits();
    void ResizeInner(int width, int height);
    void LayoutClient();
    void PlaceForShow();
    bool HandleDialogKey(uint16_t key);

    QWidget* client_ = nullptr;
    TSizeConstraints constraints_{this};
    TFormBorderStyle borderStyle_ = bsSizeable;
    TPosition position_ = poDesigned;
    int borderWidth_ = 0;
    TColor color_ = clBtnFace;
    bool keyPreview_ = false;
    bool systemClose_ = true;
    bool created_ = false;
    bool destroyed_ = false;
    bool placed_ = false;
    bool modal_ = false;
    TModalResult modalResult_ = mrNone;
    QEventLoop* modalLoop_ = nullptr;
    // The control that was entered last (OnEnter) and has not exited since.
    QPointer<TWinControl> enteredControl_;

    // ---- Outer bounds across window states ----------------------------------------
    // Gives the frame the outer bounds asked for before it was known (see NormalBounds
    // above); true once it has them.
    bool AdoptFrame();
    // Calls AdoptFrame until the frame is known, for a while after showing.
    void WatchForFrame();
    // The outer bounds asked for while the frame was still unknown.
    std::optional<QRect> pendingOuterBounds_;
    // Whether a size was asked for too, or only a place.
    bool pendingOuterSize_ = false;
    // ---- end of outer bounds across window states ---------------------------------
};

// The first existing form whose window class name is `className` (compared ignoring
// case, as window class names are), shown or not; nullptr when there is none.
TForm* FindWindowByClassName(const QString& className);
// Shows the window normal if it was minimised, raises and activates it. False for
// nullptr.
bool SetForegroundWindow(TForm* form);
bool SetForegroundWindow(WindowHandle window);
// The window is on screen (shown, with its parents).
bool IsWindowVisible(WindowHandle window);
// The window takes input: enabled and not blocked by another window's modal dialog.
bool IsWindowEnabled(WindowHandle window);

// The primary screen.
class TScreen {
public:
    // The full size of the primary screen (0 without a GUI application).
    int Width() const;
    int Height() const;
    // The primary screen less the desktop's panels (empty without a GUI application).
    TRect WorkAreaRect() const;
    // ---- Monitors -------------------------------------------------------------------
    // The full bounds of every screen, the primary one first.
    std::vector<TRect> MonitorBounds() const;
    // Whether some part of the title bar of a window with these outer bounds (its top
    // `titleHeight` pixels) lies on a screen.
    bool TitleBarOnScreen(const TRect& bounds, int titleHeight = 20) const;
    // ---- end of monitors ------------------------------------------------------------
};
TScreen* Screen();
