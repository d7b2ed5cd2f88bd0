// Handlers of the main window whose work is still to be written. They are bound in
// the design already, so each one only needs its body; move a handler to the file of
// its concern when it gets one.

#include "mainwindow/main.h"

// Settings.
// For now only the last step: the cell size for the window's width. Loading the
// settings and applying the stored language come before it.
void TFormOrlisk::FormShow(TComponent*) { RebuildThumbnails(); }
void TFormOrlisk::SaveSettings() {}  // writes every setting to the store
void TFormOrlisk::pmiKeepTimestampClick(TComponent*) {}  // saves all settings at once

// Thumbnails.
void TFormOrlisk::pmiThumbsInRowClick(TComponent*) {}  // asks for the thumbnails per row

// Options menu.
void TFormOrlisk::pmOptionsPopup(TComponent*) {}  // shows the stored crop-warning switch
void TFormOrlisk::pmiDisplayCropClick(TComponent*) {}  // stores the crop-warning switch
void TFormOrlisk::pmiBackColorClick(TComponent*) {}  // chooses the grid's background colour
void TFormOrlisk::pmiForeColorClick(TComponent*) {}  // chooses the file names' colour
void TFormOrlisk::pmiWebsiteClick(TComponent*) {}  // opens the maker's web page
void TFormOrlisk::pmiAboutClick(TComponent*) {}  // shows the About box
