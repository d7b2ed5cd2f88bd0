// "Display EXIF": the selected photo's EXIF properties in their dialog.

#include "exif/exif_display.h"
#include "mainwindow/main.h"
#include "platform/system/sysutils.h"

void TFormOrlisk::ActionDisplayExifExecute(TComponent*) {
    // No photo selected, or the photo was deleted behind the program's back.
    if (!sys::FileExists(FileName)) {
        ShowCannotOpen(FileName);
        return;
    }
    ShowExifProperties(FileName, Language);
}
