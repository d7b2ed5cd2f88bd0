// The pictures of one JPEG file, each transformed with its own segments around it:
// the first picture; the thumbnail of its EXIF block, turned in place; the further
// pictures of an MPF index, turned too, with the index rewritten to find them again;
// and every other byte after the first picture (a motion photo's video, a maker's
// trailer) kept as it was.

#include "platform/vantrel/exif_block.h"
#include "platform/vantrel/mpf.h"
#include "platform/vantrel/thumbnail.h"
#include "platform/vantrel/xmp.h"
#include "platform/vantrel/vantrel_internal.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>

namespace vantrel {

namespace {

// A bound on what a file may make us do besides its first picture: MPF files hold a
// handful of pictures.
constexpr size_t kMaxFurtherPictures = 64;

// Where each position of the zigzag order of a DQT segment lies in natural order.
constexpr int kNatural[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

bool IsFrame(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Reads the tables of the DQT segment [at, end) and, for a quarter turn, writes them
// transposed into `copy` (same layout). False for a malformed segment.
bool ReadQuant(const uint8_t* segment, size_t size, bool transpose, uint8_t* copy, Splice& splice) {
    if (copy != nullptr) std::memcpy(copy, segment, size);
    bool defines[4];
    uint16_t tables[4][64];
    std::memcpy(defines, splice.defines, sizeof defines);
    std::memcpy(tables, splice.tables, sizeof tables);
    size_t pos = 4;
    while (pos < size) {
        const unsigned precision = segment[pos] >> 4, id = segment[pos] & 15;
        const size_t width = precision == 0 ? 1 : 2;
        if (precision > 1 || id > 3 || size - pos - 1 < 64 * width) return false;
        const uint8_t* values = segment + pos + 1;
        uint16_t natural[64];
        for (int i = 0; i < 64; ++i)
            natural[kNatural[i]] = static_cast<uint16_t>(
                width == 1 ? values[i] : unsigned{values[2 * i]} << 8 | values[2 * i + 1]);
        for (int n = 0; n < 64; ++n)
            tables[id][n] = transpose ? natural[(n % 8) * 8 + n / 8] : natural[n];
        defines[id] = true;
        if (copy != nullptr) {
            uint8_t* out = copy + pos + 1;
            for (int i = 0; i < 64; ++i) {
                const uint16_t v = tables[id][kNatural[i]];
                if (width == 1) {
                    out[i] = static_cast<uint8_t>(v);
                } else {
                    out[2 * i] = static_cast<uint8_t>(v >> 8);
                    out[2 * i + 1] = static_cast<uint8_t>(v);
                }
            }
        }
        pos += 1 + 64 * width;
    }
    std::memcpy(splice.defines, defines, sizeof defines);
    std::memcpy(splice.tables, tables, sizeof tables);
    return true;
}

// A further picture of an MPF index, transformed whole into `out` (finished): the
// bytes after its EOI that its entry still counts stay with it.
Status TransformFurther(const uint8_t* picture, size_t size, uint16_t code, Output& out) {
    FrameInfo frame;
    Status status = ProbeFrame(picture, size, frame);
    if (status != kOk) return status;
    PictureLayout layout;
    if (!ReadLayout(picture, size, layout)) return kCorrupt;
    Splice splice;
    status = TransformPicture(picture, layout, frame, code, PictureOptions{}, out, splice);
    if (status != kOk) return status;
    if (!out.Append(picture + layout.end, size - layout.end)) return kNoMemory;
    out.Finish(true);
    int width = 0, height = 0;
    TransformedSize(frame, code, width, height);
    return DecodesAs(out, width, height) ? kOk : kCorrupt;
}

}  // namespace

bool MakeSplice(const uint8_t* data, const PictureLayout& layout, uint16_t code,
                const std::vector<Replacement>& replaced, const std::vector<size_t>& deferred,
                Output& owner, Splice& splice) {
    const bool transpose = code == 1 || code == 3;
    bool framed = false;
    splice.deferred.reserve(deferred.size());  // the encoder's callbacks must not allocate
    for (size_t i = 0; i < layout.header.size(); ++i) {
        const SegmentRef& s = layout.header[i];
        std::vector<Splice::Item>& items = framed ? splice.afterFrame : splice.beforeFrame;
        if (IsFrame(s.marker)) {
            framed = true;
        } else if (IsMetadata(s.marker)) {
            const bool other = i < replaced.size() && replaced[i].data != nullptr;
            const bool later = std::find(deferred.begin(), deferred.end(), i) != deferred.end();
            items.push_back(Splice::Item{other ? replaced[i].data : data + s.start,
                                         other ? replaced[i].size : s.end - s.start, later, i});
        } else if (s.marker == 0xDB) {
            const size_t size = s.end - s.at;
            uint8_t* copy = nullptr;
            if (transpose && (copy = owner.Own(size)) == nullptr) return false;
            // A table that cannot be read here is left to the encoder to write.
            if (ReadQuant(data + s.at, size, transpose, copy, splice))
                items.push_back(Splice::Item{copy ? copy : data + s.at, size, false, i});
        }
        // DHT and DRI: the encoder writes its own Huffman tables and no restarts.
    }
    for (const SegmentRef& s : layout.tail)
        splice.tail.push_back(Splice::Item{data + s.start, s.end - s.start, false, SIZE_MAX});
    return true;
}

Status TransformPicture(const uint8_t* data, const PictureLayout& layout, const FrameInfo& frame,
                        uint16_t code, const PictureOptions& options, Output& out,
                        Splice& splice) {
    std::vector<Replacement> replaced(layout.header.size());
    ThumbnailFate fate = ThumbnailFate::kNone;
    size_t segment = 0, offset = 0, size = 0;
    if (FindExif(data, layout, segment, offset, size)) {
        const SegmentRef& s = layout.header[segment];
        const size_t length = s.end - s.start, block = offset - s.start;
        uint8_t* copy = out.Own(length);
        if (copy == nullptr) return kNoMemory;
        std::memcpy(copy, data + s.start, length);
        TiffView tiff(copy + block, size);
        int width = 0, height = 0;
        TransformedSize(frame, code, width, height);
        bool changed = false;
        if (tiff.Valid() && (width != frame.width || height != frame.height))
            changed = SetPixelDimensions(tiff, static_cast<uint32_t>(width),
                                         static_cast<uint32_t>(height));
        std::vector<uint8_t> grown;
        if (tiff.Valid() && options.thumbnail) {
            fate = TurnThumbnail(data + offset, copy, length, block, code, grown);
            changed |= fate == ThumbnailFate::kTurned;
        }
        if (!grown.empty()) {
            uint8_t* bytes = out.Own(grown.size());
            if (bytes == nullptr) return kNoMemory;
            std::memcpy(bytes, grown.data(), grown.size());
            replaced[segment] = Replacement{bytes, grown.size()};
        } else if (changed) {
            replaced[segment] = Replacement{copy, length};
        }
    }
    if (options.fate != nullptr) *options.fate = fate;
    if (!MakeSplice(data, layout, code, replaced, options.deferred, out, splice)) return kNoMemory;
    return EncodePicture(data, layout.end, frame, code, options.optimize, splice, out,
                         options.finish);
}

Status TransformBuffer(const uint8_t* data, size_t size, const FrameInfo& frame, uint16_t code,
                       Output& out, ThumbnailFate* fate) {
    struct Unfinished {  // whatever happens, the readers are let go
        Output& out;
        ~Unfinished() { out.Finish(false); }
    } unfinished{out};
    if (code < 1 || code > 5) return kBadArgument;
    if (size == 0 || size > kMaxFileSize) return kTooLarge;
    PictureLayout layout;
    if (!ReadLayout(data, size, layout)) return kCorrupt;

    // The further pictures are turned on a thread of their own while the first one is
    // encoded; they follow it in the result. One that cannot be turned fails the whole
    // file, which is then not written.
    MpfIndex mpf;
    const bool multi = ReadMpfIndex(data, size, layout, mpf);
    if (mpf.others.size() > kMaxFurtherPictures) return kUnsupported;
    std::vector<std::unique_ptr<Output>> further;
    for (size_t i = 0; i < mpf.others.size(); ++i) further.push_back(std::make_unique<Output>());
    Status furtherStatus = kOk;
    auto turnFurther = [&]() noexcept {
        try {
            for (size_t i = 0; i < further.size() && furtherStatus == kOk; ++i)
                furtherStatus = TransformFurther(data + mpf.others[i].start, mpf.others[i].size,
                                                 code, *further[i]);
        } catch (...) {
            furtherStatus = kNoMemory;
        }
    };
    std::thread side;
    struct Joined {  // the side thread never outlives what it works on
        std::thread& thread;
        ~Joined() {
            if (thread.joinable()) thread.join();
        }
    } joined{side};
    if (!further.empty()) {
        try {
            side = std::thread(turnFurther);
        } catch (const std::system_error&) {
            turnFurther();
        }
    }

    // The MPF index and the XMP container directory hold the further pictures' sizes,
    // known only once they are turned: both are written last.
    Splice splice;
    PictureOptions options;
    options.fate = fate;
    const size_t xmp = multi && !mpf.others.empty() ? FindXmp(data, layout) : SIZE_MAX;
    if (multi) options.deferred.push_back(mpf.segment);
    if (xmp != SIZE_MAX) options.deferred.push_back(xmp);
    options.finish = [&]() -> Status {
        if (side.joinable()) side.join();
        if (furtherStatus != kOk) return furtherStatus;
        const size_t firstSize = out.Size();
        std::vector<size_t> starts, sizes;
        size_t cursor = layout.end;
        for (size_t i = 0; i < further.size(); ++i) {
            const MpfPicture& p = mpf.others[i];
            if (!out.Append(data + cursor, p.start - cursor)) return kNoMemory;
            starts.push_back(out.Size());
            sizes.push_back(further[i]->Size());
            if (!out.Adopt(*further[i])) return kNoMemory;
            cursor = p.start + p.size;
        }
        if (!out.Append(data + cursor, size - cursor)) return kNoMemory;
        for (const Splice::Deferred& d : splice.deferred) {
            const SegmentRef& s = layout.header[d.segment];
            uint8_t* copy = out.Own(s.end - s.start);
            if (copy == nullptr) return kNoMemory;
            std::memcpy(copy, data + s.start, s.end - s.start);
            if (d.segment == mpf.segment)
                WriteMpfIndex(copy, s.end - s.start, d.offset, layout, mpf, firstSize, starts,
                              sizes);
            else if (!UpdateContainerLengths(copy, s.end - s.start, layout.end, mpf.others, sizes))
                continue;  // left as it was
            out.Settle(d.piece, copy);
        }
        out.Finish(true);
        return kOk;
    };
    return TransformPicture(data, layout, frame, code, options, out, splice);
}

}  // namespace vantrel
