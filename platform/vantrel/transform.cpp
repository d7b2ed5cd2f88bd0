// Lossless transforms of whole JPEG files held in memory, on libjpeg's coefficient
// interface: the blocks are moved and their coefficients transposed or negated the
// way jpegtran -trim -copy all does it (the same libjpeg-turbo encoder then writes
// them), so the result is byte for byte what jpegtran makes.
//
// The result is encoded into pieces of an Output that the writer and the decode
// check read while the encoder still runs (see safe_replace.cpp), so the check costs
// next to nothing on top of the transform itself.
//
// Truncated or corrupt image data makes libjpeg warn and fill in grey blocks;
// jpegtran then writes the damaged picture out. Here every warning is a failure, in
// the transform and in the decode check alike.
//
// Like jpegtran, libjpeg writes a baseline file from a progressive one unless asked;
// we ask, which changes the entropy coding only, not the coefficients. Restart
// markers are not carried over by either.
//
// Both write the output only up to EOI. Whatever a file holds after its EOI (the
// video of a motion photo, a second picture, a maker's trailer) would be lost, so it
// is found here and appended to the result as it was.
//
// libjpeg reports errors by calling back, and we leave its calls with longjmp: the
// functions that call into libjpeg below hold no object with a destructor, and the
// callbacks none at the point where they may fail.

#include "platform/vantrel/vantrel_internal.h"

#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <new>

namespace vantrel {

// ---- Output ----------------------------------------------------------------------

uint8_t* Output::NewChunk() noexcept {
    uint8_t* chunk = new (std::nothrow) uint8_t[kChunk];
    if (chunk == nullptr) return nullptr;
    try {
        std::lock_guard<std::mutex> lock(mutex_);
        chunks_.emplace_back(chunk);
    } catch (...) {
        delete[] chunk;
        return nullptr;
    }
    return chunk;
}

bool Output::Append(const uint8_t* data, size_t size) noexcept {
    if (size == 0) return true;
    try {
        std::lock_guard<std::mutex> lock(mutex_);
        if (finished_) return false;
        pieces_.push_back(Piece{data, size});
        size_ += size;
    } catch (...) {
        return false;
    }
    more_.notify_all();
    return true;
}

void Output::Finish(bool complete) noexcept {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (finished_) return;
        finished_ = true;
        complete_ = complete;
    }
    more_.notify_all();
}

bool Output::Get(size_t index, Piece& piece) noexcept {
    std::unique_lock<std::mutex> lock(mutex_);
    more_.wait(lock, [&] { return index < pieces_.size() || finished_; });
    if (finished_ && !complete_) return false;  // no use reading a failed result
    if (index >= pieces_.size()) return false;
    piece = pieces_[index];
    return true;
}

bool Output::Complete() const noexcept {
    std::lock_guard<std::mutex> lock(mutex_);
    return finished_ && complete_;
}

size_t Output::Size() const noexcept {
    std::lock_guard<std::mutex> lock(mutex_);
    return size_;
}

std::vector<Output::Piece> Output::Pieces() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pieces_;
}

namespace {

// Whole units only, unless the image is smaller than one unit (then nothing is
// dropped: a partial block that is the whole image is kept).
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


// ---- libjpeg glue ------------------------------------------------------------------

struct Failure {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void Fail(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<Failure*>(cinfo->err)->jump, 1);
}

[[noreturn]] void FailWith(j_common_ptr cinfo, int code) {
    cinfo->err->msg_code = code;
    Fail(cinfo);
}

// A warning (level -1) is damaged data that libjpeg would paper over.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level < 0) Fail(cinfo);
}

// A progressive file can hold any number of scans, each costing a pass over the image.
void LimitScans(j_common_ptr cinfo) {
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > 500)
        FailWith(cinfo, 0);
}

void SetUpErrors(Failure& failure, jpeg_progress_mgr& progress) {
    jpeg_std_error(&failure.pub);
    failure.pub.error_exit = Fail;
    failure.pub.emit_message = OnMessage;
    progress = jpeg_progress_mgr{};
    progress.progress_monitor = LimitScans;
}

