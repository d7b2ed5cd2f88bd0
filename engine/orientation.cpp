// Reading the EXIF orientation of a photo through the image services.

#include "engine/common.h"
#include "platform/gdiplus/gpimage.h"

#include <algorithm>
#include <cstring>
#include <memory>

unsigned OrientationValueWidth(uint16_t type) {
    switch (type) {
    case 1:  // BYTE
    case 6:  // SBYTE
        return 1;
    case 3:  // SHORT
    case 8:  // SSHORT
        return 2;
    case 4:  // LONG
    case 9:  // SLONG
        return 4;
    default:
        return 0;
    }
}

TExifOrientation OrientationValue(uint16_t type, const unsigned char* value, bool bigEndian) {
    const unsigned width = OrientationValueWidth(type);
    if (width == 0) return 0;
    uint32_t v = 0;
    for (unsigned i = 0; i < width; ++i)
        v = v << 8 | value[bigEndian ? i : width - 1 - i];
    const bool isSigned = type == 6 || type == 8 || type == 9;
    if (isSigned && (v >> (8 * width - 1)) != 0) return 0;  // negative
    return v > 0xFFFF ? 0 : static_cast<TExifOrientation>(v);
}

TExifOrientation GetImageOrientation(TGPImage& Image) {
    TExifOrientation result = 0;
    uint32_t size = 0;
    uint32_t count = 0;
    if (Image.GetPropertySize(&size, &count) != Ok) {
        size = 0;
        count = 0;
    }
    if (size == 0) return 0;

    // Zero-filled and 8-byte aligned; a failed allocation raises to the caller.
    const size_t words = (size_t {size} + 7) / 8;
    std::unique_ptr<uint64_t[]> buffer(new uint64_t[words]());
    auto* items = reinterpret_cast<PropertyItem*>(buffer.get());
    Image.GetAllPropertyItems(size, count, items);

    // Whatever the status, read only records and values that lie inside the buffer.
    const auto* begin = reinterpret_cast<const unsigned char*>(buffer.get());
    const auto* end = begin + size;
    const size_t records = std::min<size_t>(count, size / sizeof(PropertyItem));
    for (size_t i = 0; i < records; ++i) {
        PropertyItem item;
        std::memcpy(&item, begin + i * sizeof(PropertyItem), sizeof item);
        if (item.id != 0x0112) continue;
        // Read by its type: the value the writer rewrites in that same type. An item
        // of another type, or without a whole first value, holds no orientation and is
        // passed over like a missing one.
        const unsigned width = OrientationValueWidth(item.type);
        const auto* value = static_cast<const unsigned char*>(item.value);
        if (width == 0 || item.length < width || !value || value < begin ||
            value > end - width)
            continue;
        result = OrientationValue(item.type, value, false);  // host order
    }
    return result;
}

TExifOrientation GetFileOrientation(const QString& FileName) {
    try {
        TGPImage image(FileName);
        return GetImageOrientation(image);
    } catch (...) {
        // A file whose properties cannot be read counts as upright.
        return 1;
    }
}
