#pragma once
// Photos for tests, made on the spot: JPEG files with any sampling, progressive or
// restart markers, with marker segments of our choosing after SOI, and TIFF/EXIF
// blocks of any layout and either byte order (hostile ones included).

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

namespace testsupport {

enum class Sampling { S420, S422, S444, S440, Grey, Cmyk, S411 };

struct Segment {
    uint8_t marker;      // 0xE1 for APP1, 0xE2 for APP2, 0xFE for COM ...
    QByteArray payload;  // without marker and length
};

struct JpegSpec {
    int width = 64;
    int height = 48;
    Sampling sampling = Sampling::S420;
    bool progressive = false;
    bool arithmetic = false;
    bool jfif = true;          // write a JFIF APP0 first
    int restartInterval = 0;   // in MCUs; 0 = no restart markers
    int quality = 90;
    unsigned seed = 1;         // varies the picture
    std::vector<Segment> segments;  // written right after SOI (and JFIF APP0)
};

// A complete JPEG file. Pixels are a deterministic pattern with detail in every
// block, so that any wrong transform shows.
QByteArray MakeJpeg(const JpegSpec& spec);

// TIFF block builder. IFDs are laid out after the 8-byte header in the order they
// were added, then every value that does not fit in 4 bytes, then blobs.
class TiffBuilder {
public:
    explicit TiffBuilder(bool bigEndian = false);
    int AddIfd();  // the first one added is IFD0, linked from the header

    void Short(int ifd, uint16_t tag, uint16_t value);
    void Long(int ifd, uint16_t tag, uint32_t value);
    void Ascii(int ifd, uint16_t tag, const QByteArray& text);  // NUL added
    void Rational(int ifd, uint16_t tag, uint32_t num, uint32_t den);
    void SRational(int ifd, uint16_t tag, int32_t num, int32_t den);
    // Any entry; `value` holds the value bytes in file order. Up to 4 bytes stand in
    // the entry (left-justified), more go to the data area.
    void Raw(int ifd, uint16_t tag, uint16_t type, uint32_t count, const QByteArray& value);
    // An entry (type LONG) whose value is the offset of IFD `target`: 0x8769 Exif IFD,
    // 0x8825 GPS IFD, 0xA005 Interoperability IFD. `target` may be an earlier IFD.
    void PointTo(int ifd, uint16_t tag, int target);
    // An entry (type LONG) whose value field is written as given.
    void LongLiteral(int ifd, uint16_t tag, uint32_t rawValue);
    // The next-IFD field of `ifd` points at IFD `target` (may form a loop).
    void Link(int ifd, int target);
    // The next-IFD field of `ifd` holds `raw` as is (0xFFFF, 0x80000000, past the end...).
    void NextLiteral(int ifd, uint32_t raw);
    // IFD1 thumbnail: 0x0201 offset and 0x0202 length of `jpeg`, placed in the blob area.
    void Thumbnail(int ifd, const QByteArray& jpeg);
    // The header's IFD0 offset written as given instead of the real one.
    void HeaderOffsetLiteral(uint32_t raw);

    QByteArray Build() const;
    bool BigEndian() const { return big_; }

private:
    struct Entry {
        uint16_t tag, type;
        uint32_t count;
        QByteArray value;  // file-order bytes
        int pointsTo = -1;
        bool literal = false;
        uint32_t literalValue = 0;
        int blob = -1;     // value is the offset of blob #blob
    };
    struct Ifd {
        std::vector<Entry> entries;
        int next = -1;
        bool nextLiteral = false;
        uint32_t nextRaw = 0;
    };
    QByteArray U16(uint16_t v) const;
    QByteArray U32(uint32_t v) const;

    bool big_;
    std::vector<Ifd> ifds_;
    std::vector<QByteArray> blobs_;
    bool headerLiteral_ = false;
    uint32_t headerRaw_ = 0;
};

// "Exif\0\0" + TIFF: the payload of an EXIF APP1 segment.
QByteArray ExifPayload(const QByteArray& tiff);
// A usual EXIF block: IFD0 with Make and Orientation, an Exif IFD, and an IFD1.
// `orientationIn` selects where Orientation entries stand: bit 0 IFD0, bit 1 the Exif
// IFD, bit 2 IFD1. orientation 0 writes no Orientation entry at all.
QByteArray StandardExif(uint16_t orientation, bool bigEndian = false, int orientationIn = 1);

// The payload of an MPF APP2 segment indexing pictures given as (size, offset from the
// index's header), the first one first.
QByteArray MpfPayload(bool bigEndian, const std::vector<std::pair<uint32_t, uint32_t>>& pictures);
// `first` (whose segments get an MPF index after the others) followed by `others`,
// the index giving each one's size and offset.
QByteArray MultiPicture(JpegSpec first, const std::vector<QByteArray>& others, bool bigEndian);

// The payloads of well-known segments.
QByteArray XmpPayload(const QByteArray& xmlPacket = QByteArray());
QByteArray IccPayload();  // a small (not colour-correct) ICC profile in an APP2 chunk

// A photo with an EXIF APP1 carrying the orientation (0: no Orientation entry).
QByteArray MakeExifJpeg(int width, int height, uint16_t orientation, bool bigEndian = false,
                        Sampling sampling = Sampling::S420, unsigned seed = 1);

// Byte offsets of every segment with the given marker in a JPEG (before SOS).
std::vector<qsizetype> FindMarkers(const QByteArray& jpeg, uint8_t marker);
// The payload (without marker and length) of the first segment with that marker.
QByteArray SegmentPayload(const QByteArray& jpeg, uint8_t marker, int index = 0);

}  // namespace testsupport
