#include "progress/frm_wait.h"

TfrmWait::TfrmWait(TComponent* AOwner) : TForm(AOwner) {
    SetName(QStringLiteral("frmWait"));
    SetBorderStyle(bsDialog);
    SetBorderWidth(7);
    SetClientWidth(284);
    SetClientHeight(88);
    SetColor(clBtnFace);
    SetFont(MakeFont(QStringLiteral("Tahoma"), -11));
    SetCaption(QString());
    SetKeyPreview(false);
    OnKeyDown = [this](TComponent* s, uint16_t& key, TShiftState shift) { FormKeyDown(s, key, shift); };
    OnDeactivate = [this](TComponent* s) { FormDeactivate(s); };

    lblInfo = new TLabel(this);
    lblInfo->SetName(QStringLiteral("lblInfo"));
    lblInfo->SetParent(this);
    lblInfo->SetBounds(0, 0, 284, 13);
    lblInfo->SetAlign(alTop);
    lblInfo->SetAlignment(taCenter);

    ProgressBar = new TProgressBar(this);
    ProgressBar->SetName(QStringLiteral("ProgressBar"));
    ProgressBar->SetParent(this);
    ProgressBar->SetBounds(0, 31, 284, 15);
    ProgressBar->SetSmooth(true);
    ProgressBar->SetTabOrder(0);

    btnCancel = new TButton(this);
    btnCancel->SetName(QStringLiteral("btnCancel"));
    btnCancel->SetParent(this);
    btnCancel->SetBounds(106, 55, 75, 25);
    btnCancel->SetCaption(QStringLiteral("&Cancel"));
    btnCancel->SetCancel(true);
    btnCancel->SetTabOrder(1);
    btnCancel->OnClick = [this](TComponent* s) { btnCancelClick(s); };

    DoCreate();
}

void TfrmWait::FormKeyDown(TComponent*, uint16_t& Key, TShiftState Shift) {
    if (Key == VK_F4 && (Shift & ssAlt)) Key = 0;
}

void TfrmWait::btnCancelClick(TComponent*) { Cancel = true; }

void TfrmWait::FormDeactivate(TComponent*) {
    if (IsWindowVisible(Handle()) && IsWindowEnabled(Handle())) SetFocus();
}
