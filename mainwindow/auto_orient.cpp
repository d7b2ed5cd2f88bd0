// "Automatic" on the toolbar: the command line's batch run on the folder the window
// shows, with the window's caption in its texts, the window as owner of its boxes and
// of its progress window, the window's transform call, and a new thumbnail after
// each photo. The scan and filter, the texts, the rule and the loop are the engine's.

#include "engine/common.h"
#include "mainwindow/main.h"
#include "platform/vcl/stdctrls_extra.h"
#include "progress/app_wait.h"

#include <memory>

void TFormOrlisk::tbAutoClick(TComponent*) {
    TStringList list;
    // Before the first folder is shown there is nothing to scan (an empty folder name
    // would scan the root of the file system).
    if (!CurrentFolder.isEmpty()) FindPhotosToTurn(CurrentFolder, cbSubFolders->Checked(), list);
    const int count = list.Count();
    const QString caption = Caption();

    if (count == 0) {
        MessageBoxW(Handle(), AutoOrientNoticeText(Language, caption), caption,
                    MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (MessageBoxW(Handle(), AutoOrientQuestionText(Language, caption, count), caption,
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;

    auto progress = std::make_unique<TProgressWindow>(this);
    progress->SetLabelText(AutoOrientProgressText(Language));
    progress->SetProgressBounds(0, count);
    // The grid is repainted and the progress window goes also after Cancel and when a
    // transform fails. A thumbnail that drops out brings the row and file counts up
    // to date in RefreshThumbnail itself.
    struct AtEnd {
        TFormOrlisk* form;
        std::unique_ptr<TProgressWindow>& progress;
        ~AtEnd() {
            form->DrawGrid->Refresh();
            progress.reset();
        }
    } atEnd{this, progress};
    TurnPhotosUpright(
        list, *progress,
        [this](const QString& file, TTransformCode code) {
            TransformFile(file, static_cast<uint16_t>(code));
        },
        [this](const QString& file) { RefreshThumbnail(file); });
}
