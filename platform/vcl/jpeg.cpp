#include "platform/vcl/jpeg.h"

#include "platform/system/jpegheader.h"
#include "platform/system/sysutils.h"

void TJPEGImage::LoadFromFile(const QString& FileName) {
    if (!sys::FileExists(FileName))
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\".").arg(FileName));
    JpegFrameSize size;
    QString error;
    if (!ReadJpegFrameSize(FileName, size, &error)) throw EInvalidGraphic(error);
    width_ = size.width;
    height_ = size.height;
}
