// The favourite folders: up to ten folders, newest first, in the drop-down menu of
// the "Favorites" button.

#include "mainwindow/main.h"

#include "platform/system/filenames.h"
#include "platform/system/sysutils.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls_extra.h"
#include "translation/lang.h"

#include <QVariant>

namespace {

constexpr int kMaxFavorites = 10;

// A folder item shows the folder's last name; the root ("/", or an entry stored with
// a trailing delimiter) shows the whole entry.
QString FavoriteCaption(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(u'/')) return sys::DisplayFileName(folder);
    return sys::DisplayFileName(folder.mid(folder.lastIndexOf(u'/') + 1));
}

}  // namespace

void TFormOrlisk::RebuildFavoritesMenu() {
    pmMru->Items()->Clear();
    auto* add = new TMenuItem(pmMru);
    add->SetCaption(Language->TranslateUserMessage(QStringLiteral("Add Current Folder")));
    add->SetDefault(true);
    add->OnClick = [this](TComponent* Sender) { AddCurrentFolderToFavorites(Sender); };
    pmMru->Items()->Add(add);
    for (int i = 0; i < Mru->Count(); ++i) {
        auto* item = new TMenuItem(pmMru);
        item->SetCaption(FavoriteCaption(Mru->Strings(i)));
        item->SetTag(i);
        item->OnClick = [this](TComponent* Sender) { FavoriteItemClick(Sender); };
        pmMru->Items()->Add(item);
    }
}

void TFormOrlisk::AddCurrentFolderToFavorites(TComponent*) {
    if (!sys::DirectoryExists(CurrentFolder)) return;
    // A folder already listed keeps its place. Folders compare exactly: "/x/Alpha" and
    // "/x/ALPHA" are two folders here.
    if (Mru->IndexOfExact(CurrentFolder) >= 0) return;
    Mru->Insert(0, CurrentFolder);
    while (Mru->Count() > kMaxFavorites) Mru->Delete(Mru->Count() - 1);
    RebuildFavoritesMenu();
}

void TFormOrlisk::FavoriteItemClick(TComponent* Sender) {
    auto* item = qobject_cast<TMenuItem*>(Sender);
    if (!item || item->Tag() < 0 || item->Tag() >= Mru->Count()) return;
    edPath->SetText(Mru->Strings(item->Tag()));
    const QString folder = edPath->Text();
    if (sys::DirectoryExists(folder)) {
        LoadFolder(folder);
        return;
    }
    // The entry stays: the folder may come back (a drive not yet mounted).
    const QString text = sys::Format(
        Language->TranslateUserMessage(
            QStringLiteral("Cannot open \"%s\". The file or folder has been moved or deleted.")),
        {QVariant(sys::DisplayFileName(folder))});
    MessageBoxW(Handle(), text, std::nullopt, MB_ICONWARNING | MB_OK);
}
