// The EXIF orientation writer on hand-built blocks. Each case builds the file twice,
// with the old and with the expected Orientation values and everything else the
// same, so the comparison is byte by byte over the whole file.

#include "engine/common.h"
#include "tests/support/files.h"
#include "tests/support/photos.h"

#include <QFile>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testsupport;

namespace {

QByteArray Jpeg(const std::vector<Segment>& segments, bool jfif = true) {
    JpegSpec spec;
    spec.jfif = jfif;
    spec.segments = segments;
    return MakeJpeg(spec);
}

QByteArray ExifJpeg(const QByteArray& tiff, bool jfif = true) {
    return Jpeg({{0xE1, ExifPayload(tiff)}}, jfif);
}

// The file after the writer ran on `bytes`.
QByteArray Written(const QByteArray& bytes, TExifOrientation orientation) {
    TempDir dir;
    const QString path = dir.File("photo.jpg");
    WriteFile(path, bytes);
    WriteExifOrientation(path, orientation);
    return ReadFile(path);
}

// Bytes of the value field of the first Orientation entry of the first EXIF block.
QByteArray FirstOrientationField(const QByteArray& jpeg) {
    const QByteArray tiff = SegmentPayload(jpeg, 0xE1).mid(6);
    const bool big = tiff.startsWith("MM");
    auto u16 = [&](qsizetype at) {
        const auto a = static_cast<uint8_t>(tiff[at]), b = static_cast<uint8_t>(tiff[at + 1]);
        return big ? (a << 8 | b) : (b << 8 | a);
    };
    const qsizetype ifd = 8;  // the builder puts IFD0 right after the header
    for (int i = 0; i < u16(ifd); ++i)
        if (u16(ifd + 2 + 12 * i) == 0x0112) return tiff.mid(ifd + 2 + 12 * i + 8, 4);
    return QByteArray();
}

}  // namespace

TEST(ExifWriterBytes, ValueFieldInEachByteOrder) {
    const QByteArray le = Written(MakeExifJpeg(64, 48, 6, false), 1);
    EXPECT_EQ(FirstOrientationField(le), QByteArray("\x01\x00\x00\x00", 4));
    const QByteArray be = Written(MakeExifJpeg(64, 48, 6, true), 1);
    EXPECT_EQ(FirstOrientationField(be), QByteArray("\x00\x01\x00\x00", 4));
}

TEST(ExifWriterBytes, OnlyTheOrientationValueFieldChanges) {
    for (bool big : {false, true}) {
        for (TExifOrientation v = 1; v <= 8; ++v) {
            const QByteArray before = ExifJpeg(StandardExif(6, big));
            const QByteArray expected = ExifJpeg(StandardExif(v, big));
            EXPECT_EQ(Written(before, v), expected) << big << " " << v;
        }
    }
}

TEST(ExifWriterBytes, ShortAndLongAreEachWrittenInTheirOwnForm) {
    for (bool big : {false, true}) {
        auto block = [&](const QByteArray& field, uint16_t type) {
            TiffBuilder t(big);
            const int ifd0 = t.AddIfd();
            t.Ascii(ifd0, 0x010F, "Cam");
            t.Raw(ifd0, 0x0112, type, 1, field);
            return ExifJpeg(t.Build());
        };
        // SHORT: the padding after the two value bytes becomes zero.
        EXPECT_EQ(Written(block(big ? QByteArray("\x00\x06\xAB\xCD", 4) : QByteArray("\x06\x00\xAB\xCD", 4), 3), 3),
                  block(big ? QByteArray("\x00\x03\x00\x00", 4) : QByteArray("\x03\x00\x00\x00", 4), 3))
            << big;
        // LONG: one 32-bit number in the file's order.
        EXPECT_EQ(Written(block(big ? QByteArray("\x00\x00\x00\x06", 4) : QByteArray("\x06\x00\x00\x00", 4), 4), 8),
                  block(big ? QByteArray("\x00\x00\x00\x08", 4) : QByteArray("\x08\x00\x00\x00", 4), 4))
            << big;
    }
}

TEST(ExifWriterWalk, SegmentsBeforeTheExifApp1ArePassedOver) {
    for (bool jfif : {false, true}) {
        const std::vector<Segment> before = {{0xFE, "a comment"}, {0xE1, ExifPayload(StandardExif(6))}};
        const std::vector<Segment> after = {{0xFE, "a comment"}, {0xE1, ExifPayload(StandardExif(1))}};
        EXPECT_EQ(Written(Jpeg(before, jfif), 1), Jpeg(after, jfif)) << jfif;
    }
}

