// Commands on the selected photos: view in the default application, rotate and flip
// losslessly (five actions, one handler), move to the trash, and the warning for a
// photo that is gone.

#include "mainwindow/main.h"

#include "engine/common.h"
#include "platform/system/filenames.h"
#include "platform/system/sysutils.h"
#include "platform/system/trash.h"
#include "platform/vcl/actions.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/shell.h"
#include "translation/lang.h"

#include <QStringList>
#include <algorithm>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

// The entry index of every cell of a selection, row by row and left to right within
// a row: always increasing, since a row's last cell comes before the next row's first.
std::vector<long long> SelectedIndexes(const TGridRect& selection, int colCount) {
    std::vector<long long> indexes;
    for (int row = selection.Top; row <= selection.Bottom; ++row)
        for (int col = selection.Left; col <= selection.Right; ++col)
            indexes.push_back(col + static_cast<long long>(row) * colCount);
    return indexes;
}

// A file by device and inode, links followed: two cells may name one file by
// different paths (a link, a second hard link). None when it cannot be read.
using FileId = std::pair<dev_t, ino_t>;
std::optional<FileId> IdOf(const QString& path) {
    struct stat st {};
    if (::stat(sys::EncodeFileName(path).constData(), &st) != 0) return std::nullopt;
    return FileId{st.st_dev, st.st_ino};
}

}  // namespace

void TFormOrlisk::ActionOpenExecute(TComponent*) {
    if (sys::FileExists(FileName))
        ShellOpen(Handle(), FileName);  // the desktop's choice; no message of ours
    else
        ShowCannotOpen(FileName);
}

void TFormOrlisk::ActionRotate(TComponent* Sender) {
    const uint16_t code = static_cast<uint16_t>(Sender->Tag());
    // The photos selected now are the ones transformed, even when a thumbnail that
    // cannot be made again drops out during the loop and the later photos move one
    // cell back (and the rows shrink with them): each cell is looked up where its
    // photo stands now. Entries drop only at or before the cell just visited, and
    // the cells come in increasing order, so the shift is the number dropped so far.
    const std::vector<long long> cells =
        SelectedIndexes(DrawGrid->Selection(), DrawGrid->ColCount());
    long long dropped = 0;
    // Each file is turned once, however many cells show it; every such cell's
    // thumbnail is made again.
    std::set<FileId> turned;
    for (const long long cell : cells) {
        const long long index = cell - dropped;
        const int colCount = DrawGrid->ColCount();
        bool canSelect = true;
        DrawGridSelectCell(DrawGrid, static_cast<int>(index % colCount),
                           static_cast<int>(index / colCount), canSelect);
        if (sys::FileExists(FileName)) {
            const std::optional<FileId> id = IdOf(FileName);
            if (!id || turned.insert(*id).second) {
                TransformFile(FileName, code);
                // The turned file may be a new inode under the same name.
                if (const std::optional<FileId> after = IdOf(FileName)) turned.insert(*after);
            }
        } else if (!FileName.isEmpty())
            ShowCannotOpen(FileName);  // gone since the cell was selected
        const int before = Images->Count();
        RefreshThumbnail(FileName);
        dropped += std::max(0, before - Images->Count());
    }
    DrawGrid->Refresh();
}

void TFormOrlisk::ActionDeleteExecute(TComponent*) {
    // Every selected name goes to the trash once: two cells may name one entry of one
    // folder by different paths (the folder reached through a link). Two names of one
    // file (a link, a hard link) are two entries, and both go.
    QStringList selected, paths;
    std::set<std::pair<FileId, QString>> entries;
    for (const long long cell : SelectedIndexes(DrawGrid->Selection(), DrawGrid->ColCount())) {
        const int colCount = DrawGrid->ColCount();
        bool canSelect = true;
        DrawGridSelectCell(DrawGrid, static_cast<int>(cell % colCount),
                           static_cast<int>(cell / colCount), canSelect);
        if (!sys::FileExists(FileName)) continue;
        selected.append(FileName);
        const std::optional<FileId> folder = IdOf(sys::ExtractFilePath(FileName));
        if (!folder || entries.insert({*folder, sys::ExtractFileName(FileName)}).second)
            paths.append(FileName);
    }

    if (!paths.isEmpty()) {
        bool go = true;
        if (pmiDeleteConfirm->Checked()) {
            // One question for the whole selection.
            const QString question =
                paths.size() == 1
                    ? sys::Format(Language->TranslateUserMessage(
                                      QStringLiteral("Do you want to move \"%s\" to the trash?")),
                                  {sys::DisplayFileName(sys::ExtractFileName(paths.first()))})
                    : sys::Format(Language->TranslateUserMessage(QStringLiteral(
                                      "Do you want to move these %u photos to the trash?")),
                                  {static_cast<unsigned>(paths.size())});
            go = Dialogs().ConfirmTrash(Handle(), question, Caption());
        }
        if (go) {
            QStringList kept;
            for (const QString& path : paths) {
                const TrashResult result = MoveToTrash(path);
                if (!result.Ok)
                    kept.append(sys::DisplayFileName(sys::ExtractFileName(path)) + QStringLiteral(": ") +
                               result.Reason);
            }
            // Whatever no longer exists leaves the grid; what could not be trashed
            // keeps its thumbnail.
            for (const QString& path : selected) {
                if (sys::FileExists(path)) continue;
                const int i = Images->IndexOfExact(path);
                if (i < 0) continue;
                delete Images->Objects(i);
                Images->SetObject(i, nullptr);
                Images->Delete(i);
            }
            if (!kept.isEmpty()) {
                MessageBoxW(Handle(),
                            Language->TranslateUserMessage(QStringLiteral(
                                "These photos could not be moved to the trash and stay where they are:")) +
                                QStringLiteral("\r\n\r\n") + kept.join(QStringLiteral("\r\n")),
                            Caption(), MB_OK | MB_ICONWARNING);
            }
        }
    }
    UpdateRowAndFileCount();
    // The current cell may now show another photo: the commands act on that one.
    bool canSelect = true;
    DrawGridSelectCell(DrawGrid, DrawGrid->Col(), DrawGrid->Row(), canSelect);
    DrawGrid->Refresh();
}

void TFormOrlisk::TransformFile(const QString& Path, uint16_t Code) {
    TransformJpeg(Language, Path, Code, pmiKeepTimestamp->Checked(), Handle());
}

void TFormOrlisk::ShowCannotOpen(const QString& Path) {
    MessageBoxW(Handle(),
                sys::Format(Language->TranslateUserMessage(QStringLiteral(
                                "Cannot open \"%s\". The file or folder has been moved or deleted.")),
                            {sys::DisplayFileName(sys::ExtractFileName(Path))}),
                std::nullopt, MB_OK | MB_ICONWARNING);
}
