// Folder navigation: the path box, "Browse...", the recent-folder button and
// "Include subfolders". Every route ends in LoadFolder, directly or through
// RebuildThumbnails.

#include "mainwindow/main.h"

#include "platform/system/knownfolders.h"
#include "platform/system/sysutils.h"
#include "platform/vcl/actions.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/keys.h"
#include "platform/vcl/stdctrls_extra.h"

void TFormOrlisk::edPathKeyDown(TComponent*, uint16_t& Key, TShiftState) {
    // Enter with any modifier; the key goes on unchanged. A path that is no folder
    // (a file, nothing at all) is passed over without a word.
    if (Key != VK_RETURN) return;
    const QString folder = edPath->Text();
    if (sys::DirectoryExists(folder)) LoadFolder(folder);
}

// While the path box has the focus its keys are typed text, not the actions'
// one-key shortcuts.
void TFormOrlisk::edPathEnter(TComponent*) { ActionList->SetState(asSuspended); }
void TFormOrlisk::edPathExit(TComponent*) { ActionList->SetState(asNormal); }

void TFormOrlisk::btnBrowseClick(TComponent*) {
    QString folder;
    if (!BrowseForFolder(Handle(), edPath->Text(), folder)) return;
    LoadFolder(folder);
    btnRecent->SetEnabled(false);
}

void TFormOrlisk::btnRecentClick(TComponent*) {
    const QString folder = !RecentFolder.isEmpty() && sys::DirectoryExists(RecentFolder)
                               ? RecentFolder
                               : GetMyDocumentsFolder();
    edPath->SetText(folder);
    CurrentFolder = folder;
    btnRecent->SetEnabled(false);
    RebuildThumbnails();
}

void TFormOrlisk::cbSubFoldersClick(TComponent*) {
    if (sys::DirectoryExists(CurrentFolder)) LoadFolder(CurrentFolder);
}

bool BrowseForFolder(WindowHandle Owner, const QString& Initial, QString& Folder) {
    Folder.clear();
    const std::optional<QString> chosen = Dialogs().BrowseForFolder(Owner, Initial);
    if (!chosen) return false;
    Folder = *chosen;
    return sys::DirectoryExists(Folder);
}

QString GetMyDocumentsFolder() { return DocumentsFolder(); }
