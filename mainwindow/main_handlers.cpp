// Handlers of the main window whose work is still to be written. They are bound in
// the design already, so each one only needs its body; move a handler to the file of
// its concern when it gets one.

#include "mainwindow/main.h"

// Commands on the selection.
void TFormOrlisk::ActionDisplayExifExecute(TComponent*) {}  // lists the photo's EXIF properties

// Thumbnails and automatic orientation.
void TFormOrlisk::tbAutoClick(TComponent*) {}  // turns every photo of the folder upright

