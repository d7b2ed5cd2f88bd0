// Handlers of the main window whose work is still to be written. They are bound in
// the design already, so each one only needs its body; move a handler to the file of
// its concern when it gets one.

#include "mainwindow/main.h"

// Settings.
void TFormOrlisk::FormShow(TComponent*) {}  // loads the settings, applies the stored language
void TFormOrlisk::SaveSettings() {}  // writes every setting to the store
void TFormOrlisk::pmiKeepTimestampClick(TComponent*) {}  // saves all settings at once

// Grid drawing and selection.
void TFormOrlisk::DrawGridDrawCell(TComponent*, int, int, TRect, TGridDrawState) {
}  // paints one cell: thumbnail and file name
void TFormOrlisk::DrawGridSelectCell(TComponent*, int, int, bool&) {
}  // sets FileName and shows the photo's pixel size
void TFormOrlisk::DrawGridDblClick(TComponent*) {}  // executes ActionOpen
void TFormOrlisk::DrawGridMouseWheelDown(TComponent*, TShiftState, QPoint, bool&) {
}  // scrolls one row down
void TFormOrlisk::DrawGridMouseWheelUp(TComponent*, TShiftState, QPoint, bool&) {
}  // scrolls one row up

// Commands on the selection.
void TFormOrlisk::ActionDisplayExifExecute(TComponent*) {}  // lists the photo's EXIF properties

// Thumbnails and automatic orientation.
void TFormOrlisk::pmiRefreshClick(TComponent*) {}  // loads the shown folder again
void TFormOrlisk::tbAutoClick(TComponent*) {}  // turns every photo of the folder upright
void TFormOrlisk::pmiThumbsInRowClick(TComponent*) {}  // asks for the thumbnails per row

// Options menu.
void TFormOrlisk::pmOptionsPopup(TComponent*) {}  // shows the stored crop-warning switch
void TFormOrlisk::pmiDisplayCropClick(TComponent*) {}  // stores the crop-warning switch
void TFormOrlisk::pmiBackColorClick(TComponent*) {}  // chooses the grid's background colour
void TFormOrlisk::pmiForeColorClick(TComponent*) {}  // chooses the file names' colour
void TFormOrlisk::pmiWebsiteClick(TComponent*) {}  // opens the maker's web page
void TFormOrlisk::pmiAboutClick(TComponent*) {}  // shows the About box
