#include "platform/vcl/colordialog.h"

TColorDialog::TColorDialog(TComponent* AOwner) : TComponent(AOwner) {}

bool TColorDialog::Execute(WindowHandle parent) {
    const std::optional<int32_t> chosen = Dialogs().ColorDialog(parent);
    if (!chosen) return false;
    color_ = *chosen;
    return true;
}