TEST(ExifWriterWalk, TheExifSegmentIsFoundAsTheImageServicesFindIt) {
    // Not the first APP1 but the first EXIF one; fill bytes and stand-alone markers
    // before it are passed over.
    const QByteArray xmp = XmpPayload();
    EXPECT_EQ(Written(Jpeg({{0xE1, xmp}, {0xE1, ExifPayload(StandardExif(6))}}), 1),
              Jpeg({{0xE1, xmp}, {0xE1, ExifPayload(StandardExif(1))}}));
    QByteArray fill = ExifJpeg(StandardExif(6), false);
    QByteArray filled = ExifJpeg(StandardExif(1), false);
    for (QByteArray* b : {&fill, &filled}) b->insert(2, QByteArray("\xFF\xFF\xD0", 3));
    EXPECT_EQ(Written(fill, 1), filled);
}

TEST(ExifWriterWalk, Ifd0ExifIfdAndIfd1AreAllRewritten) {
    for (bool big : {false, true}) {
        EXPECT_EQ(Written(ExifJpeg(StandardExif(6, big, 7)), 8), ExifJpeg(StandardExif(8, big, 7)));
        EXPECT_EQ(Written(ExifJpeg(StandardExif(3, big, 2)), 1), ExifJpeg(StandardExif(1, big, 2)));
        EXPECT_EQ(Written(ExifJpeg(StandardExif(3, big, 4)), 1), ExifJpeg(StandardExif(1, big, 4)));
    }
}

TEST(ExifWriterWalk, GpsAndInteroperabilityIfdsAreRewrittenSinceTheReaderReadsThem) {
    auto block = [](uint16_t main, uint16_t other) {
        TiffBuilder t;
        const int ifd0 = t.AddIfd();
        const int gps = t.AddIfd();
        const int interop = t.AddIfd();
        t.Short(ifd0, 0x0112, main);
        t.PointTo(ifd0, 0x8825, gps);
        t.PointTo(ifd0, 0xA005, interop);
        t.Short(gps, 0x0112, other);
        t.Short(interop, 0x0112, other);
        return ExifJpeg(t.Build());
    };
    EXPECT_EQ(Written(block(6, 6), 1), block(1, 1));
}

TEST(ExifWriterWalk, NextIfdOutsideOneTo65534EndsTheChainQuietly) {
    for (uint32_t next : {0u, 0xFFFFu, 0x10000u, 0x80000000u, 0xFFFFFFFFu}) {
        // The Exif IFD's chain ends; IFD0 goes on with its later entries.
        auto block = [&](uint16_t v) {
            TiffBuilder t;
            const int ifd0 = t.AddIfd();
            const int exif = t.AddIfd();
            t.PointTo(ifd0, 0x8769, exif);
            t.Short(ifd0, 0x0112, v);
            t.NextLiteral(ifd0, next);
            t.Short(exif, 0x0112, v);
            t.NextLiteral(exif, next);
            return ExifJpeg(t.Build());
        };
        EXPECT_EQ(Written(block(6), 2), block(2)) << std::hex << next;
    }
}

TEST(ExifWriterWalk, ExifIfdPointingBackToIfd0IsPassedOver) {
    auto block = [](uint16_t ifd0Value, uint16_t ifd1Value) {
        TiffBuilder t;
        const int ifd0 = t.AddIfd();
        const int ifd1 = t.AddIfd();
        t.Short(ifd0, 0x0112, ifd0Value);
        t.PointTo(ifd0, 0x8769, ifd0);
        t.Link(ifd0, ifd1);
        t.Short(ifd1, 0x0112, ifd1Value);
        return ExifJpeg(t.Build());
    };
    EXPECT_EQ(Written(block(6, 6), 1), block(1, 1));
}

TEST(ExifWriterWalk, ChainLoopTerminates) {
    auto block = [](uint16_t v) {
        TiffBuilder t(true);
        const int ifd0 = t.AddIfd();
        const int ifd1 = t.AddIfd();
        t.Short(ifd0, 0x0112, v);
        t.Link(ifd0, ifd1);
        t.Short(ifd1, 0x0112, v);
        t.Link(ifd1, ifd0);
        return ExifJpeg(t.Build());
    };
    EXPECT_EQ(Written(block(6), 1), block(1));
}

