// The EXIF orientation writer on any file: the length never changes, and the only
// bytes that change are the first values of Orientation entries that read as an
// orientation, inside the EXIF segment that the image services read, each then
// holding the new orientation in the entry's own type (a single value's padding zero).

#include "engine/common.h"
#include "platform/gdiplus/gpimage_data.h"
#include "tests/fuzz/fuzz_util.h"

#include <QString>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// The EXIF segment's payload ("Exif\0\0" + TIFF) as [start, end) of the file, found
// by the image services' rule: the first APP1 that holds "Exif\0\0".
bool FindExif(const std::string& b, size_t& start, size_t& end) {
    auto at = [&](size_t i) { return static_cast<uint8_t>(b[i]); };
    if (b.size() < 4 || at(0) != 0xFF || at(1) != 0xD8) return false;
    size_t pos = 2;
    for (;;) {
        if (pos + 2 > b.size() || at(pos) != 0xFF) return false;
        while (pos + 2 <= b.size() && at(pos + 1) == 0xFF) ++pos;
        if (pos + 2 > b.size()) return false;
        const uint8_t m = at(pos + 1);
        if (m == 0xD8 || m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {
            pos += 2;
            continue;
        }
        if (m == 0xD9 || m == 0xDA || pos + 4 > b.size()) return false;
        const size_t length = at(pos + 2) << 8 | at(pos + 3);
        if (length < 2) return false;
        if (m == 0xE1) {
            const size_t s = pos + 4, e = std::min(pos + 2 + length, b.size());
            if (e >= s + 6 && b.compare(s, 6, std::string("Exif\0\0", 6)) == 0) {
                start = s;
                end = e;
                return true;
            }
        }
        pos += 2 + length;
    }
}

uint32_t Number(const std::string& b, size_t at, int bytes, bool big) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        const uint32_t byte = static_cast<uint8_t>(b[at + static_cast<size_t>(i)]);
        v |= big ? byte << (8 * (bytes - 1 - i)) : byte << (8 * i);
    }
    return v;
}

// Whether byte i lies in the first value (a single value with its padding) of
// something in the segment that reads as an Orientation entry, and that value now
// holds `v` in the entry's own width.
bool InRewrittenField(const std::string& before, const std::string& after, size_t tiff,
                      size_t end, size_t i, uint16_t v, bool big) {
    for (size_t e = tiff; e + 12 <= end; ++e) {
        if (Number(before, e, 2, big) != 0x0112) continue;
        const auto type = static_cast<uint16_t>(Number(before, e + 2, 2, big));
        const int width = static_cast<int>(OrientationValueWidth(type));
        const uint32_t count = Number(before, e + 4, 4, big);
        if (width == 0 || count == 0) continue;
        const uint64_t total = uint64_t {static_cast<unsigned>(width)} * count;
        const size_t at = total <= 4 ? e + 8 : tiff + Number(before, e + 8, 4, big);
        if (at > end || end - at < total) continue;
        const int span = count == 1 ? 4 : width;
        if (i < at || i >= at + static_cast<size_t>(span)) continue;
        if (Number(after, at, width, big) == v &&
            (span == width || Number(after, at + static_cast<size_t>(width), span - width, big) == 0))
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::ScratchDir() + "/photo.jpg";
    const std::string before(reinterpret_cast<const char*>(data), size);
    fuzz::WriteFile(path, before);
    const auto v = static_cast<TExifOrientation>(1 + size % 8);

    WriteExifOrientation(QString::fromStdString(path), v);
    const std::string after = fuzz::ReadFile(path);
    FUZZ_CHECK(after.size() == before.size());
    if (after == before) return 0;

    size_t start = 0, end = 0;
    FUZZ_CHECK(FindExif(before, start, end));
    // The segment is the one the image services read.
    const int fd = ::open(path.c_str(), O_RDONLY);
    FUZZ_CHECK(fd >= 0);
    const auto header = gdiplus_detail::ReadJpegHeader(fd, static_cast<int64_t>(size));
    ::close(fd);
    FUZZ_CHECK(header.exif.size() == static_cast<qsizetype>(end - start));

    const size_t tiff = start + 6;
    FUZZ_CHECK(end >= tiff + 8);
    const bool big = before[tiff] == 'M';
    for (size_t i = 0; i < size; ++i)
        if (before[i] != after[i]) FUZZ_CHECK(InRewrittenField(before, after, tiff, end, i, v, big));
    return 0;
}
