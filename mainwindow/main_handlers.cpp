// Handlers of the main window whose work is still to be written. They are bound in
// the design already, so each one only needs its body; move a handler to the file of
// its concern when it gets one.

#include "mainwindow/main.h"

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
void TFormOrlisk::ActionOpenExecute(TComponent*) {}  // opens the photo in the default viewer
void TFormOrlisk::ActionRotate(TComponent*) {}  // transforms the selected photos by the action's Tag
void TFormOrlisk::ActionDeleteExecute(TComponent*) {}  // moves the selected photos to the trash
void TFormOrlisk::ActionDisplayExifExecute(TComponent*) {}  // lists the photo's EXIF properties

// Thumbnails and automatic orientation.
void TFormOrlisk::pmiRefreshClick(TComponent*) {}  // loads the shown folder again
void TFormOrlisk::tbAutoClick(TComponent*) {}  // turns every photo of the folder upright

// Folder navigation.
void TFormOrlisk::btnBrowseClick(TComponent*) {}  // folder browser, then load
void TFormOrlisk::edPathKeyDown(TComponent*, uint16_t&, TShiftState) {}  // Enter loads the typed folder
void TFormOrlisk::cbSubFoldersClick(TComponent*) {}  // reloads with or without subfolders
void TFormOrlisk::btnRecentClick(TComponent*) {}  // opens the recent or the documents folder
