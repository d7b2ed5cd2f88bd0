// Image services, drawing side: thumbnails, bitmaps, drawing images and text, on real
// JPEG files written by the tests.

#include "platform/gdiplus/gpgraphics.h"
#include "platform/gdiplus/gpimage_data.h"
#include "tests/support/files.h"
#include "tests/support/photos.h"

#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <memory>
#include <turbojpeg.h>

using namespace testsupport;

namespace {

const QColor kRed(220, 30, 30), kGreen(30, 200, 40), kBlue(30, 40, 220), kWhite(245, 245, 245);

// A picture in four coloured quadrants, so that a swapped channel, a flip or a
// transposition shows.
QImage Quadrants(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(0, 0, w / 2, h / 2, kRed);
    p.fillRect(w / 2, 0, w - w / 2, h / 2, kGreen);
    p.fillRect(0, h / 2, w / 2, h - h / 2, kBlue);
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, kWhite);
    return image;
}

QImage Solid(int w, int h, const QColor& c) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(c);
    return image;
}

QByteArray Encode(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    tjhandle tj = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int rc = tjCompress2(tj, rgb.constBits(), rgb.width(), static_cast<int>(rgb.bytesPerLine()),
                               rgb.height(), TJPF_BGRX, &out, &size, TJSAMP_420, 92, 0);
    QByteArray bytes = rc == 0 ? QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size))
                               : QByteArray();
    tjFree(out);
    tjDestroy(tj);
    return bytes;
}

// The JPEG with an EXIF APP1 (carrying `thumbnail` in IFD1 when given) after SOI.
QByteArray WithExif(const QByteArray& jpeg, const QByteArray& thumbnail) {
    TiffBuilder t;
    const int ifd0 = t.AddIfd();
    t.Ascii(ifd0, 0x010F, "TestCam");
    if (!thumbnail.isEmpty()) {
        const int ifd1 = t.AddIfd();
        t.Link(ifd0, ifd1);
        t.Short(ifd1, 0x0103, 6);
        t.Thumbnail(ifd1, thumbnail);
    }
    const QByteArray payload = ExifPayload(t.Build());
    QByteArray segment("\xFF\xE1", 2);
    const int length = static_cast<int>(payload.size()) + 2;
    segment.append(static_cast<char>(length >> 8)).append(static_cast<char>(length & 0xFF));
    return jpeg.left(2) + segment + payload + jpeg.mid(2);
}

bool Near(QRgb px, const QColor& c, int tolerance = 24) {
    return std::abs(qRed(px) - c.red()) <= tolerance && std::abs(qGreen(px) - c.green()) <= tolerance &&
           std::abs(qBlue(px) - c.blue()) <= tolerance;
}

const QImage& Pixels(TGPImage& image) { return image.GetData()->pixels; }

// Checks the four quadrant colours of a picture drawn at (x, y, w, h) in `canvas`.
void ExpectQuadrants(const QImage& canvas, int x, int y, int w, int h) {
    EXPECT_TRUE(Near(canvas.pixel(x + w / 4, y + h / 4), kRed)) << std::hex << canvas.pixel(x + w / 4, y + h / 4);
    EXPECT_TRUE(Near(canvas.pixel(x + 3 * w / 4, y + h / 4), kGreen));
    EXPECT_TRUE(Near(canvas.pixel(x + w / 4, y + 3 * h / 4), kBlue));
    EXPECT_TRUE(Near(canvas.pixel(x + 3 * w / 4, y + 3 * h / 4), kWhite));
}

}  // namespace

// ---- JPEG decoding at the drawn size ---------------------------------------------------