// The encoder's output goes to Output chunks.
struct Destination {
    jpeg_destination_mgr pub;
    Output* out;
    uint8_t* chunk;
};

Destination& DestOf(j_compress_ptr cinfo) { return *reinterpret_cast<Destination*>(cinfo->dest); }

void NextChunk(j_compress_ptr cinfo) {
    Destination& d = DestOf(cinfo);
    d.chunk = d.out->NewChunk();
    if (d.chunk == nullptr) FailWith(reinterpret_cast<j_common_ptr>(cinfo), JERR_OUT_OF_MEMORY);
    d.pub.next_output_byte = d.chunk;
    d.pub.free_in_buffer = Output::kChunk;
}

void InitDestination(j_compress_ptr cinfo) { NextChunk(cinfo); }

boolean EmptyOutput(j_compress_ptr cinfo) {
    Destination& d = DestOf(cinfo);
    if (!d.out->Append(d.chunk, Output::kChunk))
        FailWith(reinterpret_cast<j_common_ptr>(cinfo), JERR_OUT_OF_MEMORY);
    NextChunk(cinfo);
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    Destination& d = DestOf(cinfo);
    if (!d.out->Append(d.chunk, Output::kChunk - d.pub.free_in_buffer))
        FailWith(reinterpret_cast<j_common_ptr>(cinfo), JERR_OUT_OF_MEMORY);
}

// The decode check reads Output pieces as they come.
struct Source {
    jpeg_source_mgr pub;
    Output* out;
    size_t next;
};

Source& SourceOf(j_decompress_ptr cinfo) { return *reinterpret_cast<Source*>(cinfo->src); }

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo) {
    Source& s = SourceOf(cinfo);
    Output::Piece piece;
    if (!s.out->Get(s.next, piece))  // the data ends before the image does
        FailWith(reinterpret_cast<j_common_ptr>(cinfo), JWRN_JPEG_EOF);
    ++s.next;
    s.pub.next_input_byte = piece.data;
    s.pub.bytes_in_buffer = piece.size;
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
    Source& s = SourceOf(cinfo);
    if (count <= 0) return;
    size_t left = static_cast<size_t>(count);
    while (left > s.pub.bytes_in_buffer) {
        left -= s.pub.bytes_in_buffer;
        FillInput(cinfo);
    }
    s.pub.next_input_byte += left;
    s.pub.bytes_in_buffer -= left;
}

// ---- moving blocks -----------------------------------------------------------------

// One component's blocks, every row reachable at once (libjpeg keeps whole images in
// memory: it has no backing store here).
struct Plane {
    JBLOCKROW* rows;
    JDIMENSION height, width;
};

Plane Gather(j_common_ptr cinfo, jvirt_barray_ptr array, JDIMENSION height, JDIMENSION width,
             bool writable) {
    Plane plane{static_cast<JBLOCKROW*>(
                    cinfo->mem->alloc_small(cinfo, JPOOL_IMAGE, sizeof(JBLOCKROW) * height)),
                height, width};
    for (JDIMENSION r = 0; r < height; ++r)
        plane.rows[r] = cinfo->mem->access_virt_barray(cinfo, array, r, 1, writable)[0];
    return plane;
}

JCOEF* At(j_common_ptr cinfo, const Plane& plane, JDIMENSION row, JDIMENSION col) {
    if (row >= plane.height || col >= plane.width) FailWith(cinfo, JERR_BAD_VIRTUAL_ACCESS);
    return plane.rows[row][col];
}

JCOEF Negated(JCOEF v) { return static_cast<JCOEF>(-v); }  // wraps as libjpeg's does

// One block from `s` to `d`: transposed or not, with the coefficients of odd source
// rows and/or odd source columns negated (a mirror in the other direction). `s` may
// be `d` when not transposing.
template <bool Transpose, bool OddRows, bool OddCols>
void Move(const JCOEF* s, JCOEF* d) {
    for (int i = 0; i < DCTSIZE; ++i) {
        for (int j = 0; j < DCTSIZE; ++j) {
            const bool negate = (OddRows && (i & 1)) != (OddCols && (j & 1));
            const JCOEF v = s[i * DCTSIZE + j];
            d[Transpose ? j * DCTSIZE + i : i * DCTSIZE + j] = negate ? Negated(v) : v;
        }
    }
}

