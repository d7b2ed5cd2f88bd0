// Image services, read side: sizes from headers, EXIF properties in GDI+'s layout.

#include "platform/gdiplus/gpimage.h"
#include "platform/system/filenames.h"
#include "tests/support/files.h"
#include "tests/support/photos.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <sys/stat.h>

using namespace testsupport;

namespace {

struct Item {
    uint32_t id;
    uint16_t type;
    QByteArray value;
};

// All property items of a file, copied out of the buffer; also checks the buffer's
// layout: records first, each value inside the block after them.
std::vector<Item> Properties(const QString& path) {
    TGPImage image(path);
    uint32_t size = 0, count = 0;
    EXPECT_EQ(image.GetPropertySize(&size, &count), Ok);
    std::vector<Item> items;
    if (count == 0) {
        EXPECT_EQ(size, 0u);
        return items;
    }
    std::vector<uint64_t> buffer((size + 7) / 8, 0);
    auto* records = reinterpret_cast<PropertyItem*>(buffer.data());
    EXPECT_EQ(image.GetAllPropertyItems(size, count, records), Ok);
    const auto* begin = reinterpret_cast<const char*>(buffer.data());
    const char* valuesBegin = begin + count * sizeof(PropertyItem);
    const char* end = begin + size;
    for (uint32_t i = 0; i < count; ++i) {
        const PropertyItem& r = records[i];
        const auto* v = static_cast<const char*>(r.value);
        if (r.length > 0) {
            EXPECT_GE(v, valuesBegin) << std::hex << r.id;
            EXPECT_LE(v + r.length, end) << std::hex << r.id;
        }
        items.push_back({r.id, r.type, r.length ? QByteArray(v, r.length) : QByteArray()});
    }
    return items;
}

std::vector<Item> WithId(const std::vector<Item>& items, uint32_t id) {
    std::vector<Item> out;
    for (const Item& i : items)
        if (i.id == id) out.push_back(i);
    return out;
}

QByteArray HostU16(uint16_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 2); }
QByteArray HostU32(uint32_t v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); }

QString WriteJpegWithExif(const TempDir& dir, const QString& name, const QByteArray& tiff) {
    JpegSpec spec;
    spec.segments.push_back({0xE1, ExifPayload(tiff)});
    const QString path = dir.File(name);
    WriteFile(path, MakeJpeg(spec));
    return path;
}

}  // namespace

// ---- sizes ---------------------------------------------------------------------------

TEST(GpImageSize, JpegSizeFromHeader) {
    TempDir dir;
    JpegSpec spec;
    spec.width = 123;
    spec.height = 45;
    WriteFile(dir.File("a.jpg"), MakeJpeg(spec));
    TGPImage image(dir.File("a.jpg"));
    EXPECT_EQ(image.GetWidth(), 123u);
    EXPECT_EQ(image.GetHeight(), 45u);
    EXPECT_EQ(image.GetLastStatus(), Ok);
}

TEST(GpImageSize, JpegWithHeaderBeyondTheFirstReadAndTruncatedScan) {
    // 200 KiB of comment segments ahead of the frame header, and the file cut in
    // the middle of its entropy-coded data: the header alone gives the size.
    TempDir dir;
    JpegSpec spec;
    spec.width = 300;
    spec.height = 200;
    for (int i = 0; i < 4; ++i) spec.segments.push_back({0xFE, QByteArray(50000, 'c')});
    QByteArray jpeg = MakeJpeg(spec);
    jpeg.chop(jpeg.size() / 20);
    WriteFile(dir.File("big.jpg"), jpeg);
    TGPImage image(dir.File("big.jpg"));
    EXPECT_EQ(image.GetWidth(), 300u);
    EXPECT_EQ(image.GetHeight(), 200u);
}

