// Reading the EXIF orientation of a photo through the image services.

#include "engine/common.h"
#include "platform/gdiplus/gpimage.h"

#include <algorithm>
#include <cstring>
#include <memory>

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
        // An item with fewer than two value bytes is skipped: the earlier value stands.
        const auto* value = static_cast<const unsigned char*>(item.value);
        if (item.length < 2 || !value || value < begin || value > end - 2) continue;
        uint16_t v;
        std::memcpy(&v, value, 2);
        result = v;
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
