#pragma once
// TColorDialog: the colour chooser as a component, asked through the dialog seam.

#include "platform/vcl/component.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/graphics.h"

class TColorDialog : public TComponent {
    Q_OBJECT

public:
    // Color starts black.
    explicit TColorDialog(TComponent* AOwner);

    TColor Color() const { return color_; }
    void SetColor(TColor color) { color_ = color; }
    // Shows the dialog owned by `parent`; true on OK, with the choice in Color.
    // Cancel leaves Color as it was.
    bool Execute(WindowHandle parent);

private:
    TColor color_ = clBlack;
};
