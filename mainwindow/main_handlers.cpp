// Handlers of the main window whose work is still to be written. They are bound in
// the design already, so each one only needs its body; move a handler to the file of
// its concern when it gets one.

#include "mainwindow/main.h"

// Commands on the selection.
void TFormOrlisk::ActionOpenExecute(TComponent*) {}  // opens the photo in the default viewer
void TFormOrlisk::ActionRotate(TComponent*) {}  // transforms the selected photos by the action's Tag
void TFormOrlisk::ActionDeleteExecute(TComponent*) {}  // moves the selected photos to the trash
void TFormOrlisk::ActionDisplayExifExecute(TComponent*) {}  // lists the photo's EXIF properties

// Thumbnails and automatic orientation.
void TFormOrlisk::tbAutoClick(TComponent*) {}  // turns every photo of the folder upright

// Folder navigation.
void TFormOrlisk::btnBrowseClick(TComponent*) {}  // folder browser, then load
void TFormOrlisk::edPathKeyDown(TComponent*, uint16_t&, TShiftState) {}  // Enter loads the typed folder
void TFormOrlisk::cbSubFoldersClick(TComponent*) {}  // reloads with or without subfolders
void TFormOrlisk::btnRecentClick(TComponent*) {}  // opens the recent or the documents folder
