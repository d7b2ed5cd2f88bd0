#pragma once
// Image services, drawing side: bitmaps of a size, a graphics object on a bitmap or on
// a widget being painted, fonts, solid brushes and string formats. As everywhere in the
// image services, failures are statuses kept in the object; nothing is raised.

#include "platform/gdiplus/gpimage.h"

#include <QFont>
#include <QString>
#include <cstdint>

class QPainter;

enum PixelFormat : int32_t { PixelFormat32bppARGB = 0x26200A };

enum InterpolationMode : int {
    InterpolationModeDefault = 0,
    InterpolationModeLowQuality = 1,
    InterpolationModeHighQuality = 2,
    InterpolationModeBilinear = 3,
    InterpolationModeBicubic = 4,
    InterpolationModeNearestNeighbor = 5,
    InterpolationModeHighQualityBilinear = 6,
    InterpolationModeHighQualityBicubic = 7,
};

enum FontStyle : int {
    FontStyleRegular = 0,
    FontStyleBold = 1,
    FontStyleItalic = 2,
    FontStyleBoldItalic = 3,
    FontStyleUnderline = 4,
    FontStyleStrikeout = 8,
};

enum Unit : int {
    UnitWorld = 0,
    UnitDisplay = 1,
    UnitPixel = 2,
    UnitPoint = 3,
    UnitInch = 4,
    UnitDocument = 5,
    UnitMillimeter = 6,
};

enum StringTrimming : int {
    StringTrimmingNone = 0,
    StringTrimmingCharacter = 1,
    StringTrimmingWord = 2,
    StringTrimmingEllipsisCharacter = 3,
    StringTrimmingEllipsisWord = 4,
    StringTrimmingEllipsisPath = 5,
};

enum StringAlignment : int {
    StringAlignmentNear = 0,
    StringAlignmentCenter = 1,
    StringAlignmentFar = 2,
};

enum StringFormatFlags : int {
    StringFormatFlagsNoWrap = 0x1000,
    StringFormatFlagsNoClip = 0x4000,
};

struct TGPRectF {
    float X, Y, Width, Height;
};

// A bitmap in memory.
class TGPBitmap : public TGPImage {
public:
    // Transparent 32-bit ARGB of width x height; a side <= 0 (or a bitmap too large to
    // allocate) fails: the status is set and it draws nothing.
    TGPBitmap(int width, int height, PixelFormat format);
    // A bitmap of a file's picture, decoded when first used.
    explicit TGPBitmap(const QString& fileName, bool useEmbeddedColorManagement = false);

private:
    friend class TGPImage;  // GetThumbnailImage fills one
    TGPBitmap() = default;
};

// A font; a family that is not installed ("MS Shell Dlg 2", "Tahoma") is the default
// sans-serif. Sizes are in `unit` at 96 dots per inch.
class TGPFont : public TObject {
public:
    TGPFont(const QString& familyName, float emSize, int style = FontStyleRegular,
            int unit = UnitPoint);
    GpStatus GetLastStatus() const { return lastStatus_; }
    const QFont& Font() const { return font_; }

private:
    QFont font_;
    GpStatus lastStatus_ = Ok;
};

class TGPBrush : public TObject {
public:
    ~TGPBrush() override;
    // The colour as 0xAARRGGBB.
    virtual uint32_t Argb() const = 0;
};

class TGPSolidBrush : public TGPBrush {
public:
    explicit TGPSolidBrush(uint32_t argb) : argb_(argb) {}
    uint32_t Argb() const override { return argb_; }

private:
    uint32_t argb_;
};

// How a text sits in its layout rectangle: no trimming, near (left, top) alignment,
// wrapped at words, clipped to the rectangle, unless set otherwise.
class TGPStringFormat : public TObject {
public:
    explicit TGPStringFormat(int formatFlags = 0, int language = 0);
    GpStatus SetTrimming(StringTrimming trimming);
    GpStatus SetAlignment(StringAlignment align);
    GpStatus SetLineAlignment(StringAlignment align);
    StringTrimming GetTrimming() const { return trimming_; }
    StringAlignment GetAlignment() const { return alignment_; }
    StringAlignment GetLineAlignment() const { return lineAlignment_; }
    int GetFormatFlags() const { return flags_; }

private:
    int flags_;
    StringTrimming trimming_ = StringTrimmingNone;
    StringAlignment alignment_ = StringAlignmentNear;
    StringAlignment lineAlignment_ = StringAlignmentNear;
};

class TGPGraphics : public TObject {
public:
    // Draws into a bitmap (a TGPBitmap, or an image that has one); any other image,
    // or a failed bitmap, gives a graphics whose operations fail.
    explicit TGPGraphics(TGPImage* image);
    // Draws on a widget being painted; the painter's state is restored at the end.
    explicit TGPGraphics(QPainter* canvas);
    ~TGPGraphics() override;

    GpStatus SetInterpolationMode(InterpolationMode mode);
    InterpolationMode GetInterpolationMode() const { return interpolation_; }

    // The whole image scaled into the rectangle. A JPEG is decoded at the smallest DCT
    // scale that still covers the rectangle's pixels, then resampled.
    GpStatus DrawImage(TGPImage* image, float x, float y, float width, float height);
    GpStatus DrawImage(TGPImage* image, int x, int y, int width, int height);

    // `length` characters of `text` (-1: all of it) in the layout rectangle.
    GpStatus DrawString(const QString& text, int length, const TGPFont* font,
                        const TGPRectF& layoutRect, const TGPStringFormat* format,
                        const TGPBrush* brush);

    GpStatus GetLastStatus() const { return lastStatus_; }

private:
    GpStatus SetStatus(GpStatus s);

    QPainter* painter_ = nullptr;
    bool ownsPainter_ = false;
    InterpolationMode interpolation_ = InterpolationModeDefault;
    GpStatus lastStatus_ = Ok;
};
