// EXIF properties in the shape GDI+ delivers them, read with libexif.

#include "platform/gdiplus/gpimage_data.h"

#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace gdiplus_detail {

uint32_t ThumbnailPropertyId(uint16_t tag) {
    // GDI+'s published ids for the tags of the thumbnail's IFD.
    struct Pair {
        uint16_t tag;
        uint32_t id;
    };
    static constexpr Pair table[] = {
        {0x0100, 0x5020}, {0x0101, 0x5021}, {0x0102, 0x5022}, {0x0103, 0x5023},
        {0x0106, 0x5024}, {0x010E, 0x5025}, {0x010F, 0x5026}, {0x0110, 0x5027},
        {0x0111, 0x5028}, {0x0112, 0x5029}, {0x0115, 0x502A}, {0x0116, 0x502B},
        {0x0117, 0x502C}, {0x011A, 0x502D}, {0x011B, 0x502E}, {0x011C, 0x502F},
        {0x0128, 0x5030}, {0x012D, 0x5031}, {0x0131, 0x5032}, {0x0132, 0x5033},
        {0x013B, 0x5034}, {0x013E, 0x5035}, {0x013F, 0x5036}, {0x0211, 0x5037},
        {0x0212, 0x5038}, {0x0213, 0x5039}, {0x0214, 0x503A}, {0x8298, 0x503B},
    };
    for (const Pair& p : table)
        if (p.tag == tag) return p.id;
    return 0;
}

namespace {

constexpr uint32_t kThumbnailData = 0x501B;

// Element size of the numeric types whose bytes must be put into host order.
unsigned SwapUnit(ExifFormat format) {
    switch (format) {
    case EXIF_FORMAT_SHORT:
    case EXIF_FORMAT_SSHORT: return 2;
    case EXIF_FORMAT_LONG:
    case EXIF_FORMAT_SLONG:
    case EXIF_FORMAT_RATIONAL:   // two LONGs each
    case EXIF_FORMAT_SRATIONAL:
    case EXIF_FORMAT_FLOAT: return 4;
    case EXIF_FORMAT_DOUBLE: return 8;
    default: return 1;
    }
}

QByteArray HostOrderValue(const ExifEntry* e, ExifByteOrder order) {
    QByteArray v(reinterpret_cast<const char*>(e->data), static_cast<qsizetype>(e->size));
    const unsigned unit = SwapUnit(e->format);
    if (order == EXIF_BYTE_ORDER_MOTOROLA && unit > 1) {
        const qsizetype whole = v.size() - v.size() % unit;
        for (qsizetype i = 0; i < whole; i += unit)
            std::reverse(v.data() + i, v.data() + i + unit);
    }
    return v;
}

struct ExifDataDeleter {
    void operator()(ExifData* d) const { exif_data_unref(d); }
};

}  // namespace

void ParseExifProperties(const QByteArray& exif, std::vector<TGPImage::Data::Property>& out,
                         QByteArray& thumbnail) {
    out.clear();
    thumbnail.clear();
    if (exif.size() < 14) return;

    std::unique_ptr<ExifData, ExifDataDeleter> data(exif_data_new());
    if (!data) return;
    // Report what the file holds: no repairs, no dropped unknown tags, no rewriting of
    // maker notes.
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_option(data.get(), EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
    exif_data_load_data(data.get(), reinterpret_cast<const unsigned char*>(exif.constData()),
                        static_cast<unsigned int>(exif.size()));
    const ExifByteOrder order = exif_data_get_byte_order(data.get());

    // IFD0 and the directories hanging off it under their own ids, IFD1 last under
    // the thumbnail ids.
    static constexpr ExifIfd ownIds[] = {EXIF_IFD_0, EXIF_IFD_EXIF, EXIF_IFD_GPS,
                                         EXIF_IFD_INTEROPERABILITY};
    auto add = [&](ExifContent* content, bool thumbnailIfd) {
        if (!content) return;
        for (unsigned i = 0; i < content->count; ++i) {
            const ExifEntry* e = content->entries[i];
            if (!e || (!e->data && e->size > 0)) continue;
            const unsigned unit = exif_format_get_size(e->format);
            if (unit == 0 || static_cast<uint64_t>(unit) * e->components != e->size) continue;
            uint32_t id = e->tag;
            if (thumbnailIfd) {
                id = ThumbnailPropertyId(static_cast<uint16_t>(e->tag));
                if (id == 0) continue;  // never under an IFD0 id
            }
            out.push_back({id, static_cast<uint16_t>(e->format), HostOrderValue(e, order)});
        }
    };
    for (ExifIfd ifd : ownIds) add(data->ifd[ifd], false);
    add(data->ifd[EXIF_IFD_1], true);

    if (data->data && data->size > 0) {
        thumbnail = QByteArray(reinterpret_cast<const char*>(data->data),
                               static_cast<qsizetype>(data->size));
        out.push_back({kThumbnailData, static_cast<uint16_t>(EXIF_FORMAT_BYTE), thumbnail});
    }
}

}  // namespace gdiplus_detail