// Visits width x height blocks in square tiles, so that a transposing move reads a
// few source rows at a time instead of one block from every row.
template <class F>
void Tiled(JDIMENSION width, JDIMENSION height, F f) {
    constexpr JDIMENSION kTile = 16;
    for (JDIMENSION y0 = 0; y0 < height; y0 += kTile) {
        const JDIMENSION y1 = std::min(height, y0 + kTile);
        for (JDIMENSION x0 = 0; x0 < width; x0 += kTile) {
            const JDIMENSION x1 = std::min(width, x0 + kTile);
            for (JDIMENSION y = y0; y < y1; ++y)
                for (JDIMENSION x = x0; x < x1; ++x) f(x, y);
        }
    }
}

JDIMENSION RoundUp(JDIMENSION n, int unit) {
    const JDIMENSION u = static_cast<JDIMENSION>(unit);
    return (n + u - 1) / u * u;
}

// ---- the transform -----------------------------------------------------------------

bool Transposes(uint16_t code) { return code == 1 || code == 3; }

// ExifImageWidth and ExifImageHeight in the Exif IFD are set to the new size, as
// jpegtran sets them; every read is bounded by `length`.
void AdjustExifSize(JOCTET* data, unsigned length, JDIMENSION width, JDIMENSION height) {
    if (length < 12) return;
    bool motorola;
    if (data[0] == 0x49 && data[1] == 0x49)
        motorola = false;
    else if (data[0] == 0x4D && data[1] == 0x4D)
        motorola = true;
    else
        return;
    auto get16 = [&](unsigned at) {
        return motorola ? unsigned{data[at]} << 8 | data[at + 1]
                        : unsigned{data[at + 1]} << 8 | data[at];
    };
    if (get16(2) != 0x2A) return;
    if (data[motorola ? 4 : 7] != 0 || data[motorola ? 5 : 6] != 0) return;
    unsigned ifd = get16(motorola ? 6 : 4);
    if (ifd > length - 2) return;
    unsigned tags = get16(ifd);
    if (tags == 0) return;
    ifd += 2;
    for (;;) {  // the Exif IFD pointer in IFD0
        if (ifd > length - 12) return;
        if (get16(ifd) == 0x8769) break;
        if (--tags == 0) return;
        ifd += 12;
    }
    if (data[ifd + (motorola ? 8 : 11)] != 0 || data[ifd + (motorola ? 9 : 10)] != 0) return;
    unsigned offset = get16(ifd + (motorola ? 10 : 8));
    if (offset > length - 2) return;
    tags = get16(offset);
    if (tags < 2) return;
    offset += 2;
    do {
        if (offset > length - 12) return;
        const unsigned tag = get16(offset);
        if (tag == 0xA002 || tag == 0xA003) {  // written as one LONG
            const JDIMENSION value = tag == 0xA002 ? width : height;
            JOCTET* e = data + offset;
            const JOCTET entry[10] = {0, 4, 0, 0, 0, 1,
                                      static_cast<JOCTET>(value >> 24 & 0xFF),
                                      static_cast<JOCTET>(value >> 16 & 0xFF),
                                      static_cast<JOCTET>(value >> 8 & 0xFF),
                                      static_cast<JOCTET>(value & 0xFF)};
            for (int k = 0; k < 10; ++k)  // little-endian: each field reversed
                e[2 + k] = motorola ? entry[k]
                           : k < 2  ? entry[1 - k]
                           : k < 6  ? entry[7 - k]
                                    : entry[15 - k];
        }
        offset += 12;
    } while (--tags);
}

// The destination's size, as jpegtran -trim plans it, and its blocks when they are
// made ahead (see Execute).
struct Plan {
    JDIMENSION width, height;
    jvirt_barray_ptr* workspace;  // null when made on demand or flipped in place
    JDIMENSION rows[MAX_COMPONENTS], cols[MAX_COMPONENTS];  // of each workspace array
};

