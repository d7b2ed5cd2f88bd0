#pragma once
// The progress form: a centred label, a smooth progress bar and a Cancel button on a
// fixed-size dialog. Made, shown and released only by TProgressWindow.

#include "platform/vcl/comctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

class TfrmWait : public TForm {
    Q_OBJECT

public:
    // The stored design; the window class name is "TfrmWait".
    explicit TfrmWait(TComponent* AOwner);

    TLabel* lblInfo = nullptr;
    TProgressBar* ProgressBar = nullptr;
    TButton* btnCancel = nullptr;
    // Set by the Cancel button and never cleared.
    bool Cancel = false;

    // Sizes the window to show its label and its button in full, never smaller than
    // the stored design; a window on screen keeps its centre.
    void FitToContents();

    // Alt+F4 (with or without other modifiers) is swallowed: Key := 0.
    void FormKeyDown(TComponent* Sender, uint16_t& Key, TShiftState Shift);
    void btnCancelClick(TComponent* Sender);
    // Losing the activation to another window of the program while visible and
    // enabled, the form takes the focus back.
    void FormDeactivate(TComponent* Sender);
};