TEST(GpDecode, SmallestDctScaleThatCoversTheRectangle) {
    const QByteArray jpeg = Encode(Quadrants(1600, 1200));
    using gdiplus_detail::DecodeJpegCovering;
    EXPECT_EQ(DecodeJpegCovering(jpeg, 143, 107).size(), QSize(200, 150));   // 1/8
    EXPECT_EQ(DecodeJpegCovering(jpeg, 300, 200).size(), QSize(400, 300));   // 2/8
    EXPECT_EQ(DecodeJpegCovering(jpeg, 201, 10).size(), QSize(400, 300));    // width decides
    EXPECT_EQ(DecodeJpegCovering(jpeg, 1500, 1100).size(), QSize(1600, 1200));
    // Larger than the photo: its own size, never an enlarged decode.
    EXPECT_EQ(DecodeJpegCovering(jpeg, 4000, 3000).size(), QSize(1600, 1200));
}

TEST(GpDecode, FailureDoesNotCarryIntoTheNextFile) {
    const QByteArray good = Encode(Quadrants(64, 48));
    QByteArray broken = good;
    broken[broken.indexOf("\xFF\xC0", 2) + 1] = '\x77';  // SOF0 becomes an unknown marker
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(gdiplus_detail::DecodeJpegCovering(broken, 8, 8).isNull());
        EXPECT_TRUE(gdiplus_detail::DecodeJpegCovering("not a jpeg", 8, 8).isNull());
        const QImage ok = gdiplus_detail::DecodeJpegCovering(good, 64, 48);
        ASSERT_EQ(ok.size(), QSize(64, 48));
        EXPECT_TRUE(Near(ok.pixel(8, 8), kRed));
    }
}

TEST(GpDecode, CmykJpegDecodesThroughTheFallback) {
    TempDir dir;
    JpegSpec spec;
    spec.width = 160;
    spec.height = 96;
    spec.sampling = Sampling::Cmyk;
    const QImage image = gdiplus_detail::DecodeJpegCovering(MakeJpeg(spec), 20, 12);
    EXPECT_EQ(image.size(), QSize(20, 12));
}

// ---- bitmaps and graphics --------------------------------------------------------------

TEST(GpBitmap, OfASizeIsTransparentArgb) {
    TGPBitmap bitmap(7, 5, PixelFormat32bppARGB);
    EXPECT_EQ(bitmap.GetLastStatus(), Ok);
    EXPECT_EQ(bitmap.GetWidth(), 7u);
    EXPECT_EQ(bitmap.GetHeight(), 5u);
    EXPECT_EQ(Pixels(bitmap).pixel(3, 2), 0u);
}

TEST(GpBitmap, SideOfZeroFailsAndDrawsNothing) {
    for (auto [w, h] : {std::pair{0, 10}, std::pair{10, 0}, std::pair{-3, 4}}) {
        TGPBitmap failed(w, h, PixelFormat32bppARGB);
        EXPECT_NE(failed.GetLastStatus(), Ok);
        EXPECT_EQ(failed.GetWidth(), 0u);
        TGPGraphics onFailed(&failed);
        EXPECT_NE(onFailed.GetLastStatus(), Ok);
        EXPECT_NE(onFailed.SetInterpolationMode(InterpolationModeLowQuality), Ok);

        TGPBitmap target(10, 10, PixelFormat32bppARGB);
        TGPGraphics g(&target);
        EXPECT_NE(g.DrawImage(&failed, 0, 0, 10, 10), Ok);
        EXPECT_NE(g.GetLastStatus(), Ok);
        EXPECT_EQ(Pixels(target).pixel(5, 5), 0u);
    }
}

TEST(GpGraphics, JpegDrawnIntoASmallerBitmap) {
    TempDir dir;
    WriteFile(dir.File("q.jpg"), Encode(Quadrants(800, 600)));
    TGPImage photo(dir.File("q.jpg"));
    ASSERT_EQ(photo.GetWidth(), 800u);
    TGPBitmap thumb(143, 107, PixelFormat32bppARGB);
    {
        TGPGraphics g(&thumb);
        EXPECT_EQ(g.SetInterpolationMode(InterpolationModeLowQuality), Ok);
        EXPECT_EQ(g.DrawImage(&photo, 0, 0, 143, 107), Ok);
        EXPECT_EQ(g.GetLastStatus(), Ok);
    }
    ExpectQuadrants(Pixels(thumb), 0, 0, 143, 107);
    EXPECT_EQ(qAlpha(Pixels(thumb).pixel(142, 106)), 255);
}