Plan Prepare(j_decompress_ptr src, uint16_t code, bool ahead) {
    if (src->num_components > MAX_COMPONENTS) FailWith(reinterpret_cast<j_common_ptr>(src), JERR_COMPONENT_COUNT);
    const bool transposed = Transposes(code);
    const int single = src->num_components == 1;
    const int unitW = DCTSIZE * (single ? 1 : transposed ? src->max_v_samp_factor
                                                         : src->max_h_samp_factor);
    const int unitH = DCTSIZE * (single ? 1 : transposed ? src->max_h_samp_factor
                                                         : src->max_v_samp_factor);
    const int w = static_cast<int>(transposed ? src->image_height : src->image_width);
    const int h = static_cast<int>(transposed ? src->image_width : src->image_height);
    const bool trimRight = code != 3 && code != 4;  // 90, 180, horizontal flip
    const bool trimBottom = code == 2 || code == 3 || code == 4;
    Plan plan{static_cast<JDIMENSION>(trimRight ? Trim(w, unitW) : w),
              static_cast<JDIMENSION>(trimBottom ? Trim(h, unitH) : h), nullptr, {}, {}};
    if (code == 5 || !ahead) return plan;
    j_common_ptr common = reinterpret_cast<j_common_ptr>(src);
    plan.workspace = static_cast<jvirt_barray_ptr*>(common->mem->alloc_small(
        common, JPOOL_IMAGE, sizeof(jvirt_barray_ptr) * static_cast<size_t>(src->num_components)));
    const JDIMENSION iMcuCols = (plan.width + unitW - 1) / static_cast<JDIMENSION>(unitW);
    const JDIMENSION iMcuRows = (plan.height + unitH - 1) / static_cast<JDIMENSION>(unitH);
    for (int ci = 0; ci < src->num_components; ++ci) {
        const jpeg_component_info& c = src->comp_info[ci];
        const int hs = single ? 1 : transposed ? c.v_samp_factor : c.h_samp_factor;
        const int vs = single ? 1 : transposed ? c.h_samp_factor : c.v_samp_factor;
        plan.cols[ci] = iMcuCols * static_cast<JDIMENSION>(hs);
        plan.rows[ci] = iMcuRows * static_cast<JDIMENSION>(vs);
        plan.workspace[ci] = common->mem->request_virt_barray(
            common, JPOOL_IMAGE, FALSE, plan.cols[ci], plan.rows[ci], static_cast<JDIMENSION>(vs));
    }
    return plan;
}

void AdjustParameters(j_decompress_ptr src, j_compress_ptr dst, uint16_t code, const Plan& plan) {
    if (src->num_components == 1) {
        dst->comp_info[0].h_samp_factor = 1;  // a lone component is never subsampled
        dst->comp_info[0].v_samp_factor = 1;
    }
    dst->image_width = plan.width;
    dst->image_height = plan.height;
    if (Transposes(code)) {
        for (int ci = 0; ci < dst->num_components; ++ci)
            std::swap(dst->comp_info[ci].h_samp_factor, dst->comp_info[ci].v_samp_factor);
        for (JQUANT_TBL* table : dst->quant_tbl_ptrs) {
            if (table == nullptr) continue;
            for (int i = 0; i < DCTSIZE; ++i)
                for (int j = 0; j < i; ++j)
                    std::swap(table->quantval[i * DCTSIZE + j], table->quantval[j * DCTSIZE + i]);
        }
    }
    jpeg_saved_marker_ptr first = src->marker_list;
    if (first != nullptr && first->marker == JPEG_APP0 + 1 && first->data_length >= 6 &&
        std::memcmp(first->data, "Exif\0\0", 6) == 0) {
        dst->write_JFIF_header = FALSE;  // an Exif file stays one
        if (plan.width != src->image_width || plan.height != src->image_height)
            AdjustExifSize(first->data + 6, first->data_length - 6, plan.width, plan.height);
    }
}

void CopyMarkers(j_decompress_ptr src, j_compress_ptr dst) {
    for (jpeg_saved_marker_ptr m = src->marker_list; m != nullptr; m = m->next) {
        // The encoder writes its own JFIF and Adobe markers.
        if (dst->write_JFIF_header && m->marker == JPEG_APP0 && m->data_length >= 5 &&
            std::memcmp(m->data, "JFIF\0", 5) == 0)
            continue;
        if (dst->write_Adobe_marker && m->marker == JPEG_APP0 + 14 && m->data_length >= 5 &&
            std::memcmp(m->data, "Adobe", 5) == 0)
            continue;
        jpeg_write_marker(dst, m->marker, m->data, m->data_length);
    }
}

