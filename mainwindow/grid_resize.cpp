// When the grid is rebuilt for a new window size: once when the user lets go of a
// dragged border, once after a maximise or a restore, never for a move or a minimise
// (the restore after a minimise gives the window its earlier size back).

#include "mainwindow/main.h"

#include "platform/vcl/menus.h"

void TFormOrlisk::WMSize(TMessage& Message) {
    TForm::WMSize(Message);
    FBeingResized = true;
}

void TFormOrlisk::WMMove(TMessage& Message) {
    TForm::WMMove(Message);
    FBeingResized = false;
}

void TFormOrlisk::WMExitSizeMove(TMessage& Message) {
    TForm::WMExitSizeMove(Message);
    if (FBeingResized && pmiRebuildWhenResized->Checked()) RebuildThumbnails();
}

void TFormOrlisk::WMSysCommand(TMessage& Message) {
    TForm::WMSysCommand(Message);
    const unsigned command = Message.WParam & 0xFFF0;
    if ((command == SC_MAXIMIZE || command == SC_RESTORE) && !FMinimised &&
        pmiRebuildWhenResized->Checked())
        RebuildThumbnails();
    FMinimised = command == SC_MINIMIZE;
}
