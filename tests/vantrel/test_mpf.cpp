// Multi-picture files: the pictures an MPF index lists after the first are turned
// with it, and the index finds them again; other trailers stay as they were.

#include "platform/vantrel/vantrel_internal.h"
#include "tests/vantrel/helpers.h"
#include "tests/vantrel/pictures.h"

#include <gtest/gtest.h>

#include <random>

#include <unistd.h>

using namespace testsupport;
using namespace vantreltest;

namespace {

QByteArray RandomBytes(qsizetype n, unsigned seed) {
    std::mt19937 gen(seed);
    QByteArray bytes(n, '\0');
    for (char& c : bytes) c = static_cast<char>(gen() & 0xFF);
    return bytes;
}

JpegSpec First(bool progressive = false) {
    JpegSpec spec = Spec(61, 45);
    spec.jfif = false;
    spec.progressive = progressive;
    spec.segments = {{0xE1, ExifPayload(StandardExif(6))}, {0xE2, IccPayload()}};
    return spec;
}

QByteArray Second() {
    JpegSpec spec = Spec(37, 21, Sampling::S422);
    spec.jfif = false;
    spec.seed = 9;
    return MakeJpeg(spec);
}

size_t FirstEnd(const QByteArray& file) {
    return vantrel::ImageEnd(reinterpret_cast<const uint8_t*>(file.constData()),
                             static_cast<size_t>(file.size()));
}

TEST(Mpf, BothPicturesTurnedAndFoundAgain) {
    const QByteArray second = Second();
    for (bool bigEndian : {false, true}) {
        for (bool progressive : {false, true}) {
            const QByteArray input = TwoPictures(First(progressive), second, bigEndian);
            const QByteArray first = input.left(input.size() - second.size());
            std::string warnings;  // the test's ICC profile is not a real one
            {
                TempDir dir;
                WriteFile(dir.File("in.jpg"), input);
                const MpfSeen seen = ExiftoolSecondPicture(dir.File("in.jpg"));
                ASSERT_TRUE(seen.ok);
                ASSERT_EQ(input.mid(seen.start, seen.length), second);  // the test's own index
                warnings = ExiftoolWarnings(dir.File("in.jpg"));
            }
            for (int code = 1; code <= 5; ++code) {
                SCOPED_TRACE(::testing::Message() << "big endian " << bigEndian << ", progressive "
                                                  << progressive << ", code " << code);
                TempDir dir;
                const QString path = dir.File("multi.jpg");
                WriteFile(path, input);
                ASSERT_EQ(Transform(path, code), 0);
                const QByteArray result = ReadFile(path);
                const MpfSeen seen = ExiftoolSecondPicture(path);
                ASSERT_TRUE(seen.ok);
                EXPECT_TRUE(LikeJpegtran(result.left(FirstEnd(result)), first, code));
                EXPECT_TRUE(LikeJpegtran(result.mid(seen.start, seen.length), second, code));
                EXPECT_EQ(seen.firstStart, 0);
                EXPECT_EQ(seen.firstLength, static_cast<qsizetype>(FirstEnd(result)));
                EXPECT_EQ(seen.start, static_cast<qsizetype>(FirstEnd(result)));
                EXPECT_EQ(seen.start + seen.length, result.size());
                EXPECT_EQ(ExiftoolWarnings(path), warnings);
                // The index segment keeps its place and length.
                EXPECT_EQ(FindMarkers(result, 0xE2), FindMarkers(input, 0xE2));
            }
        }
    }
}

TEST(Mpf, OtherBytesAroundThePicturesStay) {
    // Padding between the pictures and a motion photo's video after the last one.
    const QByteArray second = Second();
    const QByteArray gap(64, '\0');
    const QByteArray video = RandomBytes(50000, 21);
    JpegSpec spec = First();
    spec.segments.push_back({0xE2, MpfPayload(false, 0, 0, 0)});
    const QByteArray draft = MakeJpeg(spec);
    const qsizetype header = FindMarkers(draft, 0xE2).back() + 8;
    spec.segments.back().payload = MpfPayload(false, static_cast<uint32_t>(draft.size()),
                                              static_cast<uint32_t>(second.size()),
                                              static_cast<uint32_t>(draft.size() + gap.size() - header));
    const QByteArray input = MakeJpeg(spec) + gap + second + video;
    for (int code = 1; code <= 5; ++code) {
        SCOPED_TRACE(::testing::Message() << "code " << code);
        TempDir dir;
        const QString path = dir.File("motion.jpg");
        WriteFile(path, input);
        ASSERT_EQ(Transform(path, code), 0);
        const QByteArray result = ReadFile(path);
        EXPECT_TRUE(result.endsWith(video));
        const qsizetype end = static_cast<qsizetype>(FirstEnd(result));
        EXPECT_EQ(result.mid(end, gap.size()), gap);
        const MpfSeen seen = ExiftoolSecondPicture(path);
        ASSERT_TRUE(seen.ok);
        EXPECT_EQ(seen.start, end + gap.size());
        EXPECT_EQ(seen.start + seen.length + video.size(), result.size());
        EXPECT_TRUE(LikeJpegtran(result.mid(seen.start, seen.length), second, code));
    }
}

TEST(Mpf, HardLinkedFileGetsTheSettledIndexToo) {
    // Rewritten in place from the pieces: the index piece must hold its final bytes.
    const QByteArray second = Second();
    const QByteArray input = TwoPictures(First(), second, false);
    TempDir dir;
    const QString path = dir.File("multi.jpg"), link = dir.File("link.jpg");
    WriteFile(path, input);
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()), 0);
    ASSERT_EQ(Transform(path, 3), 0);
    EXPECT_EQ(ReadFile(link), ReadFile(path));
    const MpfSeen seen = ExiftoolSecondPicture(link);
    ASSERT_TRUE(seen.ok);
    EXPECT_TRUE(LikeJpegtran(ReadFile(link).mid(seen.start, seen.length), second, 3));
}