TEST(ExifWriterWalk, APointerBeyondTheBlockIsPassedOver) {
    auto block = [](uint16_t ifd0Value, uint16_t ifd1Value, uint32_t exifOffset) {
        TiffBuilder t;
        const int ifd0 = t.AddIfd();
        const int ifd1 = t.AddIfd();
        t.Short(ifd0, 0x0112, ifd0Value);
        t.LongLiteral(ifd0, 0x8769, exifOffset);
        t.Link(ifd0, ifd1);
        t.Short(ifd1, 0x0112, ifd1Value);
        return ExifJpeg(t.Build());
    };
    for (uint32_t off : {0x00FFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFF00u})
        EXPECT_EQ(Written(block(6, 6, off), 1), block(1, 1, off)) << std::hex << off;

    TiffBuilder t;
    t.Short(t.AddIfd(), 0x0112, 6);
    t.HeaderOffsetLiteral(0x00FFFFFF);
    const QByteArray badHeader = ExifJpeg(t.Build());
    EXPECT_EQ(Written(badHeader, 1), badHeader);
}

TEST(ExifWriterNothingWritten, FilesThatAreLeftAlone) {
    const QByteArray exif = ExifPayload(StandardExif(6));
    std::vector<std::pair<const char*, QByteArray>> cases = {
        {"no APP1", Jpeg({{0xFE, "comment"}})},
        {"APP1 with Exif but no 00 00", Jpeg({{0xE1, QByteArray("Exif\x01\x00", 6) + StandardExif(6)}})},
        {"unknown byte order", Jpeg({{0xE1, QByteArray("Exif\0\0XX", 8) + StandardExif(6).mid(2)}})},
        {"no 42", Jpeg({{0xE1, QByteArray("Exif\0\0II\x2B\x00", 10) + StandardExif(6).mid(4)}})},
        {"not a JPEG", QByteArray("GIF89a") + exif},
        {"empty", QByteArray()},
    };
    // A zero-length segment ahead of the EXIF block breaks the chain.
    QByteArray broken = ExifJpeg(StandardExif(6));
    broken.insert(2, QByteArray("\xFF\xFE\x00\x00", 4));
    cases.push_back({"segment length 0", broken});
    // EOI before any APP1.
    cases.push_back({"EOI first", QByteArray("\xFF\xD8\xFF\xD9", 4) + Jpeg({{0xE1, exif}}).mid(2)});
    // Cut inside the IFD: nothing before the cut was an Orientation entry.
    QByteArray cut = ExifJpeg(StandardExif(6), false);
    cut.truncate(2 + 4 + 6 + 8 + 2 + 6);
    cases.push_back({"cut inside IFD0", cut});

    for (const auto& [what, bytes] : cases) EXPECT_EQ(Written(bytes, 1), bytes) << what;
}

TEST(ExifWriterNothingWritten, OrientationZero) {
    const QByteArray bytes = MakeExifJpeg(64, 48, 6);
    EXPECT_EQ(Written(bytes, 0), bytes);
}

TEST(ExifWriterNothingWritten, FileLockedByAnotherWriter) {
    TempDir dir;
    const QString path = dir.File("locked.jpg");
    const QByteArray bytes = MakeExifJpeg(64, 48, 6);
    WriteFile(path, bytes);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    WriteExifOrientation(path, 1);
    EXPECT_EQ(ReadFile(path), bytes);
    ::close(fd);
    WriteExifOrientation(path, 1);
    EXPECT_EQ(ReadFile(path), MakeExifJpeg(64, 48, 1));
}

TEST(ExifWriterNothingWritten, MissingFileOrFolder) {
    TempDir dir;
    WriteExifOrientation(dir.File("missing.jpg"), 1);
    WriteExifOrientation(dir.Path(), 1);
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.File("fifo.jpg")).constData(), 0600), 0);
    WriteExifOrientation(dir.File("fifo.jpg"), 1);  // returns, without waiting for a writer
    EXPECT_FALSE(QFile::exists(dir.File("missing.jpg")));
}

TEST(ExifWriterByteOrder, Swaps) {
    EXPECT_EQ(Swap16(0x1234), 0x3412);
    EXPECT_EQ(Swap16(0x00FF), 0xFF00);
    EXPECT_EQ(Swap32(0x12345678u), 0x78563412u);
    EXPECT_EQ(Swap32(0xFF000001u), 0x010000FFu);
}
