#include "progress/frm_wait.h"

#include "platform/vcl/menus.h"

#include <QFontMetrics>
#include <algorithm>

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
    FitToContents();
}

namespace {
// The stored design, which holds the English texts in the Tahoma font.
constexpr int kDesignWidth = 284;
constexpr int kLabelHeight = 13;
constexpr int kBarGap = 18;         // from the label to the bar
constexpr int kBarHeight = 15;
constexpr int kButtonGap = 9;       // from the bar to the button
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonPadding = 8;   // room around a button's caption
constexpr int kBottomGap = 8;
}  // namespace

void TfrmWait::FitToContents() {
    const QFontMetrics label = lblInfo->Widget()->fontMetrics();
    const QFontMetrics button = btnCancel->Widget()->fontMetrics();
    const QString caption = StripHotkey(btnCancel->Caption());
    const int labelHeight = std::max(kLabelHeight, label.height());
    const int buttonWidth = std::max(kButtonWidth, button.horizontalAdvance(caption) + 2 * kButtonPadding);
    const int buttonHeight = std::max(kButtonHeight, button.height() + kButtonPadding);
    const int width = std::max({kDesignWidth, label.horizontalAdvance(lblInfo->Caption()) + 8, buttonWidth});
    const int barTop = labelHeight + kBarGap;
    const int buttonTop = barTop + kBarHeight + kButtonGap;
    const int height = buttonTop + buttonHeight + kBottomGap;
    const int oldWidth = Width(), oldHeight = Height();
    if (width != ClientWidth()) SetClientWidth(width);
    if (height != ClientHeight()) SetClientHeight(height);
    lblInfo->SetHeight(labelHeight);
    ProgressBar->SetBounds(0, barTop, width, kBarHeight);
    // Centred as designed (106 of 284 for a 75-pixel button).
    btnCancel->SetBounds((width - buttonWidth + 3) / 2, buttonTop, buttonWidth, buttonHeight);
    // A window on screen keeps its centre.
    if (Visible() && (Width() != oldWidth || Height() != oldHeight))
        SetBounds(Left() + (oldWidth - Width()) / 2, Top() + (oldHeight - Height()) / 2, Width(), Height());
}

void TfrmWait::FormKeyDown(TComponent*, uint16_t& Key, TShiftState Shift) {
    if (Key == VK_F4 && (Shift & ssAlt)) Key = 0;
}

void TfrmWait::btnCancelClick(TComponent*) { Cancel = true; }

void TfrmWait::FormDeactivate(TComponent*) {
    if (IsWindowVisible(Handle()) && IsWindowEnabled(Handle())) SetFocus();
}
