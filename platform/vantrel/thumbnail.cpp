// The EXIF thumbnail turned with its picture. The lossless forms come from the same
// transform as the picture's; the last resort decodes the thumbnail, encodes it again
// with TurboJPEG and turns that, at the best quality that keeps to the room.

#include "platform/vantrel/thumbnail.h"

#include "platform/vantrel/exif_block.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cstring>

namespace vantrel {

namespace {

// EXIF thumbnails are a few hundred pixels wide; a larger one is left alone.
constexpr uint64_t kMaxThumbnailPixels = uint64_t{1} << 22;
constexpr size_t kMaxSegment = 0xFFFF;  // the APP1 length field, itself included

std::vector<uint8_t> Flatten(const Output& out) {
    std::vector<uint8_t> bytes;
    bytes.reserve(out.Size());
    for (const Output::Piece& p : out.Pieces()) bytes.insert(bytes.end(), p.data, p.data + p.size);
    return bytes;
}

// A JPEG thumbnail turned losslessly, baseline or progressive, with Huffman tables
// made for it; empty when it cannot be turned or does not decode afterwards.
std::vector<uint8_t> Lossless(const uint8_t* thumb, size_t size, uint16_t code, bool progressive) {
    FrameInfo frame;
    PictureLayout layout;
    if (ProbeFrame(thumb, size, frame) != kOk ||
        uint64_t(frame.width) * uint64_t(frame.height) > kMaxThumbnailPixels ||
        !ReadLayout(thumb, size, layout))
        return {};
    int width = 0, height = 0;
    TransformedSize(frame, code, width, height);
    frame.progressive = progressive;  // the coefficients are the same either way
    Output result;
    Splice splice;
    PictureOptions options;
    options.optimize = true;
    options.thumbnail = false;
    const bool made = TransformPicture(thumb, layout, frame, code, options, result, splice) == kOk;
    result.Finish(made);
    if (!made || !DecodesAs(result, width, height)) return {};
    return Flatten(result);
}

struct Tj {
    tjhandle handle;
    explicit Tj(tjhandle h) : handle(h) {}
    ~Tj() {
        if (handle) tjDestroy(handle);
    }
    Tj(const Tj&) = delete;
    Tj& operator=(const Tj&) = delete;
};

// `pixels` encoded at `quality`, without the JFIF segment TurboJPEG adds: a thumbnail
// needs none, and its bytes are dear.
std::vector<uint8_t> Encode(tjhandle encoder, const std::vector<unsigned char>& pixels, int width,
                            int height, int format, int sampling, int quality) {
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    if (tjCompress2(encoder, pixels.data(), width, 0, height, format, &jpeg, &size, sampling,
                    quality, TJFLAG_ACCURATEDCT) != 0) {
        tjFree(jpeg);
        return {};
    }
    std::vector<uint8_t> bytes(jpeg, jpeg + size);
    tjFree(jpeg);
    if (bytes.size() > 6 && bytes[2] == 0xFF && bytes[3] == 0xE0) {
        const size_t app0 = 2 + Read16(bytes.data() + 4);
        if (app0 + 2 <= bytes.size())
            bytes.erase(bytes.begin() + 2, bytes.begin() + static_cast<std::ptrdiff_t>(app0 + 2));
    }
    return bytes;
}

// The thumbnail encoded again from its pixels and then turned losslessly (so that it
// too gets Huffman tables made for it), at the highest quality whose result keeps to
// `limit` bytes; empty when none does.
std::vector<uint8_t> Reencoded(const uint8_t* thumb, size_t size, uint16_t code, size_t limit) {
    Tj decoder(tjInitDecompress()), encoder(tjInitCompress());
    if (!decoder.handle || !encoder.handle) return {};
    int width = 0, height = 0, sampling = 0, space = 0;
    if (tjDecompressHeader3(decoder.handle, thumb, size, &width, &height, &sampling, &space) != 0)
        return {};
    const bool grey = space == TJCS_GRAY;
    if (!grey && space != TJCS_YCbCr && space != TJCS_RGB) return {};  // CMYK: no preview form
    const int format = grey ? TJPF_GRAY : TJPF_RGB;
    std::vector<unsigned char> pixels(size_t(width) * size_t(height) * size_t(tjPixelSize[format]));
    if (tjDecompress2(decoder.handle, thumb, size, pixels.data(), width, 0, height, format,
                      TJFLAG_ACCURATEDCT) != 0)
        return {};
    // Its own chroma sampling keeps the most of it in the fewest bytes.
    const int subsampling = grey ? TJSAMP_GRAY : sampling == TJSAMP_GRAY ? TJSAMP_420 : sampling;
    std::vector<uint8_t> best;
    int low = 1, high = 95;  // the size grows with the quality, near enough to search
    while (low <= high) {
        const int quality = (low + high) / 2;
        const std::vector<uint8_t> jpeg =
            Encode(encoder.handle, pixels, width, height, format, subsampling, quality);
        std::vector<uint8_t> turned = Lossless(jpeg.data(), jpeg.size(), code, false);
        if (turned.empty()) return {};
        if (turned.size() <= limit) {
            best = std::move(turned);
            low = quality + 1;
        } else {
            high = quality - 1;
        }
    }
    return best;
}

}  // namespace

ThumbnailFate TurnThumbnail(const uint8_t* source, uint8_t* segment, size_t size, size_t block,
                            uint16_t code, std::vector<uint8_t>& grown) {
    TiffView tiff(segment + block, size - block);
    ThumbnailPlace place;
    if (!FindThumbnail(tiff, place))
        return HasThumbnail(tiff) ? ThumbnailFate::kKept : ThumbnailFate::kNone;
    const uint8_t* thumb = source + place.offset;
    FrameInfo frame;
    if (ProbeFrame(thumb, place.length, frame) != kOk) return ThumbnailFate::kKept;

    std::vector<uint8_t> turned = Lossless(thumb, place.length, code, false);
    if (frame.progressive && turned.size() > place.room) {
        std::vector<uint8_t> other = Lossless(thumb, place.length, code, true);
        if (!other.empty() && (turned.empty() || other.size() < turned.size()))
            turned = std::move(other);
    }
    if (turned.empty()) return ThumbnailFate::kKept;  // damaged, or of a kind not turned
    // What it may take: its room, and when it is the last thing in the segment, what
    // the segment may still grow by.
    const size_t length = Read16(segment + block - 6 - 2);
    const size_t capacity = place.room + (place.last ? kMaxSegment - std::min(kMaxSegment, length) : 0);
    if (turned.size() > capacity) turned = Reencoded(thumb, place.length, code, capacity);
    if (turned.empty()) return ThumbnailFate::kKept;
    if (turned.size() <= place.room)
        return PutThumbnail(tiff, place, turned) ? ThumbnailFate::kTurned : ThumbnailFate::kKept;
    grown = GrownSegment(segment, size, block, place, turned);
    return grown.empty() ? ThumbnailFate::kKept : ThumbnailFate::kTurned;
}

}  // namespace vantrel
