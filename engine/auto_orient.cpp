// The automatic orientation of a folder from the command line, and the rule that
// both batches (this one and the main window's) apply to a photo's orientation.

#include "engine/common.h"
#include "platform/system/sysutils.h"
#include "platform/vcl/application.h"
#include "progress/app_wait.h"
#include "translation/lang.h"

#include <memory>

TTransformCode AutoOrientationCode(TExifOrientation orientation) {
    switch (orientation) {
        case 3: return 2;  // rotate 180
        case 6: return 1;  // rotate 90 clockwise
        case 8: return 3;  // rotate 90 counter-clockwise
        default: return 0;  // upright, unknown or mirrored: left alone
    }
}

namespace {

// The batch's own name in its boxes: fixed, not the application title.
const QString kBatchName = QStringLiteral("Orlisk");

QString T(const TLanguage* language, const QString& text) {
    return language ? language->TranslateUserMessage(text) : text;
}

}  // namespace

void FindPhotosToTurn(const QString& Folder, bool Recurse, TStringList& List) {
    const int first = List.Count();
    FindJpegFiles(Folder, List, Recurse);
    // From the last index down, so that deleting keeps the indexes still to visit.
    for (int i = List.Count() - 1; i >= first; --i)
        if (AutoOrientationCode(GetFileOrientation(List.Strings(i))) == 0) List.Delete(i);
}

QString AutoOrientNoticeText(const TLanguage* Language, const QString& Name) {
    return WrapText(sys::Format(T(Language, QStringLiteral("%s has not detected any images that "
                                                           "can be transformed automatically.")),
                                {Name}));
}

QString AutoOrientQuestionText(const TLanguage* Language, const QString& Name, int Count) {
    // The joined text is the pattern, so a translation may move the placeholders
    // across both sentences.
    const QString pattern =
        T(Language, QStringLiteral("%s has detected %u images that can be automatically "
                                   "transformed to normal orientation.")) +
        QStringLiteral("\r\n\r\n") +
        T(Language, QStringLiteral("Would you like to transform them now?"));
    return WrapText(
        sys::Format(pattern, {Name, QVariant::fromValue(static_cast<qulonglong>(Count))}));
}

QString AutoOrientProgressText(const TLanguage* Language) {
    return T(Language, QStringLiteral("Transformation is in progress..."));
}

void TurnPhotosUpright(const TStringList& List, TProgressWindow& Progress,
                       const std::function<void(const QString&, TTransformCode)>& Transform,
                       const std::function<void(const QString&)>& AfterFile) {
    const int count = List.Count();
    for (int i = 0; i < count; ++i) {
        const QString file = List.Strings(i);
        // Gone since the filter (a folder named like a photo is no file either): passed
        // over without a pump, a cancel test or a step.
        if (!sys::FileExists(file)) continue;
        Application()->ProcessMessages();
        if (Progress.WantCancel()) break;
        // Read again: the file may have changed while the question was open.
        const TTransformCode code = AutoOrientationCode(GetFileOrientation(file));
        if (code != 0) Transform(file, code);
        if (AfterFile) AfterFile(file);
        Progress.SetProgressBy(1);
    }
}

void AutoOrientFolder(const QString& Folder, bool Recurse, TLanguage* Language,
                      bool KeepTimestamp, WindowHandle ParentWnd) {
    const auto list = std::make_unique<TStringList>();
    const bool silent = sys::FindCmdLineSwitch(QStringLiteral("s"));

    FindPhotosToTurn(Folder, Recurse, *list);
    const int count = list->Count();

    if (count == 0) {
        if (!silent)
            MessageBoxW(GetDesktopWindow(), AutoOrientNoticeText(Language, kBatchName), kBatchName,
                        MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (!silent && MessageBoxW(GetDesktopWindow(), AutoOrientQuestionText(Language, kBatchName, count),
                               kBatchName, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;

    const auto progress = std::make_unique<TProgressWindow>(nullptr);
    progress->SetLabelText(AutoOrientProgressText(Language));
    progress->SetProgressBounds(0, count);
    TurnPhotosUpright(
        *list, *progress,
        [&](const QString& file, TTransformCode code) {
            TransformJpeg(Language, file, code, KeepTimestamp, ParentWnd);
        },
        nullptr);
}
