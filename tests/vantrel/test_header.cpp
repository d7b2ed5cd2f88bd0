// The picture's own segments stay as they were around the new frame and scans: no
// JFIF or Adobe segment added or moved, segments after the last scan kept after it.

#include "tests/vantrel/helpers.h"
#include "tests/vantrel/pictures.h"

#include <gtest/gtest.h>

using namespace testsupport;
using namespace vantreltest;

namespace {

const QByteArray kAdobe("Adobe\x00\x64\x00\x00\x00\x00\x01", 12);  // transform 1: YCbCr

// `segment` (marker and payload) inserted before the first segment with `marker`.
QByteArray InsertBefore(const QByteArray& jpeg, uint8_t marker, uint8_t code, const QByteArray& payload) {
    const qsizetype at = FindMarkers(jpeg, marker).at(0);
    QByteArray segment("\xFF", 1);
    segment += static_cast<char>(code);
    segment += static_cast<char>((payload.size() + 2) >> 8);
    segment += static_cast<char>((payload.size() + 2) & 0xFF);
    return QByteArray(jpeg).insert(at, segment + payload);
}

QByteArray BeforeEoi(const QByteArray& jpeg, const QByteArray& segments) {
    return jpeg.left(jpeg.size() - 2) + segments + QByteArray("\xFF\xD9", 2);
}

QByteArray Com(const QByteArray& text) {
    QByteArray s("\xFF\xFE", 2);
    s += static_cast<char>((text.size() + 2) >> 8);
    s += static_cast<char>((text.size() + 2) & 0xFF);
    return s + text;
}

struct Case {
    const char* what;
    QByteArray input;
};

std::vector<Case> Cases() {
    JpegSpec plain = Spec(61, 45);
    plain.jfif = false;
    JpegSpec adobe = plain;
    adobe.segments = {{0xEE, kAdobe}};
    JpegSpec both = adobe;
    both.jfif = true;
    JpegSpec exif = plain;
    exif.segments = {{0xE1, ExifPayload(StandardExif(6))}, {0xFE, "after EXIF"}};
    JpegSpec progressive = Spec(61, 45);
    progressive.progressive = true;
    JpegSpec restart = plain;
    restart.restartInterval = 2;
    const QByteArray prog = MakeJpeg(progressive);
    const qsizetype secondScan = FindMarkers(prog, 0xDA).at(0);  // first SOS; find the next
    const qsizetype next = prog.indexOf(QByteArray("\xFF\xC4", 2), secondScan + 2);
    QByteArray betweenScans = prog;
    betweenScans.insert(next, Com("between scans"));
    return {
        {"no APPn at all", MakeJpeg(plain)},
        {"only an Adobe APP14", MakeJpeg(adobe)},
        {"JFIF then Adobe", MakeJpeg(both)},
        {"COM after the last scan", BeforeEoi(MakeJpeg(exif), Com("late note"))},
        {"APP9 and COM after the last scan",
         BeforeEoi(MakeJpeg(plain), QByteArray("\xFF\xE9\x00\x05" "abc", 7) + Com("x"))},
        {"APP4 between DQT and SOF", InsertBefore(MakeJpeg(adobe), 0xC0, 0xE4, "among tables")},
        {"COM after the frame header", InsertBefore(MakeJpeg(plain), 0xC4, 0xFE, "after SOF")},
        {"COM between progressive scans", betweenScans},
        {"restart markers", MakeJpeg(restart)},
    };
}

TEST(Header, SegmentsStayWhereTheyWere) {
    for (const Case& c : Cases()) {
        ASSERT_GT(Decode(c.input).width, 0) << c.what;
        for (int code = 1; code <= 5; ++code) {
            SCOPED_TRACE(::testing::Message() << c.what << ", code " << code);
            TempDir dir;
            const QString path = dir.File("p.jpg");
            WriteFile(path, c.input);
            ASSERT_EQ(Transform(path, code), 0);
            const QByteArray result = ReadFile(path);
            EXPECT_EQ(Skeleton(result), Skeleton(c.input));
            EXPECT_TRUE(LikeJpegtran(result, c.input, code));
        }
    }
}

TEST(Header, QuantisationTablesKeepTheirSegments) {
    // Two tables in one DQT segment, as cameras write them: the segment stays one,
    // in its place, its tables transposed for a quarter turn only.
    JpegSpec spec = Spec(64, 48);
    spec.jfif = false;
    const QByteArray separate = MakeJpeg(spec);
    const std::vector<qsizetype> dqt = FindMarkers(separate, 0xDB);
    ASSERT_EQ(dqt.size(), 2u);
    const QByteArray first = SegmentPayload(separate, 0xDB, 0), second = SegmentPayload(separate, 0xDB, 1);
    QByteArray joined = separate;
    joined.remove(dqt[0], 4 + first.size() + 4 + second.size());
    QByteArray one("\xFF\xDB", 2);
    one += static_cast<char>((first.size() + second.size() + 2) >> 8);
    one += static_cast<char>((first.size() + second.size() + 2) & 0xFF);
    joined.insert(dqt[0], one + first + second);
    ASSERT_TRUE(Decode(joined) == Decode(separate));
    for (int code = 1; code <= 5; ++code) {
        const QByteArray result = [&] {
            TempDir dir;
            WriteFile(dir.File("p.jpg"), joined);
            EXPECT_EQ(Transform(dir.File("p.jpg"), code), 0);
            return ReadFile(dir.File("p.jpg"));
        }();
        ASSERT_EQ(FindMarkers(result, 0xDB).size(), 1u) << code;
        EXPECT_EQ(FindMarkers(result, 0xDB)[0], dqt[0]) << code;
        const bool quarter = code == 1 || code == 3;
        EXPECT_EQ(SegmentPayload(result, 0xDB) == SegmentPayload(joined, 0xDB), !quarter) << code;
        EXPECT_TRUE(LikeJpegtran(result, joined, code)) << code;
    }
}

}  // namespace
