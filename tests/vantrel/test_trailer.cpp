// Bytes after the image's EOI (the video of a motion photo, a second picture, a
// maker's trailer) survive every transform unchanged, and the image before them is
// transformed exactly as it would be without them.

#include "platform/vantrel/vantrel_internal.h"
#include "tests/vantrel/helpers.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace testsupport;
using vantreltest::Entries;
using vantreltest::LikeJpegtran;
using vantreltest::Spec;
using vantreltest::Transform;

namespace {

QByteArray RandomBytes(qsizetype n, unsigned seed) {
    std::mt19937 gen(seed);
    QByteArray bytes(n, '\0');
    for (char& c : bytes) c = static_cast<char>(gen() & 0xFF);
    return bytes;
}

// EXIF whose IFD1 carries a JPEG thumbnail: an SOI and an EOI inside APP1, which the
// search for the image's end must step over.
QByteArray ExifWithThumbnail() {
    TiffBuilder t;
    const int ifd0 = t.AddIfd();
    const int ifd1 = t.AddIfd();
    t.Ascii(ifd0, 0x010F, "TestCam");
    t.Short(ifd0, 0x0112, 6);
    t.Link(ifd0, ifd1);
    t.Short(ifd1, 0x0103, 6);
    t.Thumbnail(ifd1, MakeJpeg(Spec(16, 16)));
    return ExifPayload(t.Build());
}

// What the library makes of `input` with `code` (a fresh file each time).
QByteArray TransformBytes(const QByteArray& input, int code) {
    TempDir dir;
    const QString path = dir.File("p.jpg");
    WriteFile(path, input);
    if (Transform(path, code) != 0) return QByteArray();
    return ReadFile(path);
}

// ImageEnd on a buffer of exactly the bytes' size (a QByteArray has a NUL beyond its
// end, which would hide a read past it from a memory checker).
size_t End(const QByteArray& bytes) {
    const std::vector<uint8_t> exact(bytes.begin(), bytes.end());
    return vantrel::ImageEnd(exact.data(), exact.size());
}

struct Photo {
    const char* name;
    bool progressive;
    int restart;
};

class Trailer : public ::testing::TestWithParam<Photo> {
protected:
    QByteArray Image() const {
        JpegSpec spec = Spec(61, 45, Sampling::S420);
        spec.progressive = GetParam().progressive;
        spec.restartInterval = GetParam().restart;
        spec.segments = {{0xE1, exif_}};
        return MakeJpeg(spec);
    }
    const QByteArray exif_ = ExifWithThumbnail();
};

TEST_P(Trailer, KeptWholeAfterEveryCode) {
    const QByteArray image = Image();
    const QByteArray trailer = RandomBytes(100 * 1024, 11);
    const QByteArray input = image + trailer;
    for (int code = 1; code <= 5; ++code) {
        SCOPED_TRACE(::testing::Message() << "code " << code);
        TempDir dir;
        const QString path = dir.File("motion.jpg");
        WriteFile(path, input);
        ASSERT_EQ(Transform(path, code), 0);
        const QByteArray result = ReadFile(path);
        ASSERT_TRUE(result.endsWith(trailer));
        const QByteArray head = result.left(result.size() - trailer.size());
        EXPECT_EQ(head, TransformBytes(image, code));  // as if there were no trailer
        EXPECT_TRUE(LikeJpegtran(head, input, code));
        EXPECT_EQ(SegmentPayload(result, 0xE1, 0).size(), exif_.size());  // thumbnail turned in it
        EXPECT_EQ(End(result), static_cast<size_t>(head.size()));
        EXPECT_EQ(Entries(dir.Path()), QStringList{"motion.jpg"});
    }
}

TEST_P(Trailer, SurvivesRepeatedTransforms) {
    const QByteArray image = Image();
    const QByteArray trailer = RandomBytes(100 * 1024, 12);
    TempDir dir;
    const QString path = dir.File("motion.jpg");
    WriteFile(path, image + trailer);
    for (int code : {1, 1, 4, 3}) ASSERT_EQ(Transform(path, code), 0) << code;
    const QByteArray result = ReadFile(path);
    ASSERT_TRUE(result.endsWith(trailer));
    QByteArray expected = image;
    for (int code : {1, 1, 4, 3}) expected = TransformBytes(expected, code);
    EXPECT_EQ(result.left(result.size() - trailer.size()), expected);
}

TEST_P(Trailer, MarkersInsideTheTrailerAreNoEnd) {
    const QByteArray image = Image();
    const QByteArray reference = TransformBytes(image, 1);
    ASSERT_FALSE(reference.isEmpty());
    const QByteArray second = MakeJpeg(Spec(32, 24));  // a second picture, as in MPF
    const QByteArray eoi("\xFF\xD9", 2), soi("\xFF\xD8", 2);
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"a second JPEG", second},
        {"a second JPEG after padding", QByteArray(300, '\0') + second},
        {"EOI alone", eoi},
        {"fill bytes then EOI", QByteArray("\xFF\xFF\xFF\xD9", 4)},
        {"SOI and EOIs among random bytes",
         RandomBytes(5000, 3) + soi + RandomBytes(700, 4) + eoi + eoi + RandomBytes(900, 5) + eoi},
        {"one zero byte", QByteArray(1, '\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray result = TransformBytes(image + c.bytes, 1);
        EXPECT_EQ(result, reference + c.bytes);
    }
}

TEST_P(Trailer, TruncatedImageStillFails) {
    const QByteArray image = Image();
    const QByteArray trailer = RandomBytes(100 * 1024, 13);
    const qsizetype scanStart = FindMarkers(image, 0xDA).at(0);
    const qsizetype middle = (scanStart + image.size()) / 2;
    for (const QByteArray& input : {image.left(image.size() - 2), image.left(middle),
                                    image.left(image.size() - 2) + trailer,
                                    image.left(middle) + trailer}) {
        TempDir dir;
        const QString path = dir.File("cut.jpg");
        WriteFile(path, input);
        EXPECT_NE(Transform(path, 1), 0) << input.size();
        EXPECT_EQ(ReadFile(path), input);
        EXPECT_EQ(Entries(dir.Path()), QStringList{"cut.jpg"});
    }
}

TEST_P(Trailer, EndIsFoundOnlyWithTheWholeImage) {
    // Every prefix of the image lacks its end; the reads stay inside each prefix.
    const QByteArray image = Image();
    const QByteArray input = image + RandomBytes(2000, 14);
    for (qsizetype n = 0; n < image.size(); ++n) {
        const QByteArray prefix = input.left(n);
        ASSERT_EQ(End(prefix), 0u) << n << " of " << image.size();
    }
    for (qsizetype n = image.size(); n <= input.size(); n += 97)
        ASSERT_EQ(End(input.left(n)), static_cast<size_t>(image.size())) << n;
}

INSTANTIATE_TEST_SUITE_P(Photos, Trailer,
                         ::testing::Values(Photo{"Baseline", false, 0},
                                           Photo{"BaselineRestart", false, 1},
                                           Photo{"Progressive", true, 0},
                                           Photo{"ProgressiveRestart", true, 2}),
                         [](const ::testing::TestParamInfo<Photo>& p) {
                             return std::string(p.param.name);
                         });

TEST(ImageEnd, NeedsAScanBeforeTheEnd) {
    const QByteArray image = MakeJpeg(Spec(16, 16));
    const qsizetype sos = FindMarkers(image, 0xDA).at(0);
    // The headers alone, closed by EOI: no image, so no end to keep bytes after.
    EXPECT_EQ(End(image.left(sos) + QByteArray("\xFF\xD9", 2) + image), 0u);
    EXPECT_EQ(End(QByteArray("\xFF\xD8\xFF\xD9", 4)), 0u);
    EXPECT_EQ(End(image.mid(2)), 0u);  // no SOI
}

TEST(ImageEnd, FillBytesBeforeMarkersInsideTheScan) {
    // Fill bytes may stand before any marker, restart markers within a scan included;
    // libjpeg reads such a file without complaint.
    JpegSpec spec = Spec(61, 45);
    spec.restartInterval = 1;
    const QByteArray plain = MakeJpeg(spec);
    QByteArray filled = plain;
    const qsizetype rst = filled.indexOf(QByteArray("\xFF\xD0", 2), FindMarkers(plain, 0xDA).at(0));
    ASSERT_GT(rst, 0);
    filled.insert(rst, QByteArray(3, '\xFF'));
    filled.insert(filled.size() - 2, QByteArray(2, '\xFF'));
    ASSERT_TRUE(Decode(filled) == Decode(plain));
    EXPECT_EQ(End(filled), static_cast<size_t>(filled.size()));

    const QByteArray trailer = RandomBytes(4096, 15);
    const QByteArray result = TransformBytes(filled + trailer, 2);
    ASSERT_TRUE(result.endsWith(trailer));
    EXPECT_TRUE(LikeJpegtran(result.left(result.size() - trailer.size()), filled, 2));
}

}  // namespace
