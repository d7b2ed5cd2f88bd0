#pragma once
// What an image knows after reading its header: private to the image services, kept
// for the drawing and thumbnail code that decodes pixels later.

#include "platform/gdiplus/gpimage.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

namespace gdiplus_detail {
// How a picture is resampled to a new size.
enum class Resample { Nearest, Bilinear, Smooth };
}  // namespace gdiplus_detail

struct TGPImage::Data {
    // Jpeg and Other are files decoded when drawn; Bitmap holds its pixels.
    enum class Kind { None, Jpeg, Other, Bitmap };

    struct Property {
        uint32_t id = 0;
        uint16_t type = 0;
        QByteArray value;  // host byte order
    };

    Kind kind = Kind::None;
    QString fileName;
    QByteArray format;         // "jpeg", "png", "bmp", "gif", "tiff"
    unsigned width = 0;
    unsigned height = 0;
    int jpegSubsampling = -1;  // TJSAMP_*, JPEG only
    int jpegColorspace = -1;   // TJCS_*, JPEG only
    // Decoding would take more memory than any picture may (the size and the
    // properties are known, the pixels are never decoded).
    bool overMemoryBound = false;

    // The payload of the first EXIF APP1 segment, from "Exif\0\0" on; empty without.
    QByteArray exif;

    // Filled from `exif` on the first property query.
    bool propertiesParsed = false;
    std::vector<Property> properties;
    QByteArray thumbnail;      // the embedded EXIF thumbnail (IFD1 JPEG), if any

    // Bitmap: the pixels, premultiplied 32-bit ARGB. A TGPBitmap from a file gets
    // them on its first use as a drawing target.
    QImage pixels;

    // A picture made ahead of time (TGPDecodeAhead) for one request: a thumbnail of
    // width x height, or the image drawn at width x height; given out once.
    struct Prepared {
        enum class Use { None, Thumbnail, Draw } use = Use::None;
        int width = 0;
        int height = 0;
        gdiplus_detail::Resample how = gdiplus_detail::Resample::Bilinear;
        QImage picture;
        // The decode `picture` was made from, kept (when small) for a request of
        // another size, so that a photo is still decoded once.
        QImage decoded;
    } prepared;

    // The prepared picture when it answers this request (and forgets it); null else.
    QImage TakePrepared(Prepared::Use use, int w, int h, gdiplus_detail::Resample how) {
        if (prepared.use != use || prepared.width != w || prepared.height != h ||
            (use == Prepared::Use::Draw && prepared.how != how))
            return {};
        prepared.use = Prepared::Use::None;
        return std::move(prepared.picture);
    }
};

namespace gdiplus_detail {

// The most memory one picture's decode may take; a picture that needs more cannot be
// read. A 12-megapixel photo drawn at 1/8 takes 0.75 MB, a progressive one 72 MB more.
constexpr uint64_t kMaxDecodeBytes = uint64_t(512) << 20;

// What a JPEG's frame and first scan headers tell about the memory its decode takes.
struct JpegFrame {
    int width = 0;
    int height = 0;
    int components = 0;
    // The coefficient buffers of the whole picture, which a progressive (or otherwise
    // multi-scan) decode allocates even when it decodes at 1/8; 0 for a single scan.
    uint64_t wholeImageCoefficientBytes = 0;
    // What a decode to outWidth x outHeight (32-bit pixels) takes: its samples plus
    // those buffers. A single-scan picture decoded with DCT scaling needs no more.
    uint64_t CostAt(uint64_t outWidth, uint64_t outHeight) const {
        return outWidth * outHeight * 4 + wholeImageCoefficientBytes;
    }
    // The cheapest decode there is, at 1/8: over the bound, nothing can be drawn.
    uint64_t SmallestCost() const {
        return CostAt((uint64_t(width) + 7) / 8, (uint64_t(height) + 7) / 8);
    }
};
// False when the bytes hold no frame header followed by a scan header.
bool ReadJpegFrame(const QByteArray& jpeg, JpegFrame& frame);

// The header of a JPEG file: everything up to the end of the first SOS header, read
// from the file in growing steps; never beyond the file's end.
struct JpegHeader {
    bool complete = false;     // an SOS header was reached
    QByteArray bytes;          // the file's first bytes through the SOS header
    QByteArray exif;           // payload of the first APP1 starting with "Exif\0\0"
};
JpegHeader ReadJpegHeader(int fd, int64_t fileSize);

// Converts an EXIF APP1 payload ("Exif\0\0" + TIFF) into property records: IFD0,
// Exif, GPS and Interoperability tags under their own ids, IFD1 tags under the
// thumbnail ids (tags without one are dropped), the thumbnail bytes as 0x501B.
// Values are in host order. Unparsable data gives no properties.
void ParseExifProperties(const QByteArray& exif, std::vector<TGPImage::Data::Property>& out,
                         QByteArray& thumbnail);

// The thumbnail id of an IFD1 tag; 0 when GDI+ has none for it.
uint32_t ThumbnailPropertyId(uint16_t ifd1Tag);

// Parses the EXIF properties once (idempotent).
void EnsureProperties(TGPImage::Data& d);

// A JPEG held in memory, decoded with DCT scaling at the smallest TurboJPEG factor
// whose result still covers minWidth x minHeight (the full size when none smaller
// does). Null when the data cannot be decoded or its decode would cost more than
// kMaxDecodeBytes; a truncated or slightly damaged file gives what could be decoded.
// Decodes running at the same time share kMaxDecodeBytes: one waits for its share.
QImage DecodeJpegCovering(const QByteArray& jpeg, int minWidth, int minHeight);

// The whole file read into memory; empty when it cannot be read.
QByteArray ReadWholeFile(const QString& fileName);

// `source` resampled to exactly width x height (opaque pictures stay opaque).
QImage Resampled(const QImage& source, int width, int height, Resample how);

// The state of a live decode-ahead that lists `fileName`, prepared on a worker: the
// image's state (swapped into `d`) and its status. False when there is none (then the
// file is opened as usual). Only the thread that made the decode-ahead takes results.
bool TakePrepared(const QString& fileName, TGPImage::Data*& d, GpStatus& status);

// Reaches into an image for the decode-ahead's workers.
struct ImageAccess {
    static TGPImage::Data* Release(TGPImage& image) {
        TGPImage::Data* d = image.d_;
        image.d_ = nullptr;
        return d;
    }
};

// The image's pixels decoded for drawing at width x height, before resampling: a JPEG
// at the covering DCT scale (DecodeJpegCovering), another format whole, a bitmap's
// own pixels. A decode kept by the decode-ahead is used when it is the same one.
QImage DecodedFor(TGPImage::Data& d, int width, int height);

// The image's picture at width x height: a JPEG decoded at the covering DCT scale,
// another format decoded, a bitmap's own pixels; then resampled. Null on failure.
QImage PictureAt(TGPImage::Data& d, int width, int height, Resample how);

// The picture of a thumbnail of width x height: the embedded EXIF thumbnail when
// it decodes and has the photo's shape (landscape or portrait), else the image's own
// picture.
QImage ThumbnailPicture(TGPImage::Data& d, int width, int height);

}  // namespace gdiplus_detail
