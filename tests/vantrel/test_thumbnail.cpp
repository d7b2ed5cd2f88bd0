// The EXIF thumbnail is turned with the photo, in place: the APP1 segment keeps its
// length and every other byte but the thumbnail, its length entry and the pixel size.
// One whose turn does not fit is still turned, and takes no byte of anything else.

#include "tests/vantrel/helpers.h"
#include "tests/vantrel/pictures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <tuple>

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

// ---- thumbnails whose turn does not fit their room ----------------------------------

QByteArray Tiff(const QByteArray& thumb, bool big, const ThumbnailLayout& layout = {}) {
    return TiffWithThumbnail(thumb, big, 64, 48, layout);
}

// The thumbnail last, then `gap` zero bytes and an IFD2 that IFD1 links to.
QByteArray ThenIfd2(const QByteArray& thumb, bool big, int gap) {
    const uint32_t ifd2 = static_cast<uint32_t>(Tiff(thumb, big).size() + gap);
    return Tiff(thumb, big, {0, ifd2, {}}) + QByteArray(gap, '\0') + Put16(1, big) +
           Put16(0x0100, big) + Put16(3, big) + Put32(1, big) + Put16(8, big) + Put16(0, big) +
           Put32(0, big);
}

// The thumbnail inside the MakerNote, `gap` zero bytes of the note after it.
const QByteArray kMakerHead("TestMaker\0\0\0", 12);
QByteArray InMakerNote(const QByteArray& thumb, bool big, int gap) {
    const QByteArray note = kMakerHead + thumb + QByteArray(gap, '\0') + "end of the note";
    const qsizetype at = Tiff(thumb, big, {1, 0, note}).indexOf(kMakerHead);
    return Tiff(thumb, big, {static_cast<uint32_t>(at + kMakerHead.size()), 0, note});
}

// The size of the thumbnail's smallest lossless turn by code 1: what the library
// writes where the room is ample.
qsizetype TurnedSize(const QByteArray& thumb) {
    const QByteArray result =
        TransformBytes(Photo(ExifPayload(ThenIfd2(thumb, false, 20000)), 64, 48), 1);
    return FindThumbnail(result).length;
}

// A thumbnail whose smallest lossless turn is larger than itself, with that size.
std::pair<QByteArray, qsizetype> GrowingThumbnail() {
    for (unsigned seed = 1; seed < 60; ++seed) {
        const QByteArray thumb =
            Jpegtran({"-optimize", "-copy", "none"}, Thumb(160, 120, Sampling::S422, seed));
        const qsizetype turned = TurnedSize(thumb);
        if (turned > thumb.size()) return {thumb, turned};
    }
    return {};
}

// A progressive thumbnail whose progressive turn no longer fits it, though a
// baseline one does.
QByteArray ProgressiveThumbnail() {
    for (unsigned seed = 1; seed < 60; ++seed) {
        JpegSpec spec = Spec(80, 64, Sampling::S420);  // whole blocks both ways
        spec.jfif = false;
        spec.progressive = true;
        spec.quality = 50;
        spec.seed = seed;
        const QByteArray thumb = MakeJpeg(spec);
        // jpegtran adds a JFIF segment (18 bytes) that the library does not.
        const QStringList turn{"-rotate", "90", "-trim", "-copy", "none"};
        const qsizetype progressive = Jpegtran(turn + QStringList{"-progressive"}, thumb).size() - 18;
        const qsizetype baseline = Jpegtran(turn + QStringList{"-optimize"}, thumb).size() - 18;
        if (progressive > thumb.size() && baseline <= thumb.size()) return thumb;
    }
    return {};
}

// How far two pictures of the same size are apart, on average per sample.
double Distance(const Pixels& a, const Pixels& b) {
    if (a.width != b.width || a.height != b.height || a.components != b.components ||
        a.data.isEmpty())
        return 1e9;
    double sum = 0;
    for (qsizetype i = 0; i < a.data.size(); ++i)
        sum += std::abs(int(static_cast<uint8_t>(a.data[i])) - int(static_cast<uint8_t>(b.data[i])));
    return sum / double(a.data.size());
}

struct TightCase {
    const char* name;
    std::function<QByteArray(const QByteArray& thumb, qsizetype turned, bool big)> tiff;
    bool progressive;
    bool lossless;  // else re-encoded, close to the lossless turn
    // the bytes of the EXIF block (from the input's) that must stay as they were
    std::function<std::pair<qsizetype, qsizetype>(const QByteArray& tiff, const QByteArray& thumb)> kept;
};

