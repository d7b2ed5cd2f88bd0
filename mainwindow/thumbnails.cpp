// The thumbnails-in-row dialog, and the options item that opens it.

#include "mainwindow/thumbnails.h"

#include "mainwindow/main.h"
#include "platform/vcl/application.h"
#include "platform/vcl/labelededit.h"
#include "platform/vcl/stdctrls.h"
#include "platform/vcl/updown.h"
#include "translation/lang.h"

#include <array>
#include <memory>

namespace {

// The dialog's translation keys, in registration order. The label has none: it shows
// the dialog's caption.
constexpr std::array<const char*, 3> kTranslationKeys = {
    "ThumbForm.Caption",
    "ThumbForm.btnOk.Caption",
    "ThumbForm.btnCancel.Caption",
};

constexpr int kMinThumbsInRow = 1;
constexpr int kMaxThumbsInRow = 20;

}  // namespace

TThumbForm::TThumbForm(TComponent* AOwner) : TForm(AOwner) {
    BuildDesign();
    DoCreate();
}

TThumbForm::~TThumbForm() { DoDestroy(); }

void TThumbForm::BuildDesign() {
    SetName(QStringLiteral("ThumbForm"));
    SetBorderStyle(bsDialog);
    SetCaption(QStringLiteral("Thumbnails in Row"));
    SetClientWidth(245);
    SetClientHeight(102);
    SetPosition(poOwnerFormCenter);

    leQty = new TLabeledEdit(this);
    leQty->SetName(QStringLiteral("leQty"));
    leQty->SetParent(this);
    leQty->SetBounds(159, 24, 42, 21);
    leQty->SetText(QStringLiteral("1"));
    leQty->SetLabelPosition(lpLeft);
    leQty->SetLabelSpacing(10);
    leQty->SetLabelCaption(QStringLiteral("Thumbnails in Row"));
    leQty->SetTabOrder(0);

    udQty = new TUpDown(this);
    udQty->SetName(QStringLiteral("udQty"));
    udQty->SetParent(this);
    udQty->SetBounds(201, 24, 15, 21);
    udQty->SetMin(kMinThumbsInRow);
    udQty->SetMax(kMaxThumbsInRow);
    udQty->SetAssociate(leQty);
    udQty->SetPosition(1);
    udQty->SetTabOrder(1);

    btnOk = new TButton(this);
    btnOk->SetName(QStringLiteral("btnOk"));
    btnOk->SetParent(this);
    btnOk->SetBounds(45, 68, 75, 25);
    btnOk->SetCaption(QStringLiteral("&OK"));
    btnOk->SetModalResult(mrOk);
    // Not the default button: Enter in the edit does not close the dialog.
    btnOk->SetDefault(false);
    btnOk->SetTabOrder(2);

    btnCancel = new TButton(this);
    btnCancel->SetName(QStringLiteral("btnCancel"));
    btnCancel->SetParent(this);
    btnCancel->SetBounds(126, 68, 75, 25);
    btnCancel->SetCaption(QStringLiteral("&Cancel"));
    btnCancel->SetModalResult(mrCancel);
    btnCancel->SetCancel(true);
    btnCancel->SetTabOrder(3);

    OnCreate = [this](TComponent* Sender) { FormCreate(Sender); };
    OnDestroy = [this](TComponent* Sender) { FormDestroy(Sender); };
}

void TThumbForm::FormCreate(TComponent*) {
    Language = new TLanguage(this);
    if (FormOrlisk && FormOrlisk->Language)
        Language->SetLanguageFile(FormOrlisk->Language->LanguageFile());
    for (const char* key : kTranslationKeys) Language->Properties()->Add(QString::fromLatin1(key));
    Language->Translate();
    leQty->SetLabelCaption(Caption());
}

void TThumbForm::FormDestroy(TComponent*) {
    delete Language;
    Language = nullptr;
}

void TFormOrlisk::pmiThumbsInRowClick(TComponent*) {
    const std::unique_ptr<TThumbForm> dialog = std::make_unique<TThumbForm>(Application());
    dialog->udQty->SetPosition(DrawGrid->ColCount());
    if (dialog->ShowModal() != mrOk) return;
    // The up-down takes the edit's text only when it is a number from 1 to 20.
    DrawGrid->SetColCount(dialog->udQty->Position());
    RebuildThumbnails();
}