TEST(GpGraphics, EveryInterpolationModeDrawsAndBadOnesAreRefused) {
    TempDir dir;
    WriteFile(dir.File("q.jpg"), Encode(Quadrants(320, 240)));
    TGPImage photo(dir.File("q.jpg"));
    for (InterpolationMode mode : {InterpolationModeDefault, InterpolationModeLowQuality,
                                   InterpolationModeHighQuality, InterpolationModeNearestNeighbor,
                                   InterpolationModeHighQualityBicubic}) {
        TGPBitmap thumb(40, 30, PixelFormat32bppARGB);
        TGPGraphics g(&thumb);
        EXPECT_EQ(g.SetInterpolationMode(mode), Ok);
        EXPECT_EQ(g.DrawImage(&photo, 0.0f, 0.0f, 40.0f, 30.0f), Ok);
        ExpectQuadrants(Pixels(thumb), 0, 0, 40, 30);
    }
    TGPBitmap thumb(4, 4, PixelFormat32bppARGB);
    TGPGraphics g(&thumb);
    EXPECT_EQ(g.SetInterpolationMode(static_cast<InterpolationMode>(42)), InvalidParameter);
    EXPECT_EQ(g.GetInterpolationMode(), InterpolationModeDefault);
}

TEST(GpGraphics, PhotoSmallerThanTheRectangleIsEnlarged) {
    TempDir dir;
    WriteFile(dir.File("s.jpg"), Encode(Quadrants(40, 30)));
    TGPImage photo(dir.File("s.jpg"));
    TGPBitmap big(200, 150, PixelFormat32bppARGB);
    TGPGraphics(&big).DrawImage(&photo, 0, 0, 200, 150);
    ExpectQuadrants(Pixels(big), 0, 0, 200, 150);
}

TEST(GpGraphics, OtherFormatsAndBrokenFiles) {
    TempDir dir;
    // A PNG under a JPEG name is drawn like any photo.
    Quadrants(60, 40).save(dir.File("png.jpg"), "PNG");
    TGPImage png(dir.File("png.jpg"));
    TGPBitmap a(30, 20, PixelFormat32bppARGB);
    EXPECT_EQ(TGPGraphics(&a).DrawImage(&png, 0, 0, 30, 20), Ok);
    ExpectQuadrants(Pixels(a), 0, 0, 30, 20);

    // A truncated JPEG shows what it holds.
    const QByteArray whole = Encode(Quadrants(400, 300));
    WriteFile(dir.File("cut.jpg"), whole.left(whole.size() * 2 / 3));
    TGPImage cut(dir.File("cut.jpg"));
    TGPBitmap b(40, 30, PixelFormat32bppARGB);
    EXPECT_EQ(TGPGraphics(&b).DrawImage(&cut, 0, 0, 40, 30), Ok);
    EXPECT_TRUE(Near(Pixels(b).pixel(10, 7), kRed));

    // Not an image, a missing file, a file that went away after it was opened.
    WriteFile(dir.File("text.jpg"), "hello");
    WriteFile(dir.File("gone.jpg"), whole);
    TGPImage text(dir.File("text.jpg")), missing(dir.File("none.jpg")), gone(dir.File("gone.jpg"));
    QFile::remove(dir.File("gone.jpg"));
    for (TGPImage* bad : {&text, &missing, &gone}) {
        TGPBitmap c(10, 10, PixelFormat32bppARGB);
        TGPGraphics g(&c);
        EXPECT_NE(g.DrawImage(bad, 0, 0, 10, 10), Ok);
        EXPECT_EQ(Pixels(c).pixel(5, 5), 0u);
    }
}

