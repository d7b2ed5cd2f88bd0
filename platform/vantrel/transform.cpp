// TurboJPEG work on whole JPEG files held in memory.
//
// Truncated or corrupt image data makes libjpeg warn and fill in grey blocks;
// jpegtran then writes the damaged picture out. TJFLAG_STOPONWARNING makes TurboJPEG
// give up at the first warning instead of finishing the work, here and in the decode
// check.
//
// Like jpegtran, TurboJPEG writes a baseline file from a progressive one unless
// asked; we ask (TJXOPT_PROGRESSIVE), which changes the entropy coding only, not
// the coefficients. Restart markers are not carried over by either.
//
// Both write the output only up to EOI. Whatever a file holds after its EOI (the
// video of a motion photo, a second picture, a maker's trailer) would be lost, so it
// is found here and appended to the result as it was.

#include "platform/vantrel/vantrel_internal.h"

#include <turbojpeg.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

namespace vantrel {

void TjFree::operator()(unsigned char* p) const { tjFree(p); }

namespace {

class TjHandle {
public:
    explicit TjHandle(tjhandle h) : h_(h) {}
    ~TjHandle() {
        if (h_ != nullptr) tjDestroy(h_);
    }
    TjHandle(const TjHandle&) = delete;
    TjHandle& operator=(const TjHandle&) = delete;
    tjhandle get() const { return h_; }

private:
    tjhandle h_;
};

constexpr int kFlags = TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;

int Op(uint16_t code) {
    switch (code) {
        case 1: return TJXOP_ROT90;
        case 2: return TJXOP_ROT180;
        case 3: return TJXOP_ROT270;
        case 4: return TJXOP_VFLIP;
        default: return TJXOP_HFLIP;
    }
}

// Whole units only, unless the image is smaller than one unit (then nothing is
// dropped: TurboJPEG keeps a partial block that is the whole image).
int Trim(int full, int unit) { return full / unit > 0 ? full / unit * unit : full; }

unsigned Read16(const uint8_t* p) { return unsigned{p[0]} << 8 | p[1]; }

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

size_t ImageEnd(const uint8_t* data, size_t size) {
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return 0;
    size_t pos = 2;
    bool scanned = false;
    for (;;) {
        if (pos >= size || data[pos] != 0xFF) return 0;
        while (pos < size && data[pos] == 0xFF) ++pos;  // fill bytes
        if (pos >= size) return 0;
        const uint8_t marker = data[pos++];
        if (marker == 0xD9) return scanned ? pos : 0;  // no image without a scan
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
        if (marker == 0xD8 || marker == 0x00) return 0;
        if (size - pos < 2) return 0;
        const size_t length = Read16(data + pos);
        if (length < 2 || length > size - pos) return 0;
        pos += length;
        if (marker == 0xDA) {  // a scan: its entropy-coded data follows the header
            pos = EntropyEnd(data, size, pos);
            scanned = true;
        }
    }
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

Status TransformBuffer(const uint8_t* data, size_t size, const FrameInfo& frame,
                       uint16_t code, const uint8_t* trailer, size_t trailerSize,
                       JpegBuffer& out) {
    if (size == 0 || size > kMaxFileSize || trailerSize > kMaxFileSize - size) return kTooLarge;
    TjHandle tj(tjInitTransform());
    if (tj.get() == nullptr) return kNoMemory;

    int width = 0, height = 0, subsamp = 0, colorspace = 0;
    if (tjDecompressHeader3(tj.get(), data, size, &width, &height, &subsamp, &colorspace) != 0)
        return kBadHeader;
    if (width != frame.width || height != frame.height) return kBadHeader;

    tjtransform xf{};
    xf.op = Op(code);
    xf.options = TJXOPT_TRIM | (frame.progressive ? TJXOPT_PROGRESSIVE : 0);

    // Start with room for the whole result so that TurboJPEG need not grow the
    // buffer; it still can. It does not free a buffer we gave it when it grows.
    const size_t guess = size + size / 4 + 65536;  // < 2 GiB since size <= 1 GiB
    unsigned char* initial = tjAlloc(static_cast<int>(guess));
    if (initial == nullptr) return kNoMemory;
    unsigned char* dst = initial;
    unsigned long dstSize = guess;
    const int rc = tjTransform(tj.get(), data, size, 1, &dst, &dstSize, &xf, kFlags);
    if (dst != initial) tjFree(initial);
    out.data.reset(dst);
    out.size = dstSize;
    if (rc != 0 || dst == nullptr || dstSize == 0) {
        out.data.reset();
        out.size = 0;
        return kCorrupt;
    }
    if (trailerSize == 0) return kOk;

    // A second buffer rather than room kept in the first: TurboJPEG may have grown
    // that one to a size it does not tell.
    if (out.size > size_t{INT_MAX} - trailerSize) return kTooLarge;
    const size_t joinedSize = out.size + trailerSize;
    unsigned char* joined = tjAlloc(static_cast<int>(joinedSize));
    if (joined == nullptr) return kNoMemory;
    std::memcpy(joined, out.data.get(), out.size);
    std::memcpy(joined + out.size, trailer, trailerSize);
    out.data.reset(joined);
    out.size = joinedSize;
    return kOk;
}

bool DecodesAs(const uint8_t* data, size_t size, int width, int height) {
    if (size == 0 || size > kMaxFileSize) return false;
    TjHandle tj(tjInitDecompress());
    if (tj.get() == nullptr) return false;
    int w = 0, h = 0, subsamp = 0, colorspace = 0;
    if (tjDecompressHeader3(tj.get(), data, size, &w, &h, &subsamp, &colorspace) != 0)
        return false;
    if (w != width || h != height) return false;

    const int format = colorspace == TJCS_GRAY                             ? TJPF_GRAY
                       : colorspace == TJCS_CMYK || colorspace == TJCS_YCCK ? TJPF_CMYK
                                                                           : TJPF_RGB;
    const tjscalingfactor eighth{1, 8};
    const int sw = TJSCALED(w, eighth), sh = TJSCALED(h, eighth);
    std::vector<unsigned char> scratch;
    try {
        scratch.resize(size_t(sw) * size_t(sh) * size_t(tjPixelSize[format]));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return tjDecompress2(tj.get(), data, size, scratch.data(), sw, 0, sh, format, kFlags) == 0;
}

}  // namespace vantrel
