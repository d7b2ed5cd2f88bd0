#include "platform/vantrel/exif_block.h"

#include <algorithm>
#include <cstring>

namespace vantrel {

namespace {

constexpr unsigned kExifIfd = 0x8769, kGpsIfd = 0x8825, kInteropIfd = 0xA005, kSubIfds = 0x014A;
constexpr unsigned kThumbnailOffset = 0x0201, kThumbnailLength = 0x0202;
constexpr unsigned kStripOffsets = 0x0111, kCompression = 0x0103;
constexpr unsigned kIfdType = 13;
// Far above any real block: a hostile one cannot make the walk long. Past them the
// whole block counts as used.
constexpr size_t kMaxIfds = 256;
constexpr size_t kMaxSteps = size_t{1} << 18;

struct Range {
    size_t start, end;
};

// The entry that gives the byte counts of an offset entry's data; 0 for none.
unsigned LengthsOf(unsigned offsets) {
    switch (offsets) {
        case kThumbnailOffset: return kThumbnailLength;
        case kStripOffsets: return 0x0117;  // StripByteCounts
        case 0x0144: return 0x0145;         // TileOffsets, TileByteCounts
        case 0x0120: return 0x0121;         // FreeOffsets, FreeByteCounts
        default: return 0;
    }
}

// Value `i` of a SHORT, LONG or IFD entry.
bool Element(const TiffView& tiff, const TiffEntry& e, size_t i, uint32_t& value) {
    size_t at = 0, size = 0;
    if ((e.type != 3 && e.type != 4 && e.type != kIfdType) || i >= e.count ||
        !tiff.ValueRange(e, at, size))
        return false;
    value = e.type == 3 ? tiff.Get16(at + 2 * i) : tiff.Get32(at + 4 * i);
    return true;
}

// Every byte range of the block that something reachable refers to: the header, each
// IFD of every chain (IFD0, IFD1, IFD2..., the Exif, GPS, Interop and sub-IFDs and
// theirs), each value held outside its entry (a MakerNote whole) and the data that
// offset entries point to, but for the data of the entry at `skip`. What cannot be
// bounded counts as reaching to the block's end.
std::vector<Range> UsedRanges(const TiffView& tiff, size_t skip) {
    const size_t size = tiff.Size();
    std::vector<Range> used{{0, 8}};
    auto from = [&](size_t at) {
        if (at < size) used.push_back({at, size});
    };
    auto span = [&](size_t at, size_t n) {
        if (at < size) used.push_back({at, at + std::min(n, size - at)});
    };
    std::vector<size_t> pending{tiff.FirstIfd()}, seen;
    size_t steps = 0;
    auto spent = [&](size_t n) {
        steps += n;
        if (steps <= kMaxSteps) return false;
        from(8);
        return true;
    };
    // Each check of `spent` that says yes ends the walk at once.
    while (!pending.empty()) {
        const size_t ifd = pending.back();
        pending.pop_back();
        if (ifd < 8 || ifd >= size || std::find(seen.begin(), seen.end(), ifd) != seen.end())
            continue;
        if (seen.size() == kMaxIfds || spent(1)) {
            from(8);
            return used;
        }
        seen.push_back(ifd);
        const size_t count = tiff.Within(ifd, 2) ? tiff.Get16(ifd) : 0;
        const size_t bytes = 2 + 12 * count + 4;
        if (!tiff.Within(ifd, bytes)) {  // runs past the block
            from(ifd);
            continue;
        }
        used.push_back({ifd, ifd + bytes});
        pending.push_back(tiff.Get32(ifd + bytes - 4));
        if (spent(count)) return used;
        for (size_t i = 0; i < count; ++i) {
            const TiffEntry e = tiff.EntryAt(ifd, i);
            size_t at = 0, n = 0;
            if (tiff.ValueRange(e, at, n)) {
                if (n > 4) used.push_back({at, at + n});
            } else {
                from(tiff.Get32(e.at + 8));  // an unknown type may hold an offset
            }
            uint32_t v = 0;
            if (e.tag == kExifIfd || e.tag == kGpsIfd || e.tag == kInteropIfd ||
                e.tag == kSubIfds || e.type == kIfdType)
                for (size_t k = 0; Element(tiff, e, k, v); ++k) {
                    if (spent(1)) return used;
                    pending.push_back(v);
                }
            const unsigned lengthTag = LengthsOf(e.tag);
            if (lengthTag == 0 || e.at == skip) continue;
            if (spent(count + e.count)) return used;
            TiffEntry lengths;
            const bool paired = tiff.Find(ifd, lengthTag, lengths);
            for (size_t k = 0; k < e.count; ++k) {
                uint32_t length = 0;
                if (!Element(tiff, e, k, v)) {
                    from(tiff.Get32(e.at + 8));
                    break;
                }
                if (paired && Element(tiff, lengths, k, length))
                    span(v, length);
                else
                    from(v);
            }
        }
    }
    return used;
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

bool HasThumbnail(const TiffView& tiff) {
    const size_t ifd1 = tiff.NextIfd(tiff.FirstIfd());
    TiffEntry e;
    return tiff.Find(ifd1, kThumbnailOffset, e) || tiff.Find(ifd1, kStripOffsets, e);
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
    const size_t end = offset + length;
    size_t limit = tiff.Size();
    bool shared = false, last = true;
    for (const Range& r : UsedRanges(tiff, offsetEntry.at)) {
        if (r.end <= offset) continue;
        if (r.start >= end) {
            limit = std::min(limit, r.start);
            last = false;
        } else if (r.start <= offset && r.end >= end) {
            shared = true;  // a MakerNote that holds it, a second reference to it
        } else {
            return false;  // something of its own lies in it: no thumbnail to write over
        }
    }
    if (shared) {
        limit = end;
        last = false;
    }
    place.offset = offset;
    place.length = length;
    place.last = last;
    // Room to grow: only zero bytes, so that a thumbnail that once shrank may grow
    // back on the next turn, and bytes of unknown use are never taken.
    size_t room = end;
    while (room < limit && tiff.Data()[room] == 0) ++room;
    place.room = room - offset;
    return true;
}

bool PutThumbnail(TiffView& tiff, const ThumbnailPlace& place, const std::vector<uint8_t>& thumbnail) {
    const size_t total = thumbnail.size();
    if (total > place.room || total > 0xFFFFFFFFu) return false;
    if (place.lengthEntry.type == 3 && total > 0xFFFF) return false;
    uint8_t* at = tiff.Data() + place.offset;
    std::memcpy(at, thumbnail.data(), total);
    if (total < place.length) std::memset(at + total, 0, place.length - total);
    return tiff.SetNumber(place.lengthEntry, static_cast<uint32_t>(total));
}

std::vector<uint8_t> GrownSegment(const uint8_t* segment, size_t size, size_t block,
                                  const ThumbnailPlace& place,
                                  const std::vector<uint8_t>& thumbnail) {
    // The length field stands just before the payload, "Exif\0\0" just before the block.
    const size_t lengthAt = block - 6 - 2;
    const size_t at = block + place.offset, rest = at + place.room;
    if (!place.last || thumbnail.size() <= place.room || rest > size) return {};
    const size_t length = Read16(segment + lengthAt) + thumbnail.size() - place.room;
    if (length > 0xFFFF) return {};
    std::vector<uint8_t> grown;
    grown.reserve(size + thumbnail.size() - place.room);
    grown.insert(grown.end(), segment, segment + at);
    grown.insert(grown.end(), thumbnail.begin(), thumbnail.end());
    grown.insert(grown.end(), segment + rest, segment + size);
    grown[lengthAt] = static_cast<uint8_t>(length >> 8);
    grown[lengthAt + 1] = static_cast<uint8_t>(length);
    TiffView tiff(grown.data() + block, grown.size() - block);
    if (!tiff.SetNumber(place.lengthEntry, static_cast<uint32_t>(thumbnail.size()))) return {};
    return grown;
}

}  // namespace vantrel
