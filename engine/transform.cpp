// The transform driver: the one road to the lossless-transform library.

#include "engine/common.h"
#include "platform/gdiplus/gpimage.h"
#include "platform/system/exceptions.h"
#include "platform/system/fileattributes.h"
#include "platform/system/filenames.h"
#include "platform/system/filetimes.h"
#include "platform/system/jpegheader.h"
#include "platform/system/settingsstore.h"
#include "platform/system/sysutils.h"
#include "platform/vantrel/vantrel.h"
#include "platform/vcl/application.h"
#include "translation/lang.h"

#include <optional>

// Rows: transform code 1..5; columns: old orientation 1..8.
const TExifOrientation OrientationTable[5][8] = {
    {1, 7, 6, 5, 2, 1, 4, 3},  // 1 rotate 90 clockwise
    {1, 4, 1, 2, 7, 8, 5, 6},  // 2 rotate 180
    {1, 5, 8, 7, 4, 3, 2, 1},  // 3 rotate 90 counter-clockwise
    {1, 3, 2, 1, 6, 5, 8, 7},  // 4 flip vertical
    {1, 1, 4, 3, 8, 7, 6, 5},  // 5 flip horizontal
};

namespace {

const QString kMainSection = QStringLiteral("Main");
const QString kDisplayCropWarning = QStringLiteral("DisplayCropWarning");

QString T(const TLanguage* language, const QString& text) {
    return language ? language->TranslateUserMessage(text) : text;
}

Exception UnableToRotate(const TLanguage* language, const QString& fileName) {
    return Exception(T(language, QStringLiteral("Unable to rotate the image")) +
                     QStringLiteral(": ") + sys::DisplayFileName(sys::ExtractFileName(fileName)));
}

}  // namespace

void TransformJpeg(TLanguage* Language, const QString& FileName, TTransformCode Transform,
                   bool KeepTimestamp, WindowHandle ParentWnd) {
    // 1. Whether to ask before cropping; the value is read anew at every call.
    bool askCrop;
    {
        const auto store = OpenRegistrySettings();
        askCrop = store->ReadBool(kMainSection, kDisplayCropWarning, true);
    }
    askCrop = askCrop && !sys::FindCmdLineSwitch(QStringLiteral("s"));

    // 2. The times to give back afterwards. Reading them needs no write access, so a
    // read-only file keeps its times too.
    FileTimes times;
    const bool timesSaved = KeepTimestamp && GetFileTimes(FileName, times);

    // 3. Old orientation (0 when the file cannot be read as an image).
    TExifOrientation oldOrientation;
    {
        TGPImage image(FileName);
        oldOrientation = GetImageOrientation(image);
    }

    // 4. and 5. The transform drops the partial blocks at the right and bottom edges
    // (a picture smaller than one block keeps its only one): ask first. The block is
    // the main picture's, whatever an embedded thumbnail's frame says; a file without
    // a frame header that can be read cannot be transformed, so nothing is asked.
    JpegFrameSize frame;
    const auto drops = [](int size, int block) { return size > block && size % block != 0; };
    const bool crops = ReadJpegFrameSize(FileName, frame) &&
                       (drops(frame.width, frame.blockWidth) || drops(frame.height, frame.blockHeight));
    if (crops && askCrop) {
        const QString text = sys::Format(
            T(Language, QStringLiteral("The image %s cannot be rotated fully lossless. Image may be "
                                       "cropped by up to 15 pixels for lossless rotation. Do you "
                                       "want to rotate it anyway?")),
            {sys::DisplayFileName(sys::ExtractFileName(FileName))});
        const CheckedAnswer answer = Dialogs().CropDialog(
            ParentWnd, text, T(Language, QStringLiteral("Don't ask again")), Application()->Title());
        if (answer.answer != IDOK) return;
        const auto store = OpenRegistrySettings();
        if (answer.checked) store->WriteBool(kMainSection, kDisplayCropWarning, false);
    }

    // 6. The orientation to write afterwards.
    TExifOrientation newOrientation = 0;
    if (oldOrientation >= 1 && oldOrientation <= 8) {
        if (Transform < 1 || Transform > 5) throw Exception(QStringLiteral("Internal error"));
        newOrientation = OrientationTable[Transform - 1][oldOrientation - 1];
    }

    // Only a regular file is turned: a FIFO, socket or device named like a photo is
    // refused before its mode is touched (and before a question is asked about it).
    if (!sys::FileExists(FileName)) throw UnableToRotate(Language, FileName);

    // 7. A read-only file is made writable, after asking unless silent.
    const std::optional<bool> readOnly = IsReadOnly(FileName);
    if (readOnly && *readOnly) {
        if (!sys::FindCmdLineSwitch(QStringLiteral("s"))) {
            const QString text = sys::Format(
                T(Language,
                  QStringLiteral("Image \"%s\" is read-only. Do you want to rotate it anyway?")),
                {sys::DisplayFileName(FileName)});
            if (MessageBoxW(ParentWnd, text, QString(), MB_YESNO | MB_ICONWARNING) != IDYES)
                return;
        }
        ClearReadOnly(FileName);  // its result is not looked at; the transform decides
    }

    // 8. The lossless transform itself; the file is rewritten in place or unchanged.
    const QByteArray path = sys::EncodeFileName(FileName);
    uint16_t thumbnail = VT_THUMBNAIL_NONE;
    const uint16_t status = vtJpegLosslessTransformEx(
        path.constData(), static_cast<uint16_t>(Transform & 0xFFFF), &thumbnail);
    if (status != 0) throw UnableToRotate(Language, FileName);

    // 9. The Orientation entries follow the new pixels, the further pictures' too
    // (best effort); IFD1's only over a thumbnail that turned with them.
    WriteExifOrientation(FileName, newOrientation, Transform, thumbnail != VT_THUMBNAIL_KEPT);

    // 10. The saved times back; a file that is gone, or whose times this user may not
    // set (another user's writable photo), is left alone: the turn stands. Any other
    // failure to set the times raises EOSError.
    if (timesSaved) {
        FileTimes now;
        if (GetFileTimes(FileName, now)) (void)SetFileTimes(FileName, times);
    }
}