// Where the blocks of one destination component come from. Destination blocks left
// of mirroredW (above mirroredH) are mirrored; partial iMCUs at the right or bottom
// edge, kept only when the image is below one iMCU, are not.
struct Mapping {
    uint16_t code;
    JDIMENSION mirroredW, mirroredH;
};

Mapping MappingOf(j_decompress_ptr src, j_compress_ptr dst, uint16_t code,
                  const jpeg_component_info& d) {
    const JDIMENSION unitW = static_cast<JDIMENSION>(dst->max_h_samp_factor * DCTSIZE);
    const JDIMENSION unitH = static_cast<JDIMENSION>(dst->max_v_samp_factor * DCTSIZE);
    const JDIMENSION h = static_cast<JDIMENSION>(d.h_samp_factor);
    const JDIMENSION v = static_cast<JDIMENSION>(d.v_samp_factor);
    const JDIMENSION srcW = src->image_width, srcH = src->image_height;
    switch (code) {
        case 1: return {code, srcH / unitW * h, 0};
        case 2: return {code, srcW / unitW * h, srcH / unitH * v};
        case 3: return {code, 0, srcW / unitH * v};
        case 4: return {code, 0, srcH / unitH * v};
        default: return {code, srcW / unitW * h, 0};
    }
}

// Makes destination block (x, y) of one component from the source plane.
void MoveBlock(j_common_ptr c, const Mapping& m, const Plane& in, JDIMENSION x, JDIMENSION y,
               JCOEF* to) {
    const bool mx = x < m.mirroredW, my = y < m.mirroredH;
    const JDIMENSION fx = mx ? m.mirroredW - 1 - x : x, fy = my ? m.mirroredH - 1 - y : y;
    switch (m.code) {
        case 1:  // 90 clockwise: transpose, then mirror left to right
            if (mx)
                Move<true, true, false>(At(c, in, fx, y), to);
            else
                Move<true, false, false>(At(c, in, x, y), to);
            return;
        case 3:  // 90 counter-clockwise: transpose, then mirror top to bottom
            if (my)
                Move<true, false, true>(At(c, in, x, fy), to);
            else
                Move<true, false, false>(At(c, in, x, y), to);
            return;
        case 2:  // 180: both ways; edge rows and columns one way only
            if (mx && my)
                Move<false, true, true>(At(c, in, fy, fx), to);
            else if (my)
                Move<false, true, false>(At(c, in, fy, x), to);
            else if (mx)
                Move<false, false, true>(At(c, in, y, fx), to);
            else
                Move<false, false, false>(At(c, in, y, x), to);
            return;
        default:  // vertical flip
            if (my)
                Move<false, true, false>(At(c, in, fy, x), to);
            else
                Move<false, false, false>(At(c, in, y, x), to);
            return;
    }
}

// Where MoveBlock would read (x, y) from, for prefetching only: the first block when
// out of bounds.
const JCOEF* SourceBlock(const Mapping& m, const Plane& in, JDIMENSION x, JDIMENSION y) {
    const bool mx = x < m.mirroredW, my = y < m.mirroredH;
    const JDIMENSION fx = mx ? m.mirroredW - 1 - x : x, fy = my ? m.mirroredH - 1 - y : y;
    const bool transposed = Transposes(m.code);
    const JDIMENSION row = transposed ? fx : fy, col = transposed ? fy : fx;
    return row < in.height && col < in.width ? in.rows[row][col] : in.rows[0][0];
}

Plane SourcePlane(j_decompress_ptr src, jvirt_barray_ptr array, int ci, bool writable) {
    const jpeg_component_info& s = src->comp_info[ci];
    return Gather(reinterpret_cast<j_common_ptr>(src), array,
                  RoundUp(s.height_in_blocks, s.v_samp_factor),
                  RoundUp(s.width_in_blocks, s.h_samp_factor), writable);
}