TEST(GpGraphics, OnAPainterDrawsAtTheOffsetAndRestoresThePainter) {
    TempDir dir;
    WriteFile(dir.File("q.jpg"), Encode(Quadrants(400, 300)));
    TGPImage photo(dir.File("q.jpg"));
    QImage canvas(300, 200, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    painter.setPen(Qt::yellow);
    {
        TGPGraphics g(&painter);
        g.SetInterpolationMode(InterpolationModeHighQuality);
        EXPECT_EQ(g.DrawImage(&photo, 50.0f, 40.0f, 80.0f, 60.0f), Ok);
    }
    EXPECT_EQ(painter.pen().color(), QColor(Qt::yellow));
    painter.end();
    ExpectQuadrants(canvas, 50, 40, 80, 60);
    EXPECT_EQ(canvas.pixel(49, 39), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.pixel(131, 101), qRgb(0, 0, 0));

    // A bitmap drawn at its own size, as the grid draws thumbnails.
    TGPBitmap thumb(80, 60, PixelFormat32bppARGB);
    TGPGraphics(&thumb).DrawImage(&photo, 0, 0, 80, 60);
    QImage again(100, 100, QImage::Format_ARGB32_Premultiplied);
    again.fill(Qt::black);
    QPainter p2(&again);
    EXPECT_EQ(TGPGraphics(&p2).DrawImage(&thumb, 10.0f, 5.0f, 80.0f, 60.0f), Ok);
    p2.end();
    EXPECT_EQ(again.pixel(30, 20), Pixels(thumb).pixel(20, 15));
}

// ---- thumbnails ------------------------------------------------------------------------

TEST(GpThumbnail, FromTheEmbeddedThumbnailWhenThereIsOne) {
    TempDir dir;
    const QByteArray embedded = Encode(Solid(160, 120, kGreen));
    WriteFile(dir.File("t.jpg"), WithExif(Encode(Quadrants(800, 600)), embedded));
    TGPImage photo(dir.File("t.jpg"));
    std::unique_ptr<TGPImage> thumb(photo.GetThumbnailImage(143, 107));
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->GetLastStatus(), Ok);
    EXPECT_EQ(thumb->GetWidth(), 143u);
    EXPECT_EQ(thumb->GetHeight(), 107u);
    // Green all over: the embedded picture, not the photo's quadrants.
    EXPECT_TRUE(Near(Pixels(*thumb).pixel(20, 20), kGreen));
    EXPECT_TRUE(Near(Pixels(*thumb).pixel(120, 90), kGreen));
}

TEST(GpThumbnail, FromThePhotoWithoutOneOrWhenItIsBrokenOrOfAnotherShape) {
    TempDir dir;
    WriteFile(dir.File("plain.jpg"), WithExif(Encode(Quadrants(800, 600)), QByteArray()));
    WriteFile(dir.File("badthumb.jpg"), WithExif(Encode(Quadrants(800, 600)), "\xFF\xD8garbage"));
    // A turn that could not turn the thumbnail: a landscape one in a portrait photo,
    // and the reverse.
    WriteFile(dir.File("portrait.jpg"),
              WithExif(Encode(Quadrants(600, 800)), Encode(Solid(160, 120, kGreen))));
    WriteFile(dir.File("landscape.jpg"),
              WithExif(Encode(Quadrants(800, 600)), Encode(Solid(120, 160, kGreen))));
    const struct {
        const char* name;
        unsigned w, h;
    } rows[] = {{"plain.jpg", 80, 60}, {"badthumb.jpg", 80, 60}, {"portrait.jpg", 60, 80},
                {"landscape.jpg", 80, 60}};
    for (const auto& row : rows) {
        TGPImage photo(dir.File(row.name));
        std::unique_ptr<TGPImage> thumb(photo.GetThumbnailImage(row.w, row.h));
        EXPECT_EQ(thumb->GetLastStatus(), Ok) << row.name;
        SCOPED_TRACE(row.name);
        ExpectQuadrants(Pixels(*thumb), 0, 0, static_cast<int>(row.w), static_cast<int>(row.h));
    }
}

