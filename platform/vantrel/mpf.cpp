#include "platform/vantrel/mpf.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vantrel {

namespace {

constexpr unsigned kMpEntry = 0xB002;
constexpr size_t kEntrySize = 16;

// The MP header's offset inside the segment [start, end): after the marker, the
// length and "MPF\0".
size_t HeaderIn(const SegmentRef& s) { return s.at + 4 + 4 - s.start; }

bool IsMpf(const uint8_t* file, const SegmentRef& s) {
    return s.marker == 0xE2 && s.end - s.at >= 8 + 8 && std::memcmp(file + s.at + 4, "MPF\0", 4) == 0;
}

// Whether the entry table [at, at + size) shares a byte with the header, the index's
// own directory, another of its values or the directory after it: writing the new
// sizes and offsets would damage the index, so such an index is not written.
bool Overlaps(const TiffView& mp, size_t ifd, const TiffEntry& table, size_t at, size_t size) {
    auto over = [&](size_t start, size_t n) { return start < at + size && at < start + n; };
    const size_t count = mp.EntryCount(ifd);
    if (over(0, 8) || over(ifd, 2 + 12 * count + 4)) return true;
    for (size_t i = 0; i < count; ++i) {
        const TiffEntry e = mp.EntryAt(ifd, i);
        size_t value = 0, n = 0;
        if (e.at != table.at && mp.ValueRange(e, value, n) && n > 4 && over(value, n)) return true;
    }
    const size_t next = mp.NextIfd(ifd);
    return next != 0 && over(next, 2 + 12 * mp.EntryCount(next) + 4);
}

}  // namespace

bool ReadMpfIndex(const uint8_t* file, size_t fileSize, const PictureLayout& layout,
                  MpfIndex& index) {
    index = MpfIndex{};
    size_t which = 0;
    while (which < layout.header.size() && !IsMpf(file, layout.header[which])) ++which;
    if (which == layout.header.size()) return false;
    const SegmentRef& s = layout.header[which];
    const size_t header = s.start + HeaderIn(s);
    // Read only; the view's writing calls are not used on the file's bytes.
    const TiffView mp(const_cast<uint8_t*>(file + header), s.end - header);
    TiffEntry entries;
    size_t at = 0, size = 0;
    const size_t ifd = mp.FirstIfd();
    if (!mp.Find(ifd, kMpEntry, entries) || entries.type != 7 ||
        !mp.ValueRange(entries, at, size) || size < kEntrySize || size % kEntrySize != 0 ||
        Overlaps(mp, ifd, entries, at, size))
        return false;
    // All or nothing: an index with one entry that finds no picture is left as it is,
    // and so is every byte after the first picture.
    std::vector<MpfPicture> others;
    for (size_t e = at + kEntrySize; e < at + size; e += kEntrySize) {
        const size_t length = mp.Get32(e + 4), offset = mp.Get32(e + 8);
        if (length == 0 && offset == 0) continue;
        const size_t start = header + offset;
        if (offset == 0 || start < layout.end || start > fileSize || length < 4 ||
            length > fileSize - start)
            return false;
        if (file[start] != 0xFF || file[start + 1] != 0xD8) return false;
        others.push_back(MpfPicture{e, start, length});
    }
    std::sort(others.begin(), others.end(),
              [](const MpfPicture& a, const MpfPicture& b) { return a.start < b.start; });
    for (size_t i = 1; i < others.size(); ++i)
        if (others[i].start < others[i - 1].start + others[i - 1].size) return false;
    index.segment = which;
    index.base = header;
    index.firstEntry = at;
    index.others = std::move(others);
    return true;
}

void WriteMpfIndex(uint8_t* segment, size_t segmentSize, size_t segmentStart,
                   const PictureLayout& layout, const MpfIndex& index, size_t firstSize,
                   const std::vector<size_t>& starts, const std::vector<size_t>& sizes) {
    const size_t header = HeaderIn(layout.header[index.segment]);
    TiffView mp(segment + header, segmentSize - header);
    const size_t base = segmentStart + header;
    mp.Put32(index.firstEntry + 4, static_cast<uint32_t>(firstSize));
    for (size_t i = 0; i < index.others.size(); ++i) {
        mp.Put32(index.others[i].entry + 4, static_cast<uint32_t>(sizes[i]));
        mp.Put32(index.others[i].entry + 8, static_cast<uint32_t>(starts[i] - base));
    }
}

}  // namespace vantrel