TEST(GpImageSize, OtherFormatsByContent) {
    TempDir dir;
    QImage picture(37, 21, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    ASSERT_TRUE(picture.save(dir.File("p.png"), "PNG"));
    ASSERT_TRUE(picture.save(dir.File("b.bmp"), "BMP"));
    ASSERT_TRUE(picture.save(dir.File("t.tif"), "TIFF"));
    // A PNG with a JPEG name is still read by its content.
    ASSERT_TRUE(picture.save(dir.File("png-named.jpg"), "PNG"));
    // A name that is not UTF-8 (Latin-1) is read by its own bytes.
    const QString latin1 = sys::DecodeFileName("caf\xe9.png");
    WriteFile(dir.File(latin1), ReadFile(dir.File("p.png")));
    for (const QString& name : {QString("p.png"), QString("b.bmp"), QString("t.tif"),
                                QString("png-named.jpg"), latin1}) {
        TGPImage image(dir.File(name));
        EXPECT_EQ(image.GetWidth(), 37u) << name.toStdString();
        EXPECT_EQ(image.GetHeight(), 21u) << name.toStdString();
        uint32_t size = 1, count = 1;
        EXPECT_EQ(image.GetPropertySize(&size, &count), Ok) << name.toStdString();
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(count, 0u);
        const std::unique_ptr<TGPImage> thumb(image.GetThumbnailImage(10, 6));
        EXPECT_EQ(thumb->GetLastStatus(), Ok) << name.toStdString();
        EXPECT_EQ(thumb->GetWidth(), 10u) << name.toStdString();
    }
}

TEST(GpImageSize, UnreadableFilesGiveZeroAndAFailedStatus) {
    TempDir dir;
    WriteFile(dir.File("t.jpg"), "just some text\n");
    QByteArray cut = MakeJpeg(JpegSpec {});
    WriteFile(dir.File("cut.jpg"), cut.left(40));  // ends before the frame header
    WriteFile(dir.File("empty.jpg"), QByteArray());
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.File("fifo.jpg")).constData(), 0600), 0);
    for (const char* name : {"t.jpg", "cut.jpg", "empty.jpg", "missing.jpg", "fifo.jpg", "."}) {
        TGPImage image(dir.File(name));
        EXPECT_EQ(image.GetWidth(), 0u) << name;
        EXPECT_EQ(image.GetHeight(), 0u) << name;
        EXPECT_NE(image.GetLastStatus(), Ok) << name;
        uint32_t size = 7, count = 7;
        EXPECT_NE(image.GetPropertySize(&size, &count), Ok) << name;
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(count, 0u);
    }
}

// ---- property items -------------------------------------------------------------------

class GpImageProperties : public ::testing::TestWithParam<bool> {};

TEST_P(GpImageProperties, TypesLengthsAndHostOrderValues) {
    const bool big = GetParam();
    TiffBuilder t(big);
    const int ifd0 = t.AddIfd();
    const int exif = t.AddIfd();
    const int ifd1 = t.AddIfd();
    t.Ascii(ifd0, 0x010F, "TestCam");
    t.Short(ifd0, 0x0112, 6);
    t.Rational(ifd0, 0x011A, 300, 7);
    t.Long(ifd0, 0x0100, 0x01020304);
    t.Raw(ifd0, 0x0102, 3, 3, big ? QByteArray("\x00\x08\x00\x09\x01\x00", 6)
                                   : QByteArray("\x08\x00\x09\x00\x00\x01", 6));
    t.PointTo(ifd0, 0x8769, exif);
    t.Link(ifd0, ifd1);
    t.SRational(exif, 0x9204, -2, 3);
    t.Raw(exif, 0x9000, 7, 4, "0230");
    t.Raw(exif, 0x9201, 9, 1, big ? QByteArray("\xFF\xFF\xFF\xFE", 4) : QByteArray("\xFE\xFF\xFF\xFF", 4));
    t.Short(ifd1, 0x0112, 3);
    t.Long(ifd1, 0x0100, 160);
    t.Short(ifd1, 0x0103, 6);
    t.Short(ifd1, 0x9999, 1);  // a tag GDI+ has no thumbnail id for
    TempDir dir;
    const auto items = Properties(WriteJpegWithExif(dir, "p.jpg", t.Build()));

    auto one = [&](uint32_t id) {
        const auto found = WithId(items, id);
        EXPECT_EQ(found.size(), 1u) << std::hex << id;
        return found.empty() ? Item {id, 0, {}} : found[0];
    };
    Item make = one(0x010F);
    EXPECT_EQ(make.type, 2);
    EXPECT_EQ(make.value, QByteArray("TestCam\0", 8));
    Item orientation = one(0x0112);
    EXPECT_EQ(orientation.type, 3);
    EXPECT_EQ(orientation.value, HostU16(6));
    Item xres = one(0x011A);
    EXPECT_EQ(xres.type, 5);
    EXPECT_EQ(xres.value, HostU32(300) + HostU32(7));
    Item width = one(0x0100);
    EXPECT_EQ(width.type, 4);
    EXPECT_EQ(width.value, HostU32(0x01020304));
    Item bits = one(0x0102);
    EXPECT_EQ(bits.type, 3);
    EXPECT_EQ(bits.value, HostU16(8) + HostU16(9) + HostU16(256));
    Item bias = one(0x9204);
    EXPECT_EQ(bias.type, 10);
    EXPECT_EQ(bias.value, HostU32(static_cast<uint32_t>(-2)) + HostU32(3));
    Item version = one(0x9000);
    EXPECT_EQ(version.type, 7);
    EXPECT_EQ(version.value, QByteArray("0230"));
    Item shutter = one(0x9201);
    EXPECT_EQ(shutter.type, 9);
    EXPECT_EQ(shutter.value, HostU32(static_cast<uint32_t>(-2)));

    // IFD1 under the thumbnail ids only.
    Item thumbOrientation = one(0x5029);
    EXPECT_EQ(thumbOrientation.type, 3);
    EXPECT_EQ(thumbOrientation.value, HostU16(3));
    EXPECT_EQ(one(0x5020).value, HostU32(160));
    EXPECT_EQ(one(0x5023).value, HostU16(6));
    EXPECT_TRUE(WithId(items, 0x0103).empty());
    EXPECT_TRUE(WithId(items, 0x9999).empty());
}