TEST(GpThumbnail, FailuresGiveAnObjectWithAStatus) {
    TempDir dir;
    WriteFile(dir.File("q.jpg"), Encode(Quadrants(80, 60)));
    TGPImage photo(dir.File("q.jpg"));
    TGPImage missing(dir.File("none.jpg"));
    std::unique_ptr<TGPImage> zero(photo.GetThumbnailImage(0, 10));
    std::unique_ptr<TGPImage> ofMissing(missing.GetThumbnailImage(10, 10));
    for (TGPImage* t : {zero.get(), ofMissing.get()}) {
        ASSERT_TRUE(t);
        EXPECT_NE(t->GetLastStatus(), Ok);
        EXPECT_EQ(t->GetWidth(), 0u);
        TGPBitmap target(10, 10, PixelFormat32bppARGB);
        EXPECT_NE(TGPGraphics(&target).DrawImage(t, 0, 0, 10, 10), Ok);
    }
}

// ---- text ------------------------------------------------------------------------------

namespace {

// The columns and rows that hold ink of the given colour's dominant channel.
QRect Ink(const QImage& image, bool (*isInk)(QRgb)) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (isInk(image.pixel(x, y))) box |= QRect(x, y, 1, 1);
    return box;
}

bool RedInk(QRgb p) { return qRed(p) > 120 && qGreen(p) < 80 && qBlue(p) < 80; }
bool AnyInk(QRgb p) { return qRed(p) > 60 || qGreen(p) > 60 || qBlue(p) > 60; }

QImage DrawText(const QString& text, const TGPRectF& rect, StringTrimming trimming,
                StringAlignment align, uint32_t argb, QSize size = QSize(300, 60)) {
    QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    TGPFont font("MS Shell Dlg 2", 8.0f, FontStyleRegular, UnitPoint);
    TGPSolidBrush brush(argb);
    TGPStringFormat format(0, 0);
    format.SetTrimming(trimming);
    format.SetAlignment(align);
    TGPGraphics g(&painter);
    EXPECT_EQ(g.DrawString(text, static_cast<int>(text.size()), &font, rect, &format, &brush), Ok);
    return canvas;
}

}  // namespace

TEST(GpFont, MissingFamiliesFallBackToTheDefaultSansSerif) {
    for (const char* family : {"MS Shell Dlg 2", "Tahoma"}) {
        TGPFont font(family, 8.0f, FontStyleRegular, UnitPoint);
        EXPECT_EQ(font.GetLastStatus(), Ok);
        EXPECT_TRUE(QFontDatabase::hasFamily(font.Font().family())) << family;
        EXPECT_EQ(font.Font().pixelSize(), 11);  // 8 points at 96 dots per inch
    }
    TGPFont bold("DejaVu Sans", 12.0f, FontStyleBold, UnitPixel);
    EXPECT_EQ(bold.Font().pixelSize(), 12);
    EXPECT_TRUE(bold.Font().bold());
    EXPECT_NE(TGPFont("Sans", 0.0f).GetLastStatus(), Ok);
    EXPECT_NE(TGPFont("Sans", 8.0f, 0, 42).GetLastStatus(), Ok);
}

TEST(GpDrawString, ShortTextIsCentredInTheBrushColour) {
    const TGPRectF rect {20, 10, 200, 15};
    const QImage canvas = DrawText("abc.jpg", rect, StringTrimmingEllipsisCharacter,
                                   StringAlignmentCenter, 0xFFFF0000);
    const QRect ink = Ink(canvas, RedInk);
    ASSERT_FALSE(ink.isEmpty());
    // Only red ink (the GDI+ colour 0xFFFF0000), centred between the rectangle's edges.
    EXPECT_TRUE(Ink(canvas, [](QRgb p) { return qGreen(p) > 40 || qBlue(p) > 40; }).isEmpty());
    EXPECT_NEAR(ink.center().x(), 20 + 100, 3);
    EXPECT_GE(ink.top(), 10);
    EXPECT_LE(ink.bottom(), 25);
}

