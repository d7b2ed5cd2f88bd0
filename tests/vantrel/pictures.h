#pragma once
// Photos with more than one picture in them, made by the tests: an EXIF thumbnail in
// IFD1, an MPF index (CIPA DC-007) with a second picture after the first; and a
// lister of a file's marker segments, to see which of them a transform kept.

#include "tests/support/oracle.h"
#include "tests/support/photos.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vantreltest {

// A segment of the first picture, in file order: the marker, its bytes from FF to
// the end of its payload, and how many scans stand before it.
struct ListedSegment {
    uint8_t marker = 0;
    QByteArray bytes;
    int scansBefore = 0;
};
// SOI to EOI; entropy-coded data is stepped over. Empty for a broken structure.
std::vector<ListedSegment> ListSegments(const QByteArray& jpeg);

// What a transform must keep of a picture's structure: every APPn and COM segment
// (bytes in hex), "SOF" where the frame header stands, "SCANS" for the scans (with
// what lies between them) and "EOI", in file order; DQT, DHT and DRI left out.
QStringList Skeleton(const QByteArray& jpeg);

// Numbers in either byte order.
QByteArray Put16(uint16_t v, bool big);
QByteArray Put32(uint32_t v, bool big);

// A TIFF block whose IFD1 holds `thumbnail` (a JPEG or any bytes), with an Exif IFD
// giving the pixel size. By default the thumbnail comes after everything else; else
// IFD1's offset entry says `at` (where the caller puts it); `next` is IFD1's next-IFD
// link, `maker` the Exif IFD's MakerNote.
struct ThumbnailLayout {
    uint32_t at = 0, next = 0;
    QByteArray maker;
};
QByteArray TiffWithThumbnail(const QByteArray& thumbnail, bool bigEndian, int width, int height,
                             const ThumbnailLayout& layout = {});
// The EXIF payload of that block, followed by `slack` zero bytes inside the block.
QByteArray ExifWithThumbnail(const QByteArray& thumbnail, bool bigEndian, int width, int height,
                             int slack = 0);

// The thumbnail bytes of a file's first EXIF APP1 (offset and length from IFD1), and
// where they lie in the file.
struct ThumbnailAt {
    qsizetype offset = -1, length = 0;
};
ThumbnailAt FindThumbnail(const QByteArray& jpeg);

// The file offset of the 4-byte value field of `tag` in the first EXIF block's IFD0
// (ifd 0), IFD1 (1) or Exif IFD (2); -1 when absent.
qsizetype ValueField(const QByteArray& jpeg, int ifd, uint16_t tag);

inline QByteArray MpfPayload(bool bigEndian, uint32_t firstSize, uint32_t secondSize,
                             uint32_t secondOffset) {
    return testsupport::MpfPayload(bigEndian, {{firstSize, 0}, {secondSize, secondOffset}});
}
// `first` (whose segments get an MPF index after the others) followed by `second`,
// the index giving the second's size and offset.
QByteArray TwoPictures(testsupport::JpegSpec first, const QByteArray& second, bool bigEndian);

// The MPF entries of pictures 1 and 2 as exiftool reads them: start in the file and
// length.
struct MpfSeen {
    qsizetype firstStart = -1, firstLength = -1;
    qsizetype start = -1, length = -1;
    bool ok = false;
};
MpfSeen ExiftoolSecondPicture(const QString& path);

// exiftool's warnings for a file (empty when it has none).
std::string ExiftoolWarnings(const QString& path);

}  // namespace vantreltest
