#pragma once
// Unit thumbnails: TThumbForm, the small modal dialog that asks how many thumbnails
// one row of the grid holds (1 to 20). It speaks the main window's language: its own
// translator takes the main window's language file when it is made.

#include "platform/vcl/forms.h"

class TButton;
class TLabeledEdit;
class TLanguage;
class TUpDown;

class TThumbForm : public TForm {
    Q_OBJECT

public:
    // Builds the dialog (name "ThumbForm", centred over its owner form or the main
    // window) and runs FormCreate. Make it with the application as owner: the
    // translator finds it there by name.
    explicit TThumbForm(TComponent* AOwner);
    ~TThumbForm() override;

    TLabeledEdit* leQty = nullptr;
    TUpDown* udQty = nullptr;
    TButton* btnOk = nullptr;
    TButton* btnCancel = nullptr;

    void FormCreate(TComponent* Sender);
    void FormDestroy(TComponent* Sender);

private:
    void BuildDesign();

    TLanguage* Language = nullptr;
};
