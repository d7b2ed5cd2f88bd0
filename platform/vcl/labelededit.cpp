#include "platform/vcl/labelededit.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>

TLabeledEdit::TLabeledEdit(TComponent* AOwner) : TEdit(AOwner) {
    label_ = new TLabel(this);
    label_->SetName(QStringLiteral("SubLabel"));
}

void TLabeledEdit::SetLabelPosition(TLabelPosition position) {
    position_ = position;
    PlaceLabel();
}

void TLabeledEdit::SetLabelSpacing(int spacing) {
    spacing_ = spacing;
    PlaceLabel();
}

void TLabeledEdit::SetLabelCaption(const QString& caption) {
    label_->SetCaption(caption);
    PlaceLabel();
}

void TLabeledEdit::SetParent(TWinControl* parent) {
    TEdit::SetParent(parent);
    label_->SetParent(parent);
    PlaceLabel();
}

void TLabeledEdit::SetBounds(int left, int top, int width, int height) {
    TEdit::SetBounds(left, top, width, height);
    PlaceLabel();
}

void TLabeledEdit::SetVisible(bool visible) {
    TEdit::SetVisible(visible);
    label_->SetVisible(visible);
}

void TLabeledEdit::SetEnabled(bool enabled) {
    TEdit::SetEnabled(enabled);
    label_->SetEnabled(enabled);
}

void TLabeledEdit::PlaceLabel() {
    if (!label_ || !label_->Widget() || !Widget()) return;
    // The label is as wide and high as its text in its own font.
    const QFontMetrics metrics(label_->Widget()->font());
    const int w = metrics.horizontalAdvance(label_->DisplayText());
    const int h = metrics.height();
    int x = Left(), y = Top();
    switch (position_) {
    case lpLeft:
        x = Left() - spacing_ - w;
        y = Top() + (Height() - h) / 2;
        break;
    case lpRight:
        x = Left() + Width() + spacing_;
        y = Top() + (Height() - h) / 2;
        break;
    case lpAbove: y = Top() - spacing_ - h; break;
    case lpBelow: y = Top() + Height() + spacing_; break;
    }
    label_->SetBounds(x, y, w, h);
}