TEST(Mpf, DamagedSecondPictureLeavesTheFileUntouched) {
    const QByteArray good = Second();
    const qsizetype scan = FindMarkers(good, 0xDA).at(0);
    QByteArray cut = good.left((scan + good.size()) / 2);  // no EOI: its data ends early
    QByteArray corrupt = good;
    corrupt[(scan + good.size()) / 2] = '\xFF';  // a marker where data should be
    corrupt[(scan + good.size()) / 2 + 1] = '\xD4';
    JpegSpec arithmetic = Spec(37, 21);
    arithmetic.arithmetic = true;
    for (const QByteArray& second : {cut, corrupt, MakeJpeg(arithmetic)}) {
        const QByteArray input = TwoPictures(First(), second, true);
        for (int code : {1, 4}) {
            TempDir dir;
            const QString path = dir.File("multi.jpg");
            WriteFile(path, input);
            EXPECT_NE(Transform(path, code), 0) << second.size();
            EXPECT_EQ(ReadFile(path), input);
            EXPECT_EQ(Entries(dir.Path()), QStringList{"multi.jpg"});
        }
    }
}

TEST(Mpf, IndexThatDescribesNoPictureKeepsTheTrailerAsItWas) {
    // An index with an entry past the end or at no SOI: it cannot be kept right, so it
    // and the bytes after the first picture stay as they were, even when another of
    // its entries finds a picture.
    const QByteArray second = Second();
    for (uint32_t offset : {0x7FFFFFu, 100u}) {
        JpegSpec spec = First();
        spec.segments.push_back({0xE2, MpfPayload(false, {{0, 0}, {0, 0}, {1000, offset}})});
        const QByteArray draft = MakeJpeg(spec);
        const uint32_t secondAt =
            static_cast<uint32_t>(draft.size() - (FindMarkers(draft, 0xE2).back() + 8));
        spec.segments.back().payload = MpfPayload(
            false, {{static_cast<uint32_t>(draft.size()), 0},
                    {static_cast<uint32_t>(second.size()), secondAt}, {1000, offset}});
        const QByteArray first = MakeJpeg(spec);
        const QByteArray tail = second + RandomBytes(3000, 5);
        const QByteArray input = first + tail;
        TempDir dir;
        const QString path = dir.File("odd.jpg");
        WriteFile(path, input);
        ASSERT_EQ(Transform(path, 2), 0);
        const QByteArray result = ReadFile(path);
        EXPECT_TRUE(result.endsWith(tail));
        EXPECT_EQ(SegmentPayload(result, 0xE2, 1), SegmentPayload(input, 0xE2, 1));
        EXPECT_TRUE(LikeJpegtran(result.left(result.size() - tail.size()), first, 2));
    }
}

}  // namespace