// The destination blocks an encoder pass reads: whole iMCU rows, and in each row
// whole iMCUs across when transposed (the loops of jpegtran).
JDIMENSION RowsOf(const jpeg_component_info& d) { return RoundUp(d.height_in_blocks, d.v_samp_factor); }
JDIMENSION ColsOf(const jpeg_component_info& d, uint16_t code) {
    return Transposes(code) ? RoundUp(d.width_in_blocks, d.h_samp_factor) : d.width_in_blocks;
}

// The horizontal flip, in place in the decoder's arrays.
void FlipInPlace(j_decompress_ptr src, j_compress_ptr dst, jvirt_barray_ptr* arrays) {
    j_common_ptr common = reinterpret_cast<j_common_ptr>(src);
    for (int ci = 0; ci < dst->num_components; ++ci) {
        const Plane in = SourcePlane(src, arrays[ci], ci, true);
        const JDIMENSION mirrored = MappingOf(src, dst, 5, dst->comp_info[ci]).mirroredW;
        for (JDIMENSION y = 0; y < RowsOf(dst->comp_info[ci]); ++y) {
            for (JDIMENSION x = 0; 2 * x < mirrored; ++x) {
                JCOEF* a = At(common, in, y, x);
                JCOEF* b = At(common, in, y, mirrored - 1 - x);
                if (a == b) {
                    Move<false, false, true>(a, a);
                    continue;
                }
                JBLOCK keep;
                std::memcpy(keep, a, sizeof keep);
                Move<false, false, true>(b, a);
                Move<false, false, true>(keep, b);
            }
        }
    }
}

// Progressive output: the encoder reads every block once per scan and pass, so the
// destination is made ahead into the workspace, in tiles for locality.
void Execute(j_decompress_ptr src, j_compress_ptr dst, uint16_t code,
             jvirt_barray_ptr* arrays, const Plan& plan) {
    j_common_ptr common = reinterpret_cast<j_common_ptr>(src);
    for (int ci = 0; ci < dst->num_components; ++ci) {
        const jpeg_component_info& d = dst->comp_info[ci];
        const Plane in = SourcePlane(src, arrays[ci], ci, false);
        const Plane out = Gather(common, plan.workspace[ci], plan.rows[ci], plan.cols[ci], true);
        const Mapping map = MappingOf(src, dst, code, d);
        Tiled(ColsOf(d, code), RowsOf(d), [&](JDIMENSION x, JDIMENSION y) {
            MoveBlock(common, map, in, x, y, At(common, out, y, x));
        });
    }
}

// Baseline output is read once, one iMCU row at a time: each row is made when the
// encoder asks for it, through the memory manager's array access, which spares a
// second copy of the whole image. The encoder is given stand-ins for its arrays.
struct View {
    Plane in;
    Mapping map;
    JDIMENSION rows, cols;
    JBLOCKARRAY buffer;
    JDIMENSION bufferRows;
};

struct Views {
    View view[MAX_COMPONENTS];
    jvirt_barray_ptr ids[MAX_COMPONENTS];
    int count;
    JBLOCKARRAY (*original)(j_common_ptr, jvirt_barray_ptr, JDIMENSION, JDIMENSION, boolean);
};

JBLOCKARRAY AccessView(j_common_ptr cinfo, jvirt_barray_ptr array, JDIMENSION start,
                       JDIMENSION count, boolean writable) {
    Views& views = *static_cast<Views*>(cinfo->client_data);
    for (int ci = 0; ci < views.count; ++ci) {
        if (array != views.ids[ci]) continue;
        const View& v = views.view[ci];
        if (writable || count > v.bufferRows || start > v.rows || count > v.rows - start)
            FailWith(cinfo, JERR_BAD_VIRTUAL_ACCESS);
        // Across a transposed row the source blocks lie one per source row, too far
        // apart for the hardware to guess: ask for them a few blocks ahead.
        constexpr JDIMENSION kAhead = 6;
        for (JDIMENSION x = 0; x < v.cols; ++x) {
            for (JDIMENSION r = 0; r < count; ++r) {
                if (x + kAhead < v.cols) {
                    const JCOEF* next = SourceBlock(v.map, v.in, x + kAhead, start + r);
                    __builtin_prefetch(next);
                    __builtin_prefetch(next + DCTSIZE2 / 2);
                }
                MoveBlock(cinfo, v.map, v.in, x, start + r, v.buffer[r][x]);
            }
        }
        return v.buffer;
    }
    return views.original(cinfo, array, start, count, writable);
}

