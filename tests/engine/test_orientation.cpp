// Reading the EXIF orientation of a file or a loaded image.

#include "engine/common.h"
#include "platform/gdiplus/gpimage.h"
#include "tests/support/files.h"
#include "tests/support/photos.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace testsupport;

namespace {

QString PhotoWithTiff(const TempDir& dir, const QString& name, const QByteArray& tiff) {
    JpegSpec spec;
    spec.segments.push_back({0xE1, ExifPayload(tiff)});
    WriteFile(dir.File(name), MakeJpeg(spec));
    return dir.File(name);
}

}  // namespace

TEST(Orientation, FromTheFilesTag) {
    TempDir dir;
    WriteFile(dir.File("none.jpg"), MakeExifJpeg(64, 48, 0));
    WriteFile(dir.File("six.jpg"), MakeExifJpeg(64, 48, 6));
    WriteFile(dir.File("eight-be.jpg"), MakeExifJpeg(64, 48, 8, true));
    WriteFile(dir.File("plain.jpg"), MakeJpeg(JpegSpec {}));
    EXPECT_EQ(GetFileOrientation(dir.File("none.jpg")), 0);
    EXPECT_EQ(GetFileOrientation(dir.File("six.jpg")), 6);
    EXPECT_EQ(GetFileOrientation(dir.File("eight-be.jpg")), 8);
    EXPECT_EQ(GetFileOrientation(dir.File("plain.jpg")), 0);
}

TEST(Orientation, UnreadableFilesGiveZero) {
    TempDir dir;
    WriteFile(dir.File("t.jpg"), "This is a text file, not a photo.\n");
    EXPECT_EQ(GetFileOrientation(dir.File("t.jpg")), 0);
    EXPECT_EQ(GetFileOrientation(dir.File("missing.jpg")), 0);
    EXPECT_EQ(GetFileOrientation(dir.Path()), 0);  // a folder
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.File("fifo.jpg")).constData(), 0600), 0);
    EXPECT_EQ(GetFileOrientation(dir.File("fifo.jpg")), 0);
    TGPImage image(dir.File("t.jpg"));
    EXPECT_EQ(GetImageOrientation(image), 0);
}

TEST(Orientation, TheLaterOfTwoItemsWins) {
    for (bool big : {false, true}) {
        TiffBuilder t(big);
        const int ifd0 = t.AddIfd();
        const int exif = t.AddIfd();
        t.Short(ifd0, 0x0112, 6);
        t.PointTo(ifd0, 0x8769, exif);
        t.Short(exif, 0x0112, 3);
        TempDir dir;
        EXPECT_EQ(GetFileOrientation(PhotoWithTiff(dir, "two.jpg", t.Build())), 3) << big;
    }
}

TEST(Orientation, TheThumbnailsTagNeverCounts) {
    TempDir dir;
    EXPECT_EQ(GetFileOrientation(PhotoWithTiff(dir, "thumb.jpg", StandardExif(6, false, 4))), 0);
    EXPECT_EQ(GetFileOrientation(PhotoWithTiff(dir, "both.jpg", StandardExif(8, true, 1 | 4))), 8);
}

TEST(Orientation, AnItemThatHoldsNoOrientationIsSkipped) {
    TiffBuilder t;
    const int ifd0 = t.AddIfd();
    const int exif = t.AddIfd();
    t.Short(ifd0, 0x0112, 6);
    t.PointTo(ifd0, 0x8769, exif);
    t.Raw(exif, 0x0112, 2, 2, QByteArray("3\0", 2));  // ASCII: no writer can turn it
    TempDir dir;
    EXPECT_EQ(GetFileOrientation(PhotoWithTiff(dir, "short.jpg", t.Build())), 6);
}

TEST(Orientation, ValuesOutsideOneToEightAreReportedAsStored) {
    // The callers decide what to do with them.
    TiffBuilder t;
    t.Short(t.AddIfd(), 0x0112, 0x1234);
    TempDir dir;
    EXPECT_EQ(GetFileOrientation(PhotoWithTiff(dir, "odd.jpg", t.Build())), 0x1234);
}
