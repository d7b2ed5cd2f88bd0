// Multi-picture files: the pictures an MPF index lists after the first are turned
// with it, and the index (and an Ultra HDR photo's XMP container directory) finds
// them again; other trailers stay as they were.

#include "platform/vantrel/vantrel_internal.h"
#include "tests/vantrel/helpers.h"
#include "tests/vantrel/pictures.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

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
    // An index with an entry past the end or at no SOI, or one that overlaps itself: it
    // cannot be kept right, so it and the bytes after the first picture stay as they
    // were, even when another of its entries finds a picture.
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
    // An index whose entry table overlaps its own directory: the new sizes would be
    // written over its fields.
    const QByteArray overlapping = TestData("mpf-entry-table-over-its-directory.jpg");
    for (int code = 1; code <= 5; ++code) {
        TempDir dir;
        const QString path = dir.File("overlapping.jpg");
        WriteFile(path, overlapping);
        ASSERT_EQ(Transform(path, code), 0);
        const QByteArray result = ReadFile(path);
        EXPECT_EQ(SegmentPayload(result, 0xE2), SegmentPayload(overlapping, 0xE2)) << code;
        EXPECT_TRUE(LikeJpegtran(result, overlapping, code));
    }
}

// ---- Ultra HDR: the XMP container directory ----------------------------------------

// The XMP packet of an Ultra HDR photo: a container directory of the primary picture,
// the gain map (`gainMap` bytes) and, when `video`, a motion photo's video after it;
// the gain map's properties as attributes or as elements; `padding` spaces before the
// packet's end ("<?xpacket end", or the end of a packet without one).
QByteArray UltraHdrXmp(qsizetype gainMap, bool element, int padding, bool wrapped,
                       qsizetype video = 0) {
    const QByteArray length = QByteArray::number(gainMap);
    QByteArray x =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
        " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
        "  <rdf:Description rdf:about=\"\"\n"
        "    xmlns:Container=\"http://ns.google.com/photos/1.0/container/\"\n"
        "    xmlns:Item=\"http://ns.google.com/photos/1.0/container/item/\"\n"
        "    xmlns:hdrgm=\"http://ns.adobe.com/hdr-gain-map/1.0/\" hdrgm:Version=\"1.0\">\n"
        "   <Container:Directory>\n"
        "    <rdf:Seq>\n"
        "     <rdf:li rdf:parseType=\"Resource\">\n"
        "      <Container:Item Item:Semantic=\"Primary\" Item:Mime=\"image/jpeg\"/>\n"
        "     </rdf:li>\n"
        "     <rdf:li rdf:parseType=\"Resource\">\n";
    if (element)
        x += "      <Container:Item rdf:parseType=\"Resource\">\n"
             "       <Item:Semantic>GainMap</Item:Semantic>\n"
             "       <Item:Mime>image/jpeg</Item:Mime>\n"
             "       <Item:Length>" + length + "</Item:Length>\n"
             "      </Container:Item>\n";
    else
        x += "      <Container:Item Item:Semantic=\"GainMap\" Item:Mime=\"image/jpeg\" Item:Length=\"" +
             length + "\"/>\n";
    x += "     </rdf:li>\n";
    if (video > 0)
        x += "     <rdf:li rdf:parseType=\"Resource\">\n"
             "      <Container:Item Item:Semantic=\"MotionPhoto\" Item:Mime=\"video/mp4\" "
             "Item:Length=\"" + QByteArray::number(video) + "\" Item:Padding=\"0\"/>\n"
             "     </rdf:li>\n";
    x += "    </rdf:Seq>\n"
         "   </Container:Directory>\n"
         "  </rdf:Description>\n"
         " </rdf:RDF>\n"
         "</x:xmpmeta>" + QByteArray(padding, ' ');
    if (wrapped)
        x = "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>" + x + "<?xpacket end=\"w\"?>";
    return XmpPayload(x);
}

// A gain map whose turn by code 1 comes out larger (its own Huffman tables were made
// for it, the turned one's are the standard ones) or smaller (a partial block row
// goes), followed by `extra` bytes its MPF entry counts.
QByteArray GainMap(bool larger, qsizetype extra) {
    JpegSpec spec = Spec(larger ? 40 : 37, larger ? 24 : 21, Sampling::Grey);
    spec.jfif = false;
    spec.seed = 13;
    const QByteArray map = MakeJpeg(spec);
    return (larger ? Jpegtran({"-optimize", "-copy", "all"}, map) : map) + QByteArray(extra, '\0');
}