void PrepareViews(j_compress_ptr dst, Views& views) {
    views.count = dst->num_components;
    for (int ci = 0; ci < views.count; ++ci)
        views.ids[ci] = reinterpret_cast<jvirt_barray_ptr>(&views.view[ci]);
    views.original = dst->mem->access_virt_barray;
    dst->client_data = &views;
    dst->mem->access_virt_barray = AccessView;
}

void FillViews(j_decompress_ptr src, j_compress_ptr dst, uint16_t code,
               jvirt_barray_ptr* arrays, Views& views) {
    j_common_ptr common = reinterpret_cast<j_common_ptr>(dst);
    for (int ci = 0; ci < views.count; ++ci) {
        const jpeg_component_info& d = dst->comp_info[ci];
        View& v = views.view[ci];
        v.in = SourcePlane(src, arrays[ci], ci, false);
        v.map = MappingOf(src, dst, code, d);
        v.rows = RowsOf(d);
        v.cols = ColsOf(d, code);
        v.bufferRows = static_cast<JDIMENSION>(d.v_samp_factor);
        v.buffer = common->mem->alloc_barray(common, JPOOL_IMAGE, std::max<JDIMENSION>(v.cols, 1),
                                             v.bufferRows);
    }
}

struct TransformJob {
    TransformJob(const uint8_t* d, size_t n, const FrameInfo& f, uint16_t c, Output& o)
        : data(d), size(n), frame(f), code(c) {
        dest.out = &o;
    }
    ~TransformJob() {
        if (dstMade) jpeg_destroy_compress(&dst);
        if (srcMade) jpeg_destroy_decompress(&src);
    }
    TransformJob(const TransformJob&) = delete;
    TransformJob& operator=(const TransformJob&) = delete;

    const uint8_t* data;
    size_t size;
    const FrameInfo& frame;
    uint16_t code;
    Failure failure{};
    jpeg_progress_mgr progress{};
    Destination dest{};
    jpeg_decompress_struct src{};
    jpeg_compress_struct dst{};
    Views views{};
    volatile bool srcMade = false, dstMade = false, headerRead = false;
    volatile Status refusal = kOk;
};

Status RunTransform(TransformJob& job) {
    j_decompress_ptr src = &job.src;
    j_compress_ptr dst = &job.dst;
    SetUpErrors(job.failure, job.progress);
    src->err = &job.failure.pub;
    dst->err = &job.failure.pub;
    if (setjmp(job.failure.jump) != 0) {
        if (job.failure.pub.msg_code == JERR_OUT_OF_MEMORY) return kNoMemory;
        return job.headerRead ? kCorrupt : kBadHeader;
    }
    jpeg_create_decompress(src);
    job.srcMade = true;
    jpeg_create_compress(dst);
    job.dstMade = true;
    src->mem->max_memory_to_use = 0;  // whole images in memory (there is no backing store)
    src->progress = &job.progress;
    jpeg_mem_src(src, job.data, static_cast<unsigned long>(job.size));
    jpeg_save_markers(src, JPEG_COM, 0xFFFF);
    for (int m = 0; m < 16; ++m) jpeg_save_markers(src, JPEG_APP0 + m, 0xFFFF);
    jpeg_read_header(src, TRUE);
    if (static_cast<int>(src->image_width) != job.frame.width ||
        static_cast<int>(src->image_height) != job.frame.height)
        return kBadHeader;
    job.headerRead = true;

    const bool ahead = job.frame.progressive;
    const Plan plan = Prepare(src, job.code, ahead);
    jvirt_barray_ptr* coefficients = jpeg_read_coefficients(src);
    jpeg_copy_critical_parameters(src, dst);
    AdjustParameters(src, dst, job.code, plan);
    if (job.frame.progressive) jpeg_simple_progression(dst);
    job.dest.pub.init_destination = InitDestination;
    job.dest.pub.empty_output_buffer = EmptyOutput;
    job.dest.pub.term_destination = TermDestination;
    dst->dest = &job.dest.pub;
    if (job.code == 5) {
        jpeg_write_coefficients(dst, coefficients);
        FlipInPlace(src, dst, coefficients);
    } else if (ahead) {
        jpeg_write_coefficients(dst, plan.workspace);
        Execute(src, dst, job.code, coefficients, plan);
    } else {
        PrepareViews(dst, job.views);
        jpeg_write_coefficients(dst, job.views.ids);
        FillViews(src, dst, job.code, coefficients, job.views);
    }
    CopyMarkers(src, dst);
    jpeg_finish_compress(dst);
    // The decoder has read up to EOI; its memory goes with the job, after the output
    // is handed on.
    return kOk;
}

