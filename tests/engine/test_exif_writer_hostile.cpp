// The EXIF orientation writer on files that once made it write where it must not:
// links that leave the EXIF segment, a segment shorter than its block, values that
// overlap what the walk reads later, an XMP segment ahead of the EXIF one, and
// Orientation entries of other types and counts.

#include "engine/common.h"
#include "platform/gdiplus/gpimage.h"
#include "tests/support/files.h"
#include "tests/support/oracle.h"
#include "tests/support/photos.h"

#include <gtest/gtest.h>

#include <set>

using namespace testsupport;

namespace {

struct Written {
    QByteArray before, after;
};

Written RunWriter(const QString& dataFile, TExifOrientation orientation) {
    TempDir dir;
    const QString path = dir.File("photo.jpg");
    Written w;
    w.before = TestData(dataFile);
    WriteFile(path, w.before);
    WriteExifOrientation(path, orientation);
    w.after = ReadFile(path);
    return w;
}

// The file positions whose bytes differ.
std::set<qsizetype> Changed(const Written& w) {
    std::set<qsizetype> out;
    for (qsizetype i = 0; i < std::min(w.before.size(), w.after.size()); ++i)
        if (w.before[i] != w.after[i]) out.insert(i);
    return out;
}

// `after` is `before` with the 4-byte value fields at the given positions replaced.
QByteArray WithFields(QByteArray bytes, const std::vector<std::pair<qsizetype, QByteArray>>& fields) {
    for (const auto& [at, field] : fields) bytes.replace(at, 4, field);
    return bytes;
}

}  // namespace

// Each of these files holds Orientation-like bytes outside its EXIF segment, where the
// walk used to follow a link or run past the segment's end.
TEST(ExifWriterHostile, NothingOutsideTheExifSegmentIsWritten) {
    const struct {
        const char* file;
        std::vector<std::pair<qsizetype, QByteArray>> fields;  // what may change, to what
    } cases[] = {
        // IFD0 offset 0: the "II" is taken as a huge entry count that runs past the end.
        {"exif-ifd-offset-past-app1-minimal.jpg", {}},
        // The APP1 length cuts IFD0 before its Orientation entry: the entry is not the
        // segment's, and the bytes behind it are not EXIF.
        {"exif-app1-length-short-be.jpg", {}},
        // IFD0's own Orientation is rewritten; the next-IFD link leaves the segment for
        // a comment holding an IFD-like block, which stays as it is.
        {"exif-next-ifd-past-app1-le.jpg", {{30, QByteArray("\x01\x00\x00\x00", 4)}}},
        // A real photo: the comment after the EXIF segment keeps its text.
        {"exif-pointer-into-comment-o6.jpg", {{72, QByteArray("\x00\x01\x00\x00", 4)}}},
    };
    for (const auto& c : cases) {
        const Written w = RunWriter(c.file, 1);
        ASSERT_EQ(w.after.size(), w.before.size()) << c.file;
        EXPECT_EQ(w.after, WithFields(w.before, c.fields))
            << c.file << ": " << Changed(w).size() << " bytes changed";
    }
}

TEST(ExifWriterHostile, AValueWrittenNeverSteersTheWalk) {
    // IFD0's Orientation value field (file bytes 72..75) is also the entry count of
    // the IFD its next link names. The walk reads that count as the file held it, so
    // whatever value is written, the same one entry is found and nothing else changes.
    for (TExifOrientation v = 1; v <= 8; ++v) {
        const Written w = RunWriter("exif-walk-reads-its-own-writes.jpg", v);
        const QByteArray field = QByteArray(1, static_cast<char>(v)) + QByteArray(3, '\0');
        EXPECT_EQ(w.after, WithFields(w.before, {{72, field}}))
            << v << ": " << Changed(w).size() << " bytes changed";
    }
}

TEST(ExifWriterHostile, TheExifSegmentAfterAnXmpSegmentIsTheOneWritten) {
    // The image services read orientation 6 from the second APP1; the writer must
    // rewrite that same block, or every automatic run turns the photo again.
    const Written w = RunWriter("xmp-app1-before-exif-app1-o6.jpg", 1);
    EXPECT_EQ(w.after, WithFields(w.before, {{292, QByteArray("\x01\x00\x00\x00", 4)}}));

    TempDir dir;
    const QString path = dir.File("photo.jpg");
    WriteFile(path, w.after);
    TGPImage image(path);
    EXPECT_EQ(GetImageOrientation(image), 1);
}

