// The marker structure of a JPEG picture: the frame header, where the image ends, and
// which segments stand before and after its scans. Every read is bounded by the size.

#include "platform/vantrel/vantrel_internal.h"

#include <algorithm>
#include <cstring>

namespace vantrel {

namespace {

Status ReadFrameHeader(const uint8_t* seg, size_t length, uint8_t marker, FrameInfo& frame) {
    // SOF0 baseline, SOF1 extended and SOF2 progressive are Huffman-coded DCT; every
    // other SOFn is lossless, hierarchical or arithmetic-coded.
    if (marker != 0xC0 && marker != 0xC1 && marker != 0xC2) return kUnsupported;
    if (length < 8) return kBadHeader;
    const int precision = seg[2];
    frame.height = static_cast<int>(Read16(seg + 3));
    frame.width = static_cast<int>(Read16(seg + 5));
    frame.components = seg[7];
    if (precision != 8) return kUnsupported;
    if (frame.components != 1 && frame.components != 3 && frame.components != 4)
        return kUnsupported;
    if (length != 8 + 3 * static_cast<size_t>(frame.components)) return kBadHeader;
    if (frame.width == 0 || frame.height == 0) return kUnsupported;  // height from DNL
    if (uint64_t(frame.width) * uint64_t(frame.height) > kMaxPixels) return kTooLarge;
    int maxH = 1, maxV = 1;
    for (int c = 0; c < frame.components; ++c) {
        const int h = seg[9 + 3 * c] >> 4, v = seg[9 + 3 * c] & 15;
        if (h < 1 || h > 4 || v < 1 || v > 4) return kBadHeader;
        maxH = std::max(maxH, h);
        maxV = std::max(maxV, v);
    }
    // A single-component scan is not interleaved: its MCU is one block.
    frame.mcuWidth = frame.components == 1 ? 8 : 8 * maxH;
    frame.mcuHeight = frame.components == 1 ? 8 : 8 * maxV;
    frame.progressive = marker == 0xC2;
    return kOk;
}

// Where the entropy-coded data starting at `pos` ends: the offset of the FF that
// begins the next marker, or `size` when none follows. Stuffed FF 00, restart markers
// FF D0..D7 and fill bytes FF FF belong to the data.
size_t EntropyEnd(const uint8_t* data, size_t size, size_t pos) {
    while (pos < size) {
        const void* ff = std::memchr(data + pos, 0xFF, size - pos);
        if (ff == nullptr) return size;
        const size_t at = static_cast<size_t>(static_cast<const uint8_t*>(ff) - data);
        size_t next = at + 1;
        while (next < size && data[next] == 0xFF) ++next;
        if (next >= size) return size;
        const uint8_t b = data[next];
        if (b != 0x00 && (b < 0xD0 || b > 0xD7)) return at;
        pos = next + 1;
    }
    return size;
}

}  // namespace

Status ProbeFrame(const uint8_t* data, size_t size, FrameInfo& frame) {
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return kNotJpeg;
    size_t pos = 2;
    for (;;) {
        if (pos >= size || data[pos] != 0xFF) return kBadHeader;
        while (pos < size && data[pos] == 0xFF) ++pos;  // fill bytes
        if (pos >= size) return kBadHeader;
        const uint8_t marker = data[pos++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA || marker == 0x00)
            return kBadHeader;  // SOI again, EOI or scan before any frame
        if (size - pos < 2) return kBadHeader;
        const size_t length = Read16(data + pos);
        if (length < 2 || length > size - pos) return kBadHeader;
        const bool sof = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 &&
                         marker != 0xC8 && marker != 0xCC;
        if (sof) return ReadFrameHeader(data + pos, length, marker, frame);
        pos += length;
    }
}

bool ReadLayout(const uint8_t* data, size_t size, PictureLayout& layout) {
    layout = PictureLayout{};
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
    size_t pos = 2;
    bool scanned = false;
    for (;;) {
        const size_t start = pos;
        if (pos >= size || data[pos] != 0xFF) return false;
        while (pos < size && data[pos] == 0xFF) ++pos;  // fill bytes
        if (pos >= size) return false;
        const uint8_t marker = data[pos++];
        if (marker == 0xD9) {  // no image without a scan
            layout.end = pos;
            return scanned;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
        if (marker == 0xD8 || marker == 0x00) return false;
        if (size - pos < 2) return false;
        const size_t length = Read16(data + pos);
        if (length < 2 || length > size - pos) return false;
        const SegmentRef segment{start, pos - 2, pos + length, marker};
        pos += length;
        if (!scanned)
            layout.header.push_back(segment);
        else if (IsMetadata(marker))
            layout.tail.push_back(segment);
        if (marker == 0xDA) {  // a scan: its entropy-coded data follows the header
            if (!scanned) layout.header.pop_back();
            pos = EntropyEnd(data, size, pos);
            scanned = true;
        }
    }
}

size_t ImageEnd(const uint8_t* data, size_t size) {
    PictureLayout layout;
    return ReadLayout(data, size, layout) ? layout.end : 0;
}

void TransformedSize(const FrameInfo& frame, uint16_t code, int& width, int& height) {
    const int w = frame.width, h = frame.height;
    const int mw = frame.mcuWidth, mh = frame.mcuHeight;
    switch (code) {
        case 1:  // the bottom edge becomes the left one
            width = Trim(h, mh);
            height = w;
            break;
        case 2:
            width = Trim(w, mw);
            height = Trim(h, mh);
            break;
        case 3:  // the right edge becomes the top one
            width = h;
            height = Trim(w, mw);
            break;
        case 4:
            width = w;
            height = Trim(h, mh);
            break;
        default:
            width = Trim(w, mw);
            height = h;
            break;
    }
}

}  // namespace vantrel
