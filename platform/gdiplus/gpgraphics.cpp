// Bitmaps of a size and the graphics object that draws images on them or on a widget.

#include "platform/gdiplus/gpgraphics.h"

#include "platform/gdiplus/gpimage_data.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

using gdiplus_detail::Resample;

TGPBitmap::TGPBitmap(int width, int height, PixelFormat format) {
    if (width <= 0 || height <= 0 || format != PixelFormat32bppARGB) {
        SetStatus(InvalidParameter);
        return;
    }
    QImage pixels(width, height, QImage::Format_ARGB32_Premultiplied);
    if (pixels.isNull()) {
        SetStatus(OutOfMemory);
        return;
    }
    pixels.fill(Qt::transparent);
    Adopt(std::move(pixels));
}

TGPBitmap::TGPBitmap(const QString& fileName, bool useEmbeddedColorManagement)
    : TGPImage(fileName, useEmbeddedColorManagement) {}

TGPBrush::~TGPBrush() = default;

namespace {

Resample ResampleFor(InterpolationMode mode) {
    switch (mode) {
    case InterpolationModeNearestNeighbor: return Resample::Nearest;
    case InterpolationModeHighQuality:
    case InterpolationModeBicubic:
    case InterpolationModeHighQualityBilinear:
    case InterpolationModeHighQualityBicubic: return Resample::Smooth;
    default: return Resample::Bilinear;
    }
}

// Gives an image that is still a file its pixels, so that it can be drawn on.
bool EnsurePixels(TGPImage::Data& d) {
    using Kind = TGPImage::Data::Kind;
    if (d.kind == Kind::Bitmap) return !d.pixels.isNull();
    if (d.kind == Kind::None) return false;
    QImage full = gdiplus_detail::PictureAt(d, static_cast<int>(d.width),
                                            static_cast<int>(d.height), Resample::Nearest);
    if (full.isNull()) return false;
    gdiplus_detail::EnsureProperties(d);  // while the file is still known as a JPEG
    d.pixels = full.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    d.kind = Kind::Bitmap;
    return true;
}

}  // namespace

TGPGraphics::TGPGraphics(TGPImage* image) {
    TGPImage::Data* d = image ? image->GetData() : nullptr;
    if (!d || !EnsurePixels(*d)) {
        SetStatus(InvalidParameter);
        return;
    }
    painter_ = new QPainter(&d->pixels);
    ownsPainter_ = true;
    if (!painter_->isActive()) {
        delete painter_;
        painter_ = nullptr;
        SetStatus(GenericError);
    }
}

TGPGraphics::TGPGraphics(QPainter* canvas) : painter_(canvas) {
    if (!painter_ || !painter_->isActive()) {
        painter_ = nullptr;
        SetStatus(InvalidParameter);
        return;
    }
    painter_->save();
}

TGPGraphics::~TGPGraphics() {
    if (!painter_) return;
    if (ownsPainter_) {
        painter_->end();
        delete painter_;
    } else {
        painter_->restore();
    }
}

GpStatus TGPGraphics::SetStatus(GpStatus s) {
    if (s != Ok) lastStatus_ = s;
    return s;
}

GpStatus TGPGraphics::SetInterpolationMode(InterpolationMode mode) {
    if (!painter_) return SetStatus(InvalidParameter);
    if (mode < InterpolationModeDefault || mode > InterpolationModeHighQualityBicubic)
        return SetStatus(InvalidParameter);
    interpolation_ = mode;
    return Ok;
}

GpStatus TGPGraphics::DrawImage(TGPImage* image, int x, int y, int width, int height) {
    return DrawImage(image, static_cast<float>(x), static_cast<float>(y),
                     static_cast<float>(width), static_cast<float>(height));
}

GpStatus TGPGraphics::DrawImage(TGPImage* image, float x, float y, float width, float height) {
    if (!painter_) return SetStatus(InvalidParameter);
    TGPImage::Data* d = image ? image->GetData() : nullptr;
    if (!d || d->kind == TGPImage::Data::Kind::None || d->width == 0 || d->height == 0)
        return SetStatus(InvalidParameter);
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(width) || !std::isfinite(height))
        return SetStatus(InvalidParameter);
    if (width == 0 || height == 0) return Ok;

    // A negative side mirrors the picture, as GDI+ does.
    const QRectF target = QRectF(x, y, width, height).normalized();
    const QRectF device = painter_->deviceTransform().mapRect(target);
    // The picture is made at the rectangle's pixel size when that is smaller than the
    // image; the painter only enlarges, so memory stays bounded by the image's own size.
    const int w = std::clamp(static_cast<int>(std::lround(device.width())), 1,
                             static_cast<int>(d->width));
    const int h = std::clamp(static_cast<int>(std::lround(device.height())), 1,
                             static_cast<int>(d->height));
    const Resample how = ResampleFor(interpolation_);
    QImage picture = gdiplus_detail::PictureAt(*d, w, h, how);
    if (picture.isNull()) return SetStatus(d->kind == TGPImage::Data::Kind::Jpeg
                                               ? UnknownImageFormat
                                               : GenericError);
    if (width < 0 || height < 0) picture = picture.mirrored(width < 0, height < 0);

    painter_->save();
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, how != Resample::Nearest);
    painter_->drawImage(target, picture);
    painter_->restore();
    return Ok;
}