class ThumbnailThatDoesNotFit : public ::testing::TestWithParam<TightCase> {};

TEST_P(ThumbnailThatDoesNotFit, StillShowsTheTurnedPhotoAndTakesNothingElse) {
    const TightCase c = GetParam();
    QByteArray thumb;
    qsizetype turned = 0;
    if (c.progressive) {
        thumb = ProgressiveThumbnail();
        turned = thumb.size();
    } else {
        std::tie(thumb, turned) = GrowingThumbnail();
    }
    ASSERT_FALSE(thumb.isEmpty()) << "no thumbnail of that kind found";
    for (bool big : {false, true}) {
        SCOPED_TRACE(big ? "big endian" : "little endian");
        const QByteArray tiff = c.tiff(thumb, turned, big);
        const QByteArray input = Photo(ExifPayload(tiff), 64, 48);
        TempDir dir;
        const QString path = dir.File("p.jpg");
        WriteFile(path, input);
        const std::string warnings = ExiftoolWarnings(path);  // a made-up MakerNote's
        ASSERT_EQ(Transform(path, 1), 0);
        const QByteArray result = ReadFile(path);
        EXPECT_TRUE(LikeJpegtran(result, input, 1));
        EXPECT_EQ(ExiftoolWarnings(path), warnings);

        // The thumbnail exiftool finds is the old one turned: exactly, or re-encoded.
        const ProcessResult extracted =
            testsupport::Run("exiftool", {"-b", "-ThumbnailImage", path});
        const Pixels want = Decode(Jpegtran({"-rotate", "90", "-trim"}, thumb));
        ASSERT_GT(want.width, 0);
        if (c.lossless)
            EXPECT_TRUE(Decode(extracted.out) == want);
        else
            EXPECT_LT(Distance(Decode(extracted.out), want), 6.0);

        // What belongs to something else is as it was.
        const auto [from, to] = c.kept(tiff, thumb);
        const QByteArray block = SegmentPayload(result, 0xE1).mid(6);
        const QByteArray tail = tiff.mid(from, to - from);
        EXPECT_EQ(block.mid(block.size() - (tiff.size() - from), tail.size()), tail);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ThumbnailThatDoesNotFit,
    ::testing::Values(
        // One byte too big for the zeros before an IFD2: re-encoded, IFD2 untouched.
        TightCase{"OneByteTooBigBeforeIfd2",
                  [](const QByteArray& jpeg, qsizetype turned, bool big) {
                      return ThenIfd2(jpeg, big, static_cast<int>(turned - jpeg.size() - 1));
                  },
                  false, false,
                  [](const QByteArray& tiff, const QByteArray&) {
                      return std::pair<qsizetype, qsizetype>{tiff.size() - 18, tiff.size()};
                  }},
        // The last thing in the EXIF block: the segment grows, what follows it stays.
        TightCase{"LastInTheBlock",
                  [](const QByteArray& jpeg, qsizetype, bool big) {
                      return Tiff(jpeg, big) + "\x7F\x7E";
                  },
                  false, true,
                  [](const QByteArray& tiff, const QByteArray&) {
                      return std::pair<qsizetype, qsizetype>{tiff.size() - 2, tiff.size()};
                  }},
        // Held by a MakerNote with zeros after it: those are the note's, not room.
        TightCase{"InsideTheMakerNote",
                  [](const QByteArray& jpeg, qsizetype turned, bool big) {
                      return InMakerNote(jpeg, big, static_cast<int>(turned - jpeg.size() + 8));
                  },
                  false, false,
                  [](const QByteArray& tiff, const QByteArray& jpeg) {
                      const qsizetype end = tiff.indexOf(kMakerHead) + kMakerHead.size() + jpeg.size();
                      return std::pair<qsizetype, qsizetype>{end, tiff.size()};
                  }},
        // Progressive, with an IFD2 right after it: its baseline turn fits.
        TightCase{"ProgressiveBeforeIfd2",
                  [](const QByteArray& jpeg, qsizetype, bool big) { return ThenIfd2(jpeg, big, 0); },
                  true, true,
                  [](const QByteArray& tiff, const QByteArray&) {
                      return std::pair<qsizetype, qsizetype>{tiff.size() - 18, tiff.size()};
                  }}),
    [](const ::testing::TestParamInfo<TightCase>& p) { return std::string(p.param.name); });

}  // namespace
