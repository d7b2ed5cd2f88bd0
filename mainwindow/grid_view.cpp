// The thumbnail grid on screen: painting a cell, following the current cell, the
// mouse wheel and the double-click.

#include "mainwindow/main.h"

#include "platform/gdiplus/gpgraphics.h"
#include "platform/gdiplus/gpimage.h"
#include "platform/system/filenames.h"
#include "platform/system/sysutils.h"
#include "platform/vcl/actions.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/jpeg.h"

#include <QPainter>

namespace {

// 0x00BBGGRR as an opaque GDI+ colour 0xAARRGGBB; bits 24-31 are not a colour.
uint32_t OpaqueArgb(TColor color) {
    const auto c = static_cast<uint32_t>(color);
    return 0xFF000000u | (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
}

const QColor kSelectionFill(180, 180, 180);

}  // namespace

void TFormOrlisk::DrawGridDrawCell(TComponent*, int ACol, int ARow, TRect Rect,
                                   TGridDrawState State) {
    QPainter* canvas = DrawGrid->Canvas();
    if (!canvas || !Images) return;
    if (State & gdSelected) {
        canvas->setBrush(kSelectionFill);
        canvas->fillRect(Rect.ToQRect(), kSelectionFill);
    }
    // Made for every cell and freed in the reverse order: graphics, format, brush, font.
    const TGPFont font(QStringLiteral("MS Shell Dlg 2"), 8.0f, FontStyleRegular, UnitPoint);
    const TGPSolidBrush brush(OpaqueArgb(FForeColor));
    TGPStringFormat format(0, 0);
    format.SetTrimming(StringTrimmingEllipsisCharacter);
    format.SetAlignment(StringAlignmentCenter);
    TGPGraphics graphics(canvas);

    const long long i = ACol + static_cast<long long>(ARow) * DrawGrid->ColCount();
    if (i < 0 || i >= Images->Count()) return;
    auto* thumbnail = dynamic_cast<TGPImage*>(Images->Objects(static_cast<int>(i)));
    if (!thumbnail) return;
    const int cw = DrawGrid->DefaultColWidth();
    const int rh = DrawGrid->DefaultRowHeight();
    const int w = static_cast<int>(thumbnail->GetWidth());
    const int h = static_cast<int>(thumbnail->GetHeight());
    graphics.DrawImage(thumbnail, static_cast<float>(Rect.Left + (cw - w) / 2),
                       static_cast<float>(Rect.Top + 5), static_cast<float>(w),
                       static_cast<float>(h));
    const QString name =
        sys::DisplayFileName(sys::ExtractFileName(Images->Strings(static_cast<int>(i))));
    const TGPRectF layout{static_cast<float>(Rect.Left + 2), static_cast<float>(Rect.Top + rh - 20),
                          static_cast<float>(Rect.Right - Rect.Left - 2), 15.0f};
    graphics.DrawString(name, static_cast<int>(name.size()), &font, layout, &format, &brush);
}

void TFormOrlisk::DrawGridSelectCell(TComponent*, int ACol, int ARow, bool&) {
    FileName.clear();
    const long long i = ACol + static_cast<long long>(ARow) * DrawGrid->ColCount();
    if (Images && i >= 0 && i < Images->Count() &&
        sys::FileExists(Images->Strings(static_cast<int>(i))))
        FileName = Images->Strings(static_cast<int>(i));
    // The pixel size from the frame header; a file that is not JPEG data (or none)
    // leaves the panel as it was.
    try {
        TJPEGImage jpeg;
        jpeg.LoadFromFile(FileName);
        StatusBar->Panels()->Items(0)->SetText(
            sys::Format(QStringLiteral("%d x %d"), {jpeg.Width(), jpeg.Height()}));
    } catch (...) {
    }
}

// The wheel scrolls the view by a row; the current cell and the selection stay.
void TFormOrlisk::DrawGridMouseWheelDown(TComponent*, TShiftState, QPoint, bool& Handled) {
    DrawGrid->Scroll(SB_LINEDOWN);
    Handled = true;
}

void TFormOrlisk::DrawGridMouseWheelUp(TComponent*, TShiftState, QPoint, bool& Handled) {
    DrawGrid->Scroll(SB_LINEUP);
    Handled = true;
}

void TFormOrlisk::DrawGridDblClick(TComponent*) { ActionOpen->Execute(); }