TEST(GpDrawString, LongTextIsCutWithAnEllipsisInsideTheRectangle) {
    const QString name = "a_very_long_file_name_that_does_not_fit_in_any_cell_of_the_grid.jpg";
    const TGPRectF rect {10, 10, 120, 15};
    const QImage cut = DrawText(name, rect, StringTrimmingEllipsisCharacter, StringAlignmentCenter,
                                0xFFFFFFFF);
    const QRect ink = Ink(cut, AnyInk);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.left(), 10);
    EXPECT_LE(ink.right(), 130);
    EXPECT_GE(ink.top(), 10);
    EXPECT_LE(ink.bottom(), 25);
    // The ellipsis fills the line to its end; the text does not simply run out.
    EXPECT_GT(ink.right(), 118);
    const QImage plain = DrawText(name, rect, StringTrimmingCharacter, StringAlignmentCenter, 0xFFFFFFFF);
    EXPECT_NE(cut, plain);

    // Without a layout width the whole text is drawn on one line.
    const QImage free = DrawText(name, TGPRectF {0, 10, 0, 0}, StringTrimmingEllipsisCharacter,
                                 StringAlignmentNear, 0xFFFFFFFF, QSize(600, 60));
    EXPECT_GT(Ink(free, AnyInk).width(), 300);
}

TEST(GpDrawString, LengthLimitsTheTextAndBadArgumentsFail) {
    QImage canvas(100, 30, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    {
        TGPGraphics g(&painter);
        TGPFont font("Tahoma", 8.0f);
        TGPSolidBrush brush(0xFFFFFFFF);
        TGPStringFormat format;
        const TGPRectF rect {0, 0, 100, 30};
        EXPECT_EQ(g.DrawString("WWWWWWWW", 0, &font, rect, &format, &brush), Ok);
        EXPECT_EQ(g.DrawString("WWWWWWWW", 8, nullptr, rect, &format, &brush), InvalidParameter);
        EXPECT_EQ(g.DrawString("WWWWWWWW", 8, &font, rect, &format, nullptr), InvalidParameter);
        EXPECT_EQ(g.GetLastStatus(), InvalidParameter);
    }
    painter.end();
    EXPECT_TRUE(Ink(canvas, AnyInk).isEmpty());
}

TEST(GpDrawString, WrapsAtWordsInATallRectangleUnlessTold) {
    auto draw = [](int flags, StringAlignment lineAlign) {
        QImage canvas(200, 120, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::black);
        QPainter painter(&canvas);
        {
            TGPGraphics g(&painter);
            TGPFont font("Tahoma", 8.0f);
            TGPSolidBrush brush(0xFFFFFFFF);
            TGPStringFormat format(flags, 0);
            format.SetLineAlignment(lineAlign);
            EXPECT_EQ(g.DrawString("one two three four five six seven", -1, &font,
                                   TGPRectF {10, 10, 70, 100}, &format, &brush),
                      Ok);
        }
        painter.end();
        return Ink(canvas, AnyInk);
    };
    const QRect wrapped = draw(0, StringAlignmentNear);
    const QRect oneLine = draw(StringFormatFlagsNoWrap, StringAlignmentNear);
    const QRect centred = draw(0, StringAlignmentCenter);
    EXPECT_GT(wrapped.height(), 3 * oneLine.height());  // several lines
    EXPECT_LE(wrapped.right(), 80);
    EXPECT_LE(oneLine.right(), 80);                      // clipped to the rectangle
    EXPECT_LT(oneLine.bottom(), 30);
    EXPECT_GE(wrapped.top(), 10);
    // Centred lines sit lower than top-aligned ones, still inside the rectangle.
    EXPECT_GT(centred.top(), wrapped.top() + 5);
    EXPECT_LE(centred.bottom(), 110);
}
