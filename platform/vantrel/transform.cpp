// Lossless transforms of JPEG pictures held in memory, on libjpeg's coefficient
// interface: the blocks are moved and their coefficients transposed or negated the
// way jpegtran -trim does it (the same libjpeg-turbo encoder then writes them), so
// the scans are byte for byte what jpegtran makes.
//
// Around the scans the picture keeps the original's own segments, in their order:
// the encoder writes no JFIF or Adobe marker of its own, and its frame header, Huffman
// tables and scans are spliced in where the original had its frame (see Splice).
// libjpeg's marker writer is hooked for that, so the result still streams.
//
// The result is encoded into pieces of an Output that the writer and the decode
// check (decode_check.cpp) read while the encoder still runs (see safe_replace.cpp),
// so the check costs next to nothing on top of the transform itself.
//
// Truncated or corrupt image data makes libjpeg warn and fill in grey blocks;
// jpegtran then writes the damaged picture out. Here every warning is a failure, in
// the transform and in the decode check alike.
//
// Like jpegtran, libjpeg writes a baseline file from a progressive one unless asked;
// we ask, which changes the entropy coding only, not the coefficients. Restart
// markers are not carried over by either.
//
// libjpeg reports errors by calling back, and we leave its calls with longjmp: the
// functions that call into libjpeg below hold no object with a destructor, and the
// callbacks none at the point where they may fail.

#include "platform/vantrel/libjpeg_errors.h"
#include "platform/vantrel/vantrel_internal.h"

#include <jpegint.h>  // the marker writer, hooked to splice the original's segments

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <new>

namespace vantrel {

namespace {

// The encoder's output goes to Output chunks; the splice's segments go in between as
// pieces of their own, so `start` marks the first byte of the chunk not yet handed on.
struct Destination {
    jpeg_destination_mgr pub;
    Output* out;
    uint8_t* chunk;
    uint8_t* start;
    Splice* splice;
    jpeg_marker_writer* marker;  // the encoder's own, for the hooks to call on
    void (*writeFrame)(j_compress_ptr);
    void (*writeTrailer)(j_compress_ptr);
};

Destination& DestOf(j_compress_ptr cinfo) { return *reinterpret_cast<Destination*>(cinfo->dest); }

void NextChunk(j_compress_ptr cinfo) {
    Destination& d = DestOf(cinfo);
    d.chunk = d.out->NewChunk();
    if (d.chunk == nullptr) FailWith(reinterpret_cast<j_common_ptr>(cinfo), JERR_OUT_OF_MEMORY);
    d.pub.next_output_byte = d.chunk;
    d.pub.free_in_buffer = Output::kChunk;
    d.start = d.chunk;
}

void InitDestination(j_compress_ptr cinfo) { NextChunk(cinfo); }

boolean EmptyOutput(j_compress_ptr cinfo) {
    Destination& d = DestOf(cinfo);
    if (!d.out->Append(d.start, static_cast<size_t>(d.chunk + Output::kChunk - d.start)))
        FailWith(reinterpret_cast<j_common_ptr>(cinfo), JERR_OUT_OF_MEMORY);
    NextChunk(cinfo);
    return TRUE;
}

// Hands on what the encoder wrote so far, so that a piece can follow it.
void Flush(j_compress_ptr cinfo) {
    Destination& d = DestOf(cinfo);
    uint8_t* next = d.pub.next_output_byte;
    if (!d.out->Append(d.start, static_cast<size_t>(next - d.start)))
        FailWith(reinterpret_cast<j_common_ptr>(cinfo), JERR_OUT_OF_MEMORY);
    d.start = next;
}

void TermDestination(j_compress_ptr cinfo) { Flush(cinfo); }

void Insert(j_compress_ptr cinfo, const std::vector<Splice::Item>& items) {
    Destination& d = DestOf(cinfo);
    for (const Splice::Item& item : items) {
        Flush(cinfo);
        bool ok;
        if (item.deferred) {
            Splice::Deferred deferred{item.segment, 0, d.out->Size()};
            ok = d.out->AppendDeferred(item.data, item.size, deferred.piece);
            if (ok) d.splice->deferred.push_back(deferred);
        } else {
            ok = d.out->Append(item.data, item.size);
        }
        if (!ok) FailWith(reinterpret_cast<j_common_ptr>(cinfo), JERR_OUT_OF_MEMORY);
    }
}

// The frame header (and the quantisation tables the splice does not define) stands
// where the original's did; the scan headers and Huffman tables follow as the encoder
// writes them; the original's segments after its scans stay before EOI.
void WriteFrame(j_compress_ptr cinfo) {
    Destination& d = DestOf(cinfo);
    Insert(cinfo, d.splice->beforeFrame);
    d.writeFrame(cinfo);
    Insert(cinfo, d.splice->afterFrame);
}

void WriteTrailer(j_compress_ptr cinfo) {
    Destination& d = DestOf(cinfo);
    Insert(cinfo, d.splice->tail);
    d.writeTrailer(cinfo);
}

void HookMarkers(j_compress_ptr cinfo, const Splice& splice) {
    Destination& d = DestOf(cinfo);
    d.marker = cinfo->marker;
    d.writeFrame = d.marker->write_frame_header;
    d.writeTrailer = d.marker->write_file_trailer;
    d.marker->write_frame_header = WriteFrame;
    d.marker->write_file_trailer = WriteTrailer;
    for (int t = 0; t < NUM_QUANT_TBLS && t < 4; ++t) {
        JQUANT_TBL* table = cinfo->quant_tbl_ptrs[t];
        if (table == nullptr || !splice.defines[t]) continue;
        bool same = true;
        for (int i = 0; i < DCTSIZE2; ++i) same = same && table->quantval[i] == splice.tables[t][i];
        if (same) table->sent_table = TRUE;
    }
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
    // The original's own JFIF and Adobe segments are kept where they are; the encoder
    // adds none.
    dst->write_JFIF_header = FALSE;
    dst->write_Adobe_marker = FALSE;
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

// Baseline output is read one iMCU row at a time (once, or twice when the Huffman
// tables are made for the data): each row is made when the encoder asks for it,
// through the memory manager's array access, which spares a second copy of the whole
// image. The encoder is given stand-ins for its arrays.
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
    TransformJob(const uint8_t* d, size_t n, const FrameInfo& f, uint16_t c, bool opt,
                 Splice& s, Output& o)
        : data(d), size(n), frame(f), code(c), optimize(opt) {
        dest.out = &o;
        dest.splice = &s;
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
    bool optimize;
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
    if (job.optimize) dst->optimize_coding = TRUE;
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
    HookMarkers(dst, *job.dest.splice);
    jpeg_finish_compress(dst);
    // The decoder has read up to EOI; its memory goes with the job, after the output
    // is handed on.
    return kOk;
}

}  // namespace

Status EncodePicture(const uint8_t* data, size_t size, const FrameInfo& frame, uint16_t code,
                     bool optimize, Splice& splice, Output& out,
                     const std::function<Status()>& finish) {
    if (code < 1 || code > 5) return kBadArgument;
    if (size == 0 || size > kMaxFileSize) return kTooLarge;
    // The job's memory (two images' worth of coefficients) is released after
    // `finish`, which may let the writer go on to sync meanwhile.
    TransformJob job(data, size, frame, code, optimize, splice, out);
    const Status status = RunTransform(job);
    if (status != kOk || !finish) return status;
    return finish();
}

}  // namespace vantrel
