#pragma once
// What an image knows after reading its header: private to the image services, kept
// for the drawing and thumbnail code that decodes pixels later.

#include "platform/gdiplus/gpimage.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

struct TGPImage::Data {
    enum class Kind { None, Jpeg, Other };

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

    // The payload of the first EXIF APP1 segment, from "Exif\0\0" on; empty without.
    QByteArray exif;

    // Filled from `exif` on the first property query.
    bool propertiesParsed = false;
    std::vector<Property> properties;
    QByteArray thumbnail;      // the embedded EXIF thumbnail (IFD1 JPEG), if any
};

namespace gdiplus_detail {

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

}  // namespace gdiplus_detail
