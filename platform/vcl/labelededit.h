#pragma once
// TLabeledEdit: an edit box with its own label beside it.

#include "platform/vcl/stdctrls.h"
#include "platform/vcl/stdctrls_extra.h"

enum TLabelPosition { lpAbove, lpBelow, lpLeft, lpRight };

// The label (EditLabel, a TLabel owned by the edit and named "SubLabel") lies in the
// edit's parent and follows the edit: with lpLeft its right edge stands LabelSpacing
// pixels left of the edit, vertically centred on it; it is as wide as its text. It
// shows and hides, enables and disables with the edit.
class TLabeledEdit : public TEdit {
    Q_OBJECT

public:
    // Label on the left, 10 pixels away, empty caption.
    explicit TLabeledEdit(TComponent* AOwner);

    TLabel* EditLabel() const { return label_; }
    TLabelPosition LabelPosition() const { return position_; }
    void SetLabelPosition(TLabelPosition position);
    int LabelSpacing() const { return spacing_; }
    void SetLabelSpacing(int spacing);
    // Sets the label's caption and places it again for the new width.
    void SetLabelCaption(const QString& caption);

    void SetParent(TWinControl* parent) override;
    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;

    // Puts the label where LabelPosition and LabelSpacing say.
    void PlaceLabel();

private:
    TLabel* label_ = nullptr;
    TLabelPosition position_ = lpLeft;
    int spacing_ = 10;
};
