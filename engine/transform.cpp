// The transform driver: the one road to the lossless-transform library.

#include "engine/common.h"
#include "engine/fdstream.h"
#include "platform/gdiplus/gpimage.h"
#include "platform/system/exceptions.h"
#include "platform/system/fileattributes.h"
#include "platform/system/filetimes.h"
#include "platform/system/settingsstore.h"
#include "platform/system/sysutils.h"
#include "platform/vantrel/vantrel.h"
#include "platform/vcl/application.h"
#include "translation/lang.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <vector>

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

}  // namespace

bool IsH2V1Sampled(const QString& FileName) {
    try {
        constexpr size_t kProbe = 32768;
        // Readers share; a writer holding the file makes the probe answer false.
        FdStream file(FileName, false, FdStream::Lock::Shared);
        if (!file.IsOpen()) return false;
        const size_t wanted = static_cast<size_t>(std::min<int64_t>(file.Size(), kProbe));
        std::vector<unsigned char> buffer(kProbe, 0);
        const size_t got = wanted ? file.ReadAt(0, buffer.data(), wanted) : 0;
        if (got != wanted) return false;
        // A plain byte search, not a segment walk: the first baseline frame header
        // with three components wins, an embedded thumbnail's included.
        static const unsigned char sof0[4] = {0xFF, 0xC0, 0x00, 0x11};
        for (size_t p = 0; p + 4 <= got; ++p) {
            if (std::memcmp(buffer.data() + p, sof0, 4) != 0) continue;
            // The first component's sampling byte; beyond the bytes read it is unknown.
            return p + 11 < got && buffer[p + 11] == 0x21;
        }
        return false;
    } catch (...) {
        return false;
    }
}

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

    // 3. Old orientation and pixel size (0 when the file cannot be read as an image).
    TExifOrientation oldOrientation;
    unsigned width;
    unsigned height;
    {
        TGPImage image(FileName);
        oldOrientation = GetImageOrientation(image);
        width = image.GetWidth();
        height = image.GetHeight();
    }

    // 4. Block height: 8 rows for 2x1 chroma sampling, else 16.
    const unsigned blockHeight = IsH2V1Sampled(FileName) ? 8 : 16;

    // 5. Partial edge blocks are dropped by the transform: ask first.
    if ((width % 16 != 0 || height % blockHeight != 0) && askCrop) {
        const QString text = sys::Format(
            T(Language, QStringLiteral("The image %s cannot be rotated fully lossless. Image may be "
                                       "cropped by up to 15 pixels for lossless rotation. Do you "
                                       "want to rotate it anyway?")),
            {sys::ExtractFileName(FileName)});
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

    // 7. A read-only file is made writable, after asking unless silent.
    const std::optional<bool> readOnly = IsReadOnly(FileName);
    if (readOnly && *readOnly) {
        if (!sys::FindCmdLineSwitch(QStringLiteral("s"))) {
            const QString text = sys::Format(
                T(Language,
                  QStringLiteral("Image \"%s\" is read-only. Do you want to rotate it anyway?")),
                {FileName});
            if (MessageBoxW(ParentWnd, text, QString(), MB_YESNO | MB_ICONWARNING) != IDYES)
                return;
        }
        ClearReadOnly(FileName);  // its result is not looked at; the transform decides
    }

    // 8. The lossless transform itself; the file is rewritten in place or unchanged.
    const QByteArray path = QFile::encodeName(FileName);
    uint16_t thumbnail = VT_THUMBNAIL_NONE;
    const uint16_t status = vtJpegLosslessTransformEx(
        path.constData(), static_cast<uint16_t>(Transform & 0xFFFF), &thumbnail);
    if (status != 0)
        throw Exception(T(Language, QStringLiteral("Unable to rotate the image")) +
                        QStringLiteral(": ") + sys::ExtractFileName(FileName));

    // 9. The Orientation entries follow the new pixels (best effort); IFD1's only over
    // a thumbnail that turned with them.
    if (newOrientation > 0)
        WriteExifOrientation(FileName, newOrientation, thumbnail != VT_THUMBNAIL_KEPT);

    // 10. The saved times back; a file that is gone is left alone, a failure to set
    // the times of one that is there raises EOSError.
    if (timesSaved) {
        FileTimes now;
        if (GetFileTimes(FileName, now)) SetFileTimes(FileName, times);
    }
}
