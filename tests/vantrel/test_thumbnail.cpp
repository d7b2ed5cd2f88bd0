// The EXIF thumbnail is turned with the photo, in place: the APP1 segment keeps its
// length and every other byte but the thumbnail, its length entry and the pixel size.

#include "tests/vantrel/helpers.h"
#include "tests/vantrel/pictures.h"

#include <gtest/gtest.h>

#include <set>

using namespace testsupport;
using namespace vantreltest;

namespace {

QByteArray Thumb(int width, int height, Sampling sampling, unsigned seed = 5) {
    JpegSpec spec = Spec(width, height, sampling);
    spec.jfif = false;
    spec.quality = 80;
    spec.seed = seed;
    return MakeJpeg(spec);
}

QByteArray Photo(const QByteArray& exif, int width = 61, int height = 45) {
    JpegSpec spec = Spec(width, height);
    spec.jfif = false;
    spec.segments = {{0xE1, exif}};
    return MakeJpeg(spec);
}

QByteArray TransformBytes(const QByteArray& input, int code, uint16_t* status = nullptr) {
    TempDir dir;
    const QString path = dir.File("p.jpg");
    WriteFile(path, input);
    const uint16_t s = Transform(path, code);
    if (status) *status = s;
    return ReadFile(path);
}

QStringList Op(int code) { return JpegtranArgs(code).mid(0, JpegtranArgs(code).size() - 2); }

// The offsets at which two equally long byte arrays differ.
std::set<qsizetype> Differences(const QByteArray& a, const QByteArray& b) {
    std::set<qsizetype> out;
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i]) out.insert(i);
    return out;
}

struct Case {
    const char* name;
    int width, height;
    Sampling sampling;
    bool bigEndian;
};

class Thumbnail : public ::testing::TestWithParam<Case> {};

