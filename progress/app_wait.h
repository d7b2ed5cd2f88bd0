#pragma once
// The progress window of the long loops on the GUI thread: a label, a progress bar
// and a Cancel button. Setting the label, caption, range or position pumps the
// pending window messages so the window repaints and Cancel can be clicked.
// Without a display the same object draws a progress bar on stderr. Ctrl+C asks to
// cancel there, and also in a window that no form owns (the command line's, started
// from a terminal); the main window's own progress windows leave Ctrl+C alone.

#include <QMetaObject>
#include <QString>
#include <optional>

class InterruptRequest;
class TComponent;
class TfrmWait;
class TerminalProgress;

class TProgressWindow {
public:
    // Creates, places (centred on the owner form, or on the primary screen without
    // one) and shows the window. An owner that is not a form raises EInvalidCast.
    explicit TProgressWindow(TComponent* Owner);
    // Hides the window at once; the form is released later by the message loop.
    ~TProgressWindow();
    TProgressWindow(const TProgressWindow&) = delete;
    TProgressWindow& operator=(const TProgressWindow&) = delete;

    void SetButtonCaption(const QString& S);
    void SetCaptionText(const QString& s);
    void SetLabelText(const QString& s);
    void SetProgressBounds(int nFrom, int nTo);
    void SetProgressBy(int By);
    // Processes all pending window messages.
    void Update();
    // True when the window exists and the user asked to cancel.
    bool WantCancel() const;

    TfrmWait* Form() const { return frmWait; }

    // True once Ctrl+C asked a loop of this process to stop (Cancel in the window is
    // no interrupt).
    static bool Interrupted();

    // Which of the two the windows made from now on use: nullopt (the default)
    // decides by HasDisplay(); true forces the form (the tests run offscreen, where
    // HasDisplay() is false), false the terminal. A hook for tests, beside the seam.
    static void SetUseForm(std::optional<bool> useForm);

private:
    TfrmWait* frmWait = nullptr;
    TerminalProgress* terminal = nullptr;  // used instead of the form without a display
    InterruptRequest* interrupt = nullptr;  // Ctrl+C for a window no form owns
    QMetaObject::Connection formGone;      // clears frmWait when its owner frees it
};