struct CheckJob {
    explicit CheckJob(Output& o) { source.out = &o; }
    ~CheckJob() {
        if (made) jpeg_destroy_decompress(&cinfo);
    }
    CheckJob(const CheckJob&) = delete;
    CheckJob& operator=(const CheckJob&) = delete;

    Failure failure{};
    jpeg_progress_mgr progress{};
    Source source{};
    jpeg_decompress_struct cinfo{};
    volatile bool made = false;
};

bool RunCheck(CheckJob& job, int width, int height) {
    j_decompress_ptr cinfo = &job.cinfo;
    SetUpErrors(job.failure, job.progress);
    cinfo->err = &job.failure.pub;
    if (setjmp(job.failure.jump) != 0) return false;
    jpeg_create_decompress(cinfo);
    job.made = true;
    cinfo->progress = &job.progress;
    job.source.pub.init_source = InitSource;
    job.source.pub.fill_input_buffer = FillInput;
    job.source.pub.skip_input_data = SkipInput;
    job.source.pub.resync_to_restart = jpeg_resync_to_restart;
    job.source.pub.term_source = TermSource;
    cinfo->src = &job.source.pub;
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) return false;
    if (static_cast<int>(cinfo->image_width) != width ||
        static_cast<int>(cinfo->image_height) != height)
        return false;
    // At 1/8 each block comes out as one pixel, but every coefficient of every scan
    // is still entropy-decoded.
    cinfo->scale_num = 1;
    cinfo->scale_denom = 8;
    cinfo->do_fancy_upsampling = FALSE;
    jpeg_start_decompress(cinfo);
    j_common_ptr common = reinterpret_cast<j_common_ptr>(cinfo);
    JSAMPARRAY rows = common->mem->alloc_sarray(
        common, JPOOL_IMAGE, cinfo->output_width * static_cast<JDIMENSION>(cinfo->output_components),
        static_cast<JDIMENSION>(cinfo->rec_outbuf_height));
    while (cinfo->output_scanline < cinfo->output_height)
        jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(cinfo->rec_outbuf_height));
    jpeg_finish_decompress(cinfo);  // reads on to EOI
    return true;
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
                       Output& out) {
    struct Unfinished {  // whatever happens, the readers are let go
        Output& out;
        ~Unfinished() { out.Finish(false); }
    } unfinished{out};
    if (code < 1 || code > 5) return kBadArgument;
    if (size == 0 || size > kMaxFileSize || trailerSize > kMaxFileSize - size) return kTooLarge;
    // The job's memory (two images' worth of coefficients) is released after the
    // output is finished, while the writer syncs it.
    TransformJob job(data, size, frame, code, out);
    const Status status = RunTransform(job);
    if (status != kOk) return status;
    if (!out.Append(trailer, trailerSize)) return kNoMemory;
    out.Finish(true);
    return kOk;
}

bool DecodesAs(Output& jpeg, int width, int height) {
    CheckJob job(jpeg);
    return RunCheck(job, width, height);
}

bool DecodesAs(const uint8_t* data, size_t size, int width, int height) {
    if (size == 0 || size > kMaxFileSize) return false;
    Output whole;
    if (!whole.Append(data, size)) return false;
    whole.Finish(true);
    return DecodesAs(whole, width, height);
}

}  // namespace vantrel