TEST_P(Thumbnail, TurnedLikeJpegtranAndWrittenInPlace) {
    const Case c = GetParam();
    const QByteArray thumb = Thumb(c.width, c.height, c.sampling);
    const QByteArray input = Photo(ExifWithThumbnail(thumb, c.bigEndian, 61, 45));
    const ThumbnailAt before = FindThumbnail(input);
    ASSERT_EQ(input.mid(before.offset, before.length), thumb);
    for (int code = 1; code <= 5; ++code) {
        SCOPED_TRACE(::testing::Message() << "code " << code);
        TempDir dir;
        const QString path = dir.File("p.jpg");
        WriteFile(path, input);
        ASSERT_EQ(Transform(path, code), 0);
        const QByteArray result = ReadFile(path);
        EXPECT_TRUE(LikeJpegtran(result, input, code));

        // The thumbnail exiftool finds is the old one turned by jpegtran.
        const ProcessResult extracted = testsupport::Run("exiftool", {"-b", "-ThumbnailImage", path});
        const Pixels want = Decode(Jpegtran(Op(code) + QStringList{"-trim"}, thumb));
        ASSERT_GT(want.width, 0);
        EXPECT_TRUE(Decode(extracted.out) == want);
        EXPECT_EQ(ExiftoolWarnings(path), "");

        // Same place, same APP1 length; only the thumbnail (and the zeros after it),
        // its length and the pixel size differ.
        const qsizetype app1 = FindMarkers(input, 0xE1).at(0);
        ASSERT_EQ(FindMarkers(result, 0xE1).at(0), app1);
        const QByteArray oldApp1 = input.mid(app1, 4 + SegmentPayload(input, 0xE1).size());
        const QByteArray newApp1 = result.mid(app1, oldApp1.size());
        EXPECT_EQ(SegmentPayload(result, 0xE1).size(), SegmentPayload(input, 0xE1).size());
        const ThumbnailAt after = FindThumbnail(result);
        EXPECT_EQ(after.offset, before.offset);
        EXPECT_LE(after.length, before.length);
        EXPECT_TRUE(result.mid(after.offset + after.length, before.length - after.length)
                        .count('\0') == before.length - after.length);
        std::set<qsizetype> allowed;
        for (qsizetype i = before.offset; i < before.offset + before.length; ++i) allowed.insert(i);
        for (const qsizetype field : {ValueField(input, 1, 0x0202), ValueField(input, 2, 0xA002),
                                      ValueField(input, 2, 0xA003)})
            for (qsizetype i = 0; i < 4; ++i) allowed.insert(field + i);
        for (const qsizetype at : Differences(oldApp1, newApp1))
            EXPECT_TRUE(allowed.count(app1 + at)) << "byte " << at << " of APP1 changed";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, Thumbnail,
    ::testing::Values(Case{"Intel160x120", 160, 120, Sampling::S422, false},
                      Case{"Motorola160x120", 160, 120, Sampling::S422, true},
                      Case{"Intel160x107", 160, 107, Sampling::S420, false},
                      Case{"Motorola160x107", 160, 107, Sampling::S420, true}),
    [](const ::testing::TestParamInfo<Case>& p) { return std::string(p.param.name); });

TEST(ThumbnailTurns, FourQuarterTurnsGiveItBack) {
    // 160x120 in 4:2:2 is whole blocks both ways, so nothing is trimmed; each turn
    // may take a few bytes more or less than the one before.
    const QByteArray thumb = Thumb(160, 120, Sampling::S422);
    for (bool bigEndian : {false, true}) {
        const QByteArray input = Photo(ExifWithThumbnail(thumb, bigEndian, 64, 48), 64, 48);
        for (int code : {1, 3}) {
            SCOPED_TRACE(::testing::Message() << "big endian " << bigEndian << ", code " << code);
            TempDir dir;
            const QString path = dir.File("p.jpg");
            WriteFile(path, input);
            for (int i = 0; i < 4; ++i) ASSERT_EQ(Transform(path, code), 0);
            const QByteArray result = ReadFile(path);
            const ThumbnailAt at = FindThumbnail(result);
            EXPECT_TRUE(Decode(result.mid(at.offset, at.length)) == Decode(thumb));
            EXPECT_TRUE(Decode(result) == Decode(input));
            EXPECT_EQ(result.size(), input.size());
        }
    }
}

TEST(ThumbnailLeftAlone, NotAJpegOrNotTurnable) {
    QByteArray cut = Thumb(160, 120, Sampling::S422);
    cut = cut.left(cut.size() / 2);
    JpegSpec arithmetic = Spec(160, 120);
    arithmetic.arithmetic = true;
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"not a JPEG", QByteArray(3000, '\x5A')},
        {"cut in its data", cut},
        {"arithmetic-coded", MakeJpeg(arithmetic)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray exif = ExifWithThumbnail(c.bytes, false, 61, 45);
        const QByteArray input = Photo(exif, 64, 48);  // no trim: the EXIF stays whole
        uint16_t status = 99;
        const QByteArray result = TransformBytes(input, 2, &status);
        ASSERT_EQ(status, 0);
        EXPECT_EQ(SegmentPayload(result, 0xE1), exif);
        EXPECT_TRUE(LikeJpegtran(result, input, 2));
    }
}

TEST(ThumbnailLeftAlone, ThatWouldNotFit) {
    // An optimised thumbnail whose turn comes out larger, with nothing free after it.
    for (unsigned seed = 1; seed < 60; ++seed) {
        const QByteArray thumb =
            Jpegtran({"-optimize", "-copy", "none"}, Thumb(160, 120, Sampling::S422, seed));
        if (Jpegtran({"-optimize", "-rotate", "90", "-trim", "-copy", "none"}, thumb).size() <=
            thumb.size())
            continue;
        const QByteArray exif = ExifWithThumbnail(thumb, true, 64, 48);
        const QByteArray input = Photo(exif, 64, 48);
        uint16_t status = 99;
        const QByteArray result = TransformBytes(input, 1, &status);
        ASSERT_EQ(status, 0);
        // Only the pixel size (64x48 -> 48x64) changed in the block.
        const QByteArray expected = [&] {
            QByteArray b = input;
            for (qsizetype at : {ValueField(input, 2, 0xA002), ValueField(input, 2, 0xA003)})
                b.replace(at, 4, result.mid(at, 4));
            return SegmentPayload(b, 0xE1);
        }();
        EXPECT_EQ(SegmentPayload(result, 0xE1), expected);
        const ThumbnailAt at = FindThumbnail(result);
        EXPECT_EQ(result.mid(at.offset, at.length), thumb);
        return;
    }
    GTEST_SKIP() << "no thumbnail grew on its turn";
}

}  // namespace