// The lengths of the container directory's items as exiftool reads them.
QList<QByteArray> ItemLengths(const QString& path) {
    return Run("exiftool", {"-a", "-s3", "-XMP-Container:DirectoryItemLength", path})
        .out.trimmed()
        .split('\n');
}

struct UltraHdrCase {
    const char* name;
    bool element, wrapped;
    int padding;
    bool larger;       // the gain map's turn is larger, else smaller
    bool otherWidth;   // its length gets another number of digits
    bool video;        // a motion photo's video after the gain map
    bool rewritten;    // else the XMP stays as it was: neither fits
};

class UltraHdr : public ::testing::TestWithParam<UltraHdrCase> {};

TEST_P(UltraHdr, TheDirectoryFindsTheTurnedGainMap) {
    const UltraHdrCase c = GetParam();
    const QByteArray video = c.video ? RandomBytes(3000, 8) : QByteArray();
    auto file = [&](const QByteArray& map) {
        JpegSpec spec = First();
        spec.segments.insert(spec.segments.begin() + 1,
                             {0xE1, UltraHdrXmp(map.size(), c.element, c.padding, c.wrapped,
                                                video.size())});
        return TwoPictures(spec, map, false) + video;
    };
    TempDir dir;
    int made = 0;
    std::string warnings;  // the test's ICC profile is not a real one
    auto turned = [&](const QByteArray& input, QString* at = nullptr) {
        const QString path = dir.File(QString("uhdr%1.jpg").arg(++made));
        WriteFile(path, input);
        warnings = ExiftoolWarnings(path);
        EXPECT_EQ(Transform(path, 1), 0);
        if (at) *at = path;
        return ExiftoolSecondPicture(path).length;
    };
    // The gain map's sizes before and after the turn straddle a power of ten where
    // its length is to change its number of digits.
    QByteArray map = GainMap(c.larger, 0);
    const qsizetype grown = turned(file(map)) - map.size();
    ASSERT_NE(grown, 0);
    qsizetype extra = 5000;
    if (c.otherWidth) {
        const qsizetype before = c.larger ? map.size() : map.size() + grown;
        qsizetype power = 10;
        while (power <= before) power *= 10;
        extra = power - 1 - before;
    }
    map = GainMap(c.larger, extra);
    ASSERT_EQ(QByteArray::number(map.size()).size() != QByteArray::number(map.size() + grown).size(),
              c.otherWidth);

    const QByteArray input = file(map);
    QString path;
    const qsizetype length = turned(input, &path);
    EXPECT_EQ(length, map.size() + grown);
    const QByteArray result = ReadFile(path);
    EXPECT_TRUE(result.endsWith(video));
    EXPECT_EQ(ExiftoolWarnings(path), warnings);
    const QByteArray xmp = SegmentPayload(result, 0xE1, 1);
    EXPECT_EQ(xmp.size(), SegmentPayload(input, 0xE1, 1).size());
    QList<QByteArray> want{QByteArray::number(c.rewritten ? length : map.size())};
    if (c.video) want << QByteArray::number(video.size());
    EXPECT_EQ(ItemLengths(path), want);
    if (!c.rewritten) {
        EXPECT_EQ(xmp, SegmentPayload(input, 0xE1, 1));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, UltraHdr,
    ::testing::Values(
        UltraHdrCase{"AttributeSameWidth", false, false, 0, false, false, false, true},
        UltraHdrCase{"ElementSameWidth", true, true, 0, true, false, false, true},
        UltraHdrCase{"LongerIntoThePadding", false, true, 20, true, true, false, true},
        UltraHdrCase{"LongerWithoutPadding", false, true, 0, true, true, false, false},
        UltraHdrCase{"ShorterGivesToThePadding", true, false, 0, false, true, false, true},
        UltraHdrCase{"GainMapThenVideo", false, true, 50, true, false, true, true}),
    [](const ::testing::TestParamInfo<UltraHdrCase>& p) { return std::string(p.param.name); });

}  // namespace