INSTANTIATE_TEST_SUITE_P(ByteOrder, GpImageProperties, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "BigEndian" : "LittleEndian"; });

TEST(GpImagePropertyItems, OrientationInEveryIfd) {
    TempDir dir;
    for (bool big : {false, true}) {
        const auto items =
            Properties(WriteJpegWithExif(dir, "o.jpg", StandardExif(8, big, 1 | 2 | 4)));
        // IFD0 and the Exif IFD under 0x0112 in that order, IFD1 under 0x5029.
        const auto main = WithId(items, 0x0112);
        ASSERT_EQ(main.size(), 2u);
        EXPECT_EQ(main[0].value, HostU16(8));
        EXPECT_EQ(WithId(items, 0x5029).size(), 1u);
    }
}

TEST(GpImagePropertyItems, ThumbnailBytesAsThumbnailData) {
    JpegSpec small;
    small.width = 16;
    small.height = 16;
    const QByteArray thumb = MakeJpeg(small);
    TiffBuilder t;
    const int ifd0 = t.AddIfd();
    const int ifd1 = t.AddIfd();
    t.Short(ifd0, 0x0112, 1);
    t.Link(ifd0, ifd1);
    t.Short(ifd1, 0x0103, 6);
    t.Thumbnail(ifd1, thumb);
    TempDir dir;
    const auto items = Properties(WriteJpegWithExif(dir, "t.jpg", t.Build()));
    const auto data = WithId(items, 0x501B);
    ASSERT_EQ(data.size(), 1u);
    EXPECT_EQ(data[0].type, 1);
    EXPECT_EQ(data[0].value, thumb);
    // The thumbnail's offset and length never pass for tags of the main image.
    EXPECT_TRUE(WithId(items, 0x0201).empty());
    EXPECT_TRUE(WithId(items, 0x0202).empty());
}

TEST(GpImagePropertyItems, FirstExifApp1CountsEvenAfterXmp) {
    JpegSpec spec;
    spec.segments.push_back({0xE1, XmpPayload()});
    spec.segments.push_back({0xE1, ExifPayload(StandardExif(5))});
    spec.segments.push_back({0xE1, ExifPayload(StandardExif(7))});
    TempDir dir;
    WriteFile(dir.File("x.jpg"), MakeJpeg(spec));
    const auto o = WithId(Properties(dir.File("x.jpg")), 0x0112);
    ASSERT_EQ(o.size(), 1u);
    EXPECT_EQ(o[0].value, HostU16(5));
}

TEST(GpImagePropertyItems, NoExifNoItems) {
    TempDir dir;
    WriteFile(dir.File("n.jpg"), MakeJpeg(JpegSpec {}));
    EXPECT_TRUE(Properties(dir.File("n.jpg")).empty());
}

