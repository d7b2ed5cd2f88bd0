// vtJpegLosslessTransform on real files: the pixels against jpegtran, the marker
// segments kept, and bad input refused with the file left as it was.

#include "tests/vantrel/helpers.h"
#include "tests/vantrel/pictures.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace testsupport;
using vantreltest::Entries;
using vantreltest::LikeJpegtran;
using vantreltest::Spec;
using vantreltest::Transform;

namespace {

struct Layout {
    const char* name;
    Sampling sampling;
    int width, height;
    bool progressive;
    int restart;
};

const Layout kLayouts[] = {
    {"S420_61x45", Sampling::S420, 61, 45, false, 0},
    {"S420_61x45_progressive", Sampling::S420, 61, 45, true, 0},
    {"S420_64x48_restart", Sampling::S420, 64, 48, false, 1},
    {"S422_61x45_restart", Sampling::S422, 61, 45, false, 2},
    {"S422_100x75_progressive_restart", Sampling::S422, 100, 75, true, 3},
    {"S444_61x45", Sampling::S444, 61, 45, false, 0},
    {"S444_61x45_progressive_restart", Sampling::S444, 61, 45, true, 5},
    {"S440_61x45", Sampling::S440, 61, 45, false, 0},
    {"Grey_61x45", Sampling::Grey, 61, 45, false, 0},
    {"Grey_61x45_progressive", Sampling::Grey, 61, 45, true, 0},
    {"Cmyk_37x29", Sampling::Cmyk, 37, 29, false, 0},
    {"S420_7x5_below_one_block", Sampling::S420, 7, 5, false, 0},
    {"S420_13x40_below_one_mcu_wide", Sampling::S420, 13, 40, true, 0},
};

class Oracle : public ::testing::TestWithParam<std::tuple<Layout, int>> {};

TEST_P(Oracle, DecodesLikeJpegtranAndKeepsTheCoding) {
    const auto& [layout, code] = GetParam();
    JpegSpec spec = Spec(layout.width, layout.height, layout.sampling);
    spec.progressive = layout.progressive;
    spec.restartInterval = layout.restart;
    spec.seed = static_cast<unsigned>(code) + 3;
    const QByteArray input = MakeJpeg(spec);

    TempDir dir;
    const QString path = dir.File("photo.jpg");
    WriteFile(path, input);
    ASSERT_EQ(Transform(path, code), 0);
    const QByteArray result = ReadFile(path);
    EXPECT_TRUE(LikeJpegtran(result, input, code));
    EXPECT_EQ(!FindMarkers(result, 0xC2).empty(), layout.progressive);
    EXPECT_EQ(Entries(dir.Path()), QStringList{"photo.jpg"});
    // The same encoder fed the same blocks: every byte is jpegtran's, but for CMYK,
    // where jpegtran puts its own Adobe segment before the file's JFIF one.
    QStringList args = JpegtranArgs(code);
    if (layout.progressive) args << "-progressive";
    if (layout.sampling != Sampling::Cmyk) {
        EXPECT_TRUE(result == Jpegtran(args, input)) << "bytes differ from jpegtran's";
    }
    EXPECT_EQ(vantreltest::Skeleton(result), vantreltest::Skeleton(input));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, Oracle, ::testing::Combine(::testing::ValuesIn(kLayouts), ::testing::Range(1, 6)),
    [](const ::testing::TestParamInfo<Oracle::ParamType>& p) {
        return std::string(std::get<0>(p.param).name) + "_code" +
               std::to_string(std::get<1>(p.param));
    });

TEST(Transform, GreyWithDeclaredSubsamplingTrimsToSingleBlocks) {
    // A lone component's sampling factors do not change its layout (its MCU is one
    // block), so a grey frame may declare 2x2 and still trims to 8 pixels.
    QByteArray input = MakeJpeg(Spec(61, 45, Sampling::Grey));
    const qsizetype sof = FindMarkers(input, 0xC0).at(0);
    ASSERT_EQ(static_cast<uint8_t>(input[sof + 11]), 0x11);
    input[sof + 11] = '\x22';
    for (int code = 1; code <= 5; ++code) {
        TempDir dir;
        const QString path = dir.File("grey.jpg");
        WriteFile(path, input);
        ASSERT_EQ(Transform(path, code), 0) << code;
        EXPECT_TRUE(LikeJpegtran(ReadFile(path), input, code)) << code;
    }
}

TEST(Transform, InversesGiveBackTheOriginalPixels) {
    // Whole MCUs: nothing is trimmed, so every transform can be undone exactly.
    JpegSpec spec = Spec(96, 64, Sampling::S420);
    spec.seed = 7;
    const Pixels original = Decode(MakeJpeg(spec));
    ASSERT_GT(original.width, 0);
    TempDir dir;
    const QString path = dir.File("p.jpg");
    struct Sequence {
        std::vector<int> codes;
    };
    for (const Sequence& s : {Sequence{{1, 1, 1, 1}}, Sequence{{2, 2}}, Sequence{{1, 3}},
                              Sequence{{4, 4}}, Sequence{{5, 5}}, Sequence{{4, 5, 2}}}) {
        WriteFile(path, MakeJpeg(spec));
        for (int code : s.codes) ASSERT_EQ(Transform(path, code), 0) << code;
        EXPECT_TRUE(Decode(ReadFile(path)) == original) << s.codes.size() << " steps";
    }
    // One quarter turn alone does change the picture.
    WriteFile(path, MakeJpeg(spec));
    ASSERT_EQ(Transform(path, 1), 0);
    const Pixels turned = Decode(ReadFile(path));
    EXPECT_EQ(turned.width, 64);
    EXPECT_EQ(turned.height, 96);
}

TEST(Transform, KeepsEverySegmentPayload) {
    const QByteArray xmp = XmpPayload();
    const QByteArray icc = IccPayload();
    const QByteArray comment("taken at the lake");
    for (bool bigEndian : {false, true}) {
        for (bool jfif : {true, false}) {
            const QByteArray exif = ExifPayload(StandardExif(6, bigEndian));
            JpegSpec spec = Spec(61, 45);
            spec.jfif = jfif;
            spec.segments = {{0xE1, exif}, {0xE1, xmp}, {0xE2, icc}, {0xFE, comment}};
            const QByteArray input = MakeJpeg(spec);
            for (int code = 1; code <= 5; ++code) {
                SCOPED_TRACE(::testing::Message() << "big endian " << bigEndian << ", JFIF "
                                                  << jfif << ", code " << code);
                TempDir dir;
                const QString path = dir.File("p.jpg");
                WriteFile(path, input);
                ASSERT_EQ(Transform(path, code), 0);
                const QByteArray result = ReadFile(path);
                EXPECT_EQ(SegmentPayload(result, 0xE1, 0), exif);
                EXPECT_EQ(SegmentPayload(result, 0xE1, 1), xmp);
                EXPECT_EQ(SegmentPayload(result, 0xE2, 0), icc);
                EXPECT_EQ(SegmentPayload(result, 0xFE, 0), comment);
                EXPECT_TRUE(LikeJpegtran(result, input, code));
            }
        }
    }
}

TEST(Transform, ExifPixelSizeFollowsTheResultInItsOwnType) {
    // PixelXDimension/PixelYDimension (SHORT or LONG, either byte order) take the new
    // size when it changes, as jpegtran sets them; unlike jpegtran, a SHORT stays a
    // SHORT, so nothing but the two values changes in the block.
    for (bool bigEndian : {false, true}) {
        for (bool asLong : {false, true}) {
            TiffBuilder t(bigEndian);
            const int ifd0 = t.AddIfd();
            const int exif = t.AddIfd();
            t.Ascii(ifd0, 0x010F, "TestCam");
            t.Short(ifd0, 0x0112, 1);
            t.PointTo(ifd0, 0x8769, exif);
            t.Short(exif, 0xA001, 1);  // ColorSpace, an entry before the sizes
            if (asLong) {
                t.Long(exif, 0xA002, 61);
                t.Long(exif, 0xA003, 45);
            } else {
                t.Short(exif, 0xA002, 61);
                t.Short(exif, 0xA003, 45);
            }
            JpegSpec spec = Spec(61, 45);
            spec.jfif = false;
            spec.segments = {{0xE1, ExifPayload(t.Build())}};
            const QByteArray input = MakeJpeg(spec);
            for (int code = 1; code <= 5; ++code) {
                SCOPED_TRACE(::testing::Message() << "big endian " << bigEndian << ", LONG "
                                                  << asLong << ", code " << code);
                TempDir dir;
                const QString path = dir.File("p.jpg");
                WriteFile(path, input);
                ASSERT_EQ(Transform(path, code), 0);
                const QByteArray result = ReadFile(path);
                EXPECT_TRUE(LikeJpegtran(result, input, code));
                const Pixels pixels = Decode(result);
                const ProcessResult r = testsupport::Run(
                    "exiftool", {"-n", "-s", "-s", "-s", "-ExifImageWidth", "-ExifImageHeight", path});
                EXPECT_EQ(r.out, QString("%1\n%2\n").arg(pixels.width).arg(pixels.height).toUtf8());
                QByteArray expected = input;
                for (uint16_t tag : {0xA002, 0xA003}) {
                    const qsizetype field = vantreltest::ValueField(input, 2, tag);
                    expected.replace(field, 4, result.mid(field, 4));
                }
                EXPECT_EQ(SegmentPayload(result, 0xE1), SegmentPayload(expected, 0xE1));
            }
        }
    }
}

// ---- refusals ---------------------------------------------------------------------

class Refused : public ::testing::Test {
protected:
    // Writes `bytes`, runs `code` and expects a failure with nothing changed.
    void ExpectRefused(const QByteArray& bytes, int code, const char* what) {
        SCOPED_TRACE(what);
        const QString path = dir_.File("p.jpg");
        WriteFile(path, bytes);
        EXPECT_NE(Transform(path, code), 0);
        EXPECT_EQ(ReadFile(path), bytes);
        EXPECT_EQ(Entries(dir_.Path()), QStringList{"p.jpg"});
    }
    TempDir dir_;
};

TEST_F(Refused, InputThatIsNoUsableJpeg) {
    const QByteArray good = MakeJpeg(Spec(64, 48));
    ExpectRefused(QByteArray("just some text, not a photo\n"), 1, "text");
    ExpectRefused(QByteArray(), 1, "empty file");
    ExpectRefused(QByteArray("\xFF\xD8", 2), 1, "SOI alone");
    ExpectRefused(good.left(good.size() / 2), 1, "cut in the middle of the image data");
    ExpectRefused(good.left(good.size() - 2), 2, "cut before EOI");
    ExpectRefused(good.left(200), 3, "cut in the headers");

    QByteArray marker = good;  // an EOI in the middle of the image data
    marker[marker.size() / 2 + 40] = '\xFF';
    marker[marker.size() / 2 + 41] = '\xD9';
    ExpectRefused(marker, 4, "premature EOI");

    JpegSpec arithmetic = Spec(64, 48);
    arithmetic.arithmetic = true;
    ExpectRefused(MakeJpeg(arithmetic), 1, "arithmetic-coded");
    arithmetic.progressive = true;
    ExpectRefused(MakeJpeg(arithmetic), 5, "arithmetic-coded progressive");

    QByteArray huge = good;  // a frame header claiming 60000 x 60000 pixels
    const qsizetype sof = FindMarkers(huge, 0xC0).at(0);
    for (int i : {5, 7}) {
        huge[sof + i] = '\xEA';
        huge[sof + i + 1] = '\x60';
    }
    ExpectRefused(huge, 1, "oversized frame");
}

TEST_F(Refused, CodesOutsideOneToFive) {
    const QByteArray good = MakeJpeg(Spec(64, 48));
    ExpectRefused(good, 0, "code 0");
    ExpectRefused(good, 6, "code 6");
    ExpectRefused(good, 0xFFFF, "code 65535");
}

TEST_F(Refused, PathsThatNameNoPhoto) {
    EXPECT_NE(vtJpegLosslessTransform(nullptr, 1), 0);
    EXPECT_NE(vtJpegLosslessTransform("", 1), 0);
    EXPECT_NE(Transform(dir_.File("missing.jpg"), 1), 0);
    EXPECT_NE(Transform(dir_.File("no/such/folder.jpg"), 1), 0);
    EXPECT_NE(Transform(dir_.Path(), 1), 0);  // a folder
    EXPECT_TRUE(Entries(dir_.Path()).isEmpty());
}

TEST_F(Refused, FileAboveTheSizeBound) {
    // Sparse, so it costs no disk: a JPEG start, then a hole up to 1 GiB + 1.
    const QString path = dir_.File("big.jpg");
    WriteFile(path, MakeJpeg(Spec(16, 16)));
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), (off_t{1} << 30) + 1), 0);
    EXPECT_NE(Transform(path, 1), 0);
    EXPECT_EQ(QFileInfo(path).size(), (qint64{1} << 30) + 1);
    EXPECT_EQ(Entries(dir_.Path()), QStringList{"big.jpg"});
}

}  // namespace