TEST(ExifWriterHostile, OrientationIsWrittenInItsOwnType) {
    // A big-endian LONG: four bytes 00 00 00 01, so that it reads 1 and not 65536.
    Written w = RunWriter("orientation-as-long-be-o6.jpg", 1);
    EXPECT_EQ(w.after, WithFields(w.before, {{30, QByteArray("\x00\x00\x00\x01", 4)}}));
    // Two values (6 and 3): the first is the orientation, the second stays.
    w = RunWriter("orientation-count-two-le.jpg", 1);
    EXPECT_EQ(w.after, WithFields(w.before, {{30, QByteArray("\x01\x00\x03\x00", 4)}}));
    // A SHORT is two bytes in the file's order and two zero bytes, whatever stood in
    // the padding before.
    w = RunWriter("orientation-nonzero-padding-be.jpg", 1);
    EXPECT_EQ(w.after, WithFields(w.before, {{42, QByteArray("\x00\x01\x00\x00", 4)}}));
}

TEST(ExifWriterHostile, EntriesThatHoldNoOrientationAreLeftAlone) {
    // Types the reader reads as no orientation, and entries without a value.
    for (bool big : {false, true}) {
        for (const auto& [type, count] : std::vector<std::pair<uint16_t, uint32_t>>{
                 {2, 1}, {7, 1}, {11, 1}, {1, 0}, {3, 0}, {4, 0}, {9, 0}}) {
            TiffBuilder t(big);
            t.Raw(t.AddIfd(), 0x0112, type, count,
                  big ? QByteArray("\x00\x06\x00\x00", 4) : QByteArray("\x06\x00\x00\x00", 4));
            JpegSpec spec;
            spec.segments = {{0xE1, ExifPayload(t.Build())}};
            const QByteArray bytes = MakeJpeg(spec);
            TempDir dir;
            const QString path = dir.File("p.jpg");
            WriteFile(path, bytes);
            WriteExifOrientation(path, 1);
            EXPECT_EQ(ReadFile(path), bytes) << big << " type " << type << " count " << count;
        }
    }
}

TEST(ExifWriterHostile, ValuesThatShareBytesAreWrittenOnceEach) {
    // The Exif IFD's two-LONG Orientation lies over IFD0's own value field: only the
    // entry found first is written, so that what is written reads as written.
    for (bool big : {false, true}) {
        TiffBuilder t(big);
        const int ifd0 = t.AddIfd();
        const int exif = t.AddIfd();
        t.Short(ifd0, 0x0112, 6);
        t.PointTo(ifd0, 0x8769, exif);
        t.Raw(exif, 0x0112, 4, 2, QByteArray(8, '\x06'));
        QByteArray tiff = t.Build();
        const QByteArray entry = big ? QByteArray("\x01\x12\x00\x04\x00\x00\x00\x02", 8)
                                     : QByteArray("\x12\x01\x04\x00\x02\x00\x00\x00", 8);
        const qsizetype at = tiff.indexOf(entry);
        ASSERT_GT(at, 0);
        const qsizetype ifd0Field = 8 + 2 + 8;  // IFD0 right after the header, its first entry
        tiff.replace(at + 8, 4, big ? QByteArray("\x00\x00\x00\x12", 4) : QByteArray("\x12\x00\x00\x00", 4));
        JpegSpec spec;
        spec.jfif = false;
        spec.segments = {{0xE1, ExifPayload(tiff)}};
        const QByteArray bytes = MakeJpeg(spec);
        TempDir dir;
        const QString path = dir.File("p.jpg");
        WriteFile(path, bytes);
        WriteExifOrientation(path, 1);
        const qsizetype field = 2 + 4 + 6 + ifd0Field;  // SOI, APP1 header, "Exif\0\0"
        EXPECT_EQ(ReadFile(path), WithFields(bytes, {{field, big ? QByteArray("\x00\x01\x00\x00", 4)
                                                               : QByteArray("\x01\x00\x00\x00", 4)}}))
            << big;
    }
}