TEST(GpImagePropertyItems, WrongSizesAreRefused) {
    TempDir dir;
    TGPImage image(WriteJpegWithExif(dir, "w.jpg", StandardExif(6)));
    uint32_t size = 0, count = 0;
    ASSERT_EQ(image.GetPropertySize(&size, &count), Ok);
    ASSERT_GT(count, 1u);
    std::vector<uint64_t> buffer(size / 8 + 2, 0);
    auto* items = reinterpret_cast<PropertyItem*>(buffer.data());
    EXPECT_EQ(image.GetAllPropertyItems(size - 1, count, items), InsufficientBuffer);
    EXPECT_EQ(image.GetAllPropertyItems(size, count - 1, items), InvalidParameter);
    EXPECT_EQ(image.GetAllPropertyItems(size, count + 1, items), InvalidParameter);
    EXPECT_EQ(image.GetAllPropertyItems(size, count, nullptr), InvalidParameter);
    EXPECT_EQ(image.GetPropertySize(nullptr, &count), InvalidParameter);
    EXPECT_EQ(image.GetAllPropertyItems(size, count, items), Ok);
}

// ---- hostile EXIF blocks --------------------------------------------------------------

TEST(GpImageHostile, LoopsBadOffsetsAndHugeCounts) {
    std::vector<QByteArray> blocks;
    {
        TiffBuilder t;
        const int a = t.AddIfd();
        t.Short(a, 0x0112, 6);
        t.Link(a, a);  // IFD0 is its own IFD1
        blocks.push_back(t.Build());
    }
    {
        TiffBuilder t(true);
        const int a = t.AddIfd();
        t.PointTo(a, 0x8769, a);  // the Exif IFD is IFD0 again
        t.PointTo(a, 0x8825, a);
        blocks.push_back(t.Build());
    }
    {
        TiffBuilder t;
        const int a = t.AddIfd();
        t.Short(a, 0x0112, 6);
        t.LongLiteral(a, 0x8769, 0x7FFFFFF0);
        t.NextLiteral(a, 0xFFFFFFF0);
        blocks.push_back(t.Build());
    }
    {
        TiffBuilder t;
        const int a = t.AddIfd();
        t.Raw(a, 0x010F, 2, 0x40000000, QByteArray("abcdefgh"));  // count far beyond the data
        t.Raw(a, 0x0111, 4, 0xFFFFFFFF, QByteArray(8, 'x'));
        blocks.push_back(t.Build());
    }
    {
        TiffBuilder t;
        t.AddIfd();
        t.HeaderOffsetLiteral(0xFFFFFFF8);
        blocks.push_back(t.Build());
    }
    blocks.push_back(QByteArray("II\x2A\x00\x08\x00\x00\x00\xFF\xFF", 10));  // 65535 entries, no data
    blocks.push_back(QByteArray("MM\x00\x2A", 4));
    blocks.push_back(QByteArray());

    TempDir dir;
    for (size_t i = 0; i < blocks.size(); ++i) {
        const QString path = WriteJpegWithExif(dir, QString("h%1.jpg").arg(i), blocks[i]);
        TGPImage image(path);
        EXPECT_EQ(image.GetWidth(), 64u) << i;
        Properties(path);
    }
}

TEST(GpImageHostile, MutatedBlocksDoNotCrash) {
    std::mt19937 random(20261209);
    const QByteArray base = StandardExif(6, false, 7);
    const QByteArray baseBig = StandardExif(6, true, 7);
    TempDir dir;
    for (int round = 0; round < 300; ++round) {
        QByteArray block = round % 2 ? baseBig : base;
        const int flips = 1 + static_cast<int>(random() % 8);
        for (int f = 0; f < flips; ++f)
            block[static_cast<qsizetype>(random() % block.size())] = static_cast<char>(random());
        if (round % 7 == 0) block.truncate(static_cast<qsizetype>(random() % block.size()));
        const QString path = WriteJpegWithExif(dir, "m.jpg", block);
        Properties(path);
    }
}

TEST(GpImageHostile, App1LongerThanTheFile) {
    QByteArray jpeg = MakeJpeg(JpegSpec {});
    // SOI, then an APP1 "Exif" segment that claims 60000 bytes and the file ends.
    QByteArray cut = jpeg.left(2) + QByteArray("\xFF\xE1\xEA\x60", 4) + ExifPayload(StandardExif(6));
    TempDir dir;
    WriteFile(dir.File("c.jpg"), cut);
    TGPImage image(dir.File("c.jpg"));
    EXPECT_EQ(image.GetWidth(), 0u);
    uint32_t size = 0, count = 0;
    image.GetPropertySize(&size, &count);
    EXPECT_EQ(count, 0u);
}
