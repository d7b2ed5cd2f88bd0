#include "platform/vantrel/exif_block.h"

#include <algorithm>
#include <cstring>

namespace vantrel {

namespace {

constexpr unsigned kExifIfd = 0x8769, kGpsIfd = 0x8825, kInteropIfd = 0xA005;
constexpr unsigned kThumbnailOffset = 0x0201, kThumbnailLength = 0x0202;
constexpr unsigned kCompression = 0x0103;

// The first offset at or after `from` that an IFD, or a value held outside its entry,
// of the standard IFDs starts at; the block's size when none does.
size_t NextUsed(const TiffView& tiff, size_t from) {
    size_t next = tiff.Size();
    const size_t ifd0 = tiff.FirstIfd();
    const size_t exif = tiff.Pointed(ifd0, kExifIfd);
    const size_t ifds[] = {ifd0, exif, tiff.Pointed(ifd0, kGpsIfd), tiff.Pointed(exif, kInteropIfd),
                           tiff.NextIfd(ifd0)};
    for (const size_t ifd : ifds) {
        if (ifd == 0) continue;
        if (ifd >= from) next = std::min(next, ifd);
        const size_t count = tiff.EntryCount(ifd);
        for (size_t i = 0; i < count; ++i) {
            const TiffEntry e = tiff.EntryAt(ifd, i);
            size_t at = 0, size = 0;
            if (tiff.ValueRange(e, at, size) && size > 4 && at >= from) next = std::min(next, at);
        }
    }
    return next;
}

}  // namespace

bool FindExif(const uint8_t* data, const PictureLayout& layout, size_t& segment, size_t& offset,
              size_t& size) {
    for (size_t i = 0; i < layout.header.size(); ++i) {
        const SegmentRef& s = layout.header[i];
        const size_t payload = s.at + 4;
        if (s.marker != 0xE1 || s.end - payload < 6 + 8) continue;
        if (std::memcmp(data + payload, "Exif\0\0", 6) != 0) continue;
        segment = i;
        offset = payload + 6;
        size = s.end - offset;
        return true;
    }
    return false;
}

bool SetPixelDimensions(TiffView& tiff, uint32_t width, uint32_t height) {
    const size_t exif = tiff.Pointed(tiff.FirstIfd(), kExifIfd);
    bool changed = false;
    TiffEntry e;
    uint32_t old = 0;
    if (tiff.Find(exif, 0xA002, e) && tiff.Number(e, old) && old != width)
        changed |= tiff.SetNumber(e, width);
    if (tiff.Find(exif, 0xA003, e) && tiff.Number(e, old) && old != height)
        changed |= tiff.SetNumber(e, height);
    return changed;
}

bool FindThumbnail(const TiffView& tiff, ThumbnailPlace& place) {
    const size_t ifd1 = tiff.NextIfd(tiff.FirstIfd());
    TiffEntry offsetEntry, compression;
    uint32_t offset = 0, length = 0, scheme = 0;
    if (!tiff.Find(ifd1, kThumbnailOffset, offsetEntry) || !tiff.Number(offsetEntry, offset) ||
        !tiff.Find(ifd1, kThumbnailLength, place.lengthEntry) ||
        !tiff.Number(place.lengthEntry, length))
        return false;
    // Compression 1 says the strip holds raw pixels, whatever the bytes look like.
    if (tiff.Find(ifd1, kCompression, compression) && tiff.Number(compression, scheme) &&
        scheme == 1)
        return false;
    if (offset < 8 || length < 4 || !tiff.Within(offset, length)) return false;
    const uint8_t* thumb = tiff.Data() + offset;
    if (thumb[0] != 0xFF || thumb[1] != 0xD8) return false;
    // A thumbnail that an IFD or another value lies in is no thumbnail to write over.
    if (NextUsed(tiff, offset) < offset + length) return false;
    place.offset = offset;
    place.length = length;
    // Room to grow: only bytes that are zero and that nothing else uses, so that a
    // thumbnail that once shrank may grow back on the next turn.
    const size_t end = offset + length;
    const size_t limit = NextUsed(tiff, end);
    size_t room = end;
    while (room < limit && tiff.Data()[room] == 0) ++room;
    place.room = room - offset;
    return true;
}

bool PutThumbnail(TiffView& tiff, const ThumbnailPlace& place,
                  const std::vector<Output::Piece>& pieces) {
    size_t total = 0;
    for (const Output::Piece& p : pieces) total += p.size;
    if (total > place.room || total > 0xFFFFFFFFu) return false;
    if (place.lengthEntry.type == 3 && total > 0xFFFF) return false;
    uint8_t* at = tiff.Data() + place.offset;
    for (const Output::Piece& p : pieces) {
        std::memmove(at, p.data, p.size);
        at += p.size;
    }
    if (total < place.length) std::memset(at, 0, place.length - total);
    return tiff.SetNumber(place.lengthEntry, static_cast<uint32_t>(total));
}

}  // namespace vantrel
