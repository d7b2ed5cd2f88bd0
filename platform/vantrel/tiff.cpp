#include "platform/vantrel/tiff.h"

namespace vantrel {

namespace {

size_t TypeSize(unsigned type) {
    switch (type) {
        case 1: case 2: case 6: case 7: return 1;  // BYTE, ASCII, SBYTE, UNDEFINED
        case 3: case 8: return 2;                  // SHORT, SSHORT
        case 4: case 9: case 11: case 13: return 4;  // LONG, SLONG, FLOAT, IFD
        case 5: case 10: case 12: return 8;        // RATIONAL, SRATIONAL, DOUBLE
        default: return 0;
    }
}

}  // namespace

TiffView::TiffView(uint8_t* data, size_t size, unsigned magic) : data_(data), size_(size) {
    if (data == nullptr || size < 8) return;
    if (data[0] == 'I' && data[1] == 'I')
        big_ = false;
    else if (data[0] == 'M' && data[1] == 'M')
        big_ = true;
    else
        return;
    valid_ = Get16(2) == magic;
}

uint32_t TiffView::Get16(size_t at) const {
    const uint8_t* p = data_ + at;
    return big_ ? uint32_t{p[0]} << 8 | p[1] : uint32_t{p[1]} << 8 | p[0];
}

uint32_t TiffView::Get32(size_t at) const {
    const uint8_t* p = data_ + at;
    return big_ ? uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]
                : uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

void TiffView::Put16(size_t at, uint32_t value) {
    uint8_t* p = data_ + at;
    p[big_ ? 0 : 1] = static_cast<uint8_t>(value >> 8);
    p[big_ ? 1 : 0] = static_cast<uint8_t>(value);
}

void TiffView::Put32(size_t at, uint32_t value) {
    uint8_t* p = data_ + at;
    for (int i = 0; i < 4; ++i) p[big_ ? 3 - i : i] = static_cast<uint8_t>(value >> (8 * i));
}

size_t TiffView::FirstIfd() const {
    if (!valid_) return 0;
    const size_t ifd = Get32(4);
    return ifd >= 8 && Within(ifd, 2) ? ifd : 0;
}

size_t TiffView::EntryCount(size_t ifd) const {
    if (ifd == 0 || !Within(ifd, 2)) return 0;
    const size_t count = Get16(ifd);
    return Within(ifd + 2, 12 * count + 4) ? count : 0;
}

TiffEntry TiffView::EntryAt(size_t ifd, size_t index) const {
    TiffEntry e;
    e.at = ifd + 2 + 12 * index;
    e.tag = Get16(e.at);
    e.type = Get16(e.at + 2);
    e.count = Get32(e.at + 4);
    return e;
}

size_t TiffView::NextIfd(size_t ifd) const {
    const size_t count = EntryCount(ifd);
    if (count == 0) return 0;
    const size_t next = Get32(ifd + 2 + 12 * count);
    return next >= 8 && next != ifd && Within(next, 2) ? next : 0;
}

bool TiffView::Find(size_t ifd, unsigned tag, TiffEntry& entry) const {
    const size_t count = EntryCount(ifd);
    for (size_t i = 0; i < count; ++i) {
        const TiffEntry e = EntryAt(ifd, i);
        if (e.tag == tag) {
            entry = e;
            return true;
        }
    }
    return false;
}

size_t TiffView::Pointed(size_t ifd, unsigned tag) const {
    TiffEntry e;
    uint32_t offset = 0;
    if (!Find(ifd, tag, e) || !Number(e, offset)) return 0;
    return offset >= 8 && offset != ifd && Within(offset, 2) ? offset : 0;
}

bool TiffView::Number(const TiffEntry& entry, uint32_t& value) const {
    if (entry.count != 1) return false;
    if (entry.type == 3) {
        value = Get16(entry.at + 8);
        return true;
    }
    if (entry.type == 4 || entry.type == 13) {
        value = Get32(entry.at + 8);
        return true;
    }
    return false;
}

bool TiffView::SetNumber(const TiffEntry& entry, uint32_t value) {
    if (entry.count != 1) return false;
    if (entry.type == 3) {
        if (value > 0xFFFF) return false;
        Put16(entry.at + 8, value);
        return true;
    }
    if (entry.type == 4) {
        Put32(entry.at + 8, value);
        return true;
    }
    return false;
}

bool TiffView::ValueRange(const TiffEntry& entry, size_t& at, size_t& size) const {
    const size_t unit = TypeSize(entry.type);
    if (unit == 0 || entry.count > size_ / unit) return false;
    size = unit * entry.count;
    at = size <= 4 ? entry.at + 8 : Get32(entry.at + 8);
    return Within(at, size);
}

}  // namespace vantrel
