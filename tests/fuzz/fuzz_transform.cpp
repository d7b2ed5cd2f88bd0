// The lossless-transform library on any file: on failure the file is byte for byte
// what it was; on success it holds exactly the input's DCT coefficients, turned (the
// blocks that jpegtran -trim keeps, each moved and its coefficients transposed and
// negated as the transform asks, under the same quantisation tables); never a
// temporary file left behind. The judge is the input itself, not another
// transform's output, whose own faults (stray bytes a decoder warns about) are no
// fault of ours.

#include "platform/vantrel/vantrel.h"
#include "tests/fuzz/fuzz_util.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <jpeglib.h>
#include <string>
#include <vector>

namespace {

// Inputs above this many pixels are passed over: the sanitizers' memory limit, not
// the library, would decide them.
constexpr uint64_t kMaxPixels = 1u << 22;

struct Component {
    int h = 0, v = 0;
    unsigned widthInBlocks = 0, heightInBlocks = 0;
    std::array<uint16_t, DCTSIZE2> quant {};
    std::vector<JCOEF> blocks;  // row by row, DCTSIZE2 coefficients each, natural order

    const JCOEF* Block(unsigned x, unsigned y) const {
        return blocks.data() + (size_t(y) * widthInBlocks + x) * DCTSIZE2;
    }
};

struct Coefficients {
    bool ok = false;      // libjpeg read every coefficient
    bool warned = false;  // ... and had something to say about the data
    bool big = false;
    bool writable = true;  // every coefficient within what an 8-bit coder can write
    unsigned width = 0, height = 0;
    int colorSpace = 0;
    std::vector<Component> components;
};

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    bool warned;
};

void OnError(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1); }

void OnMessage(j_common_ptr cinfo, int level) {
    if (level < 0) reinterpret_cast<ErrorManager*>(cinfo->err)->warned = true;
}

// The result lives with the caller, so that a jump out of libjpeg leaves nothing of
// this frame to clean up but the decompressor.
void ReadInto(const std::string& jpeg, Coefficients& out) {
    jpeg_decompress_struct cinfo {};
    ErrorManager err {};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.emit_message = OnMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        out.ok = false;
        return;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(jpeg.data()),
                 static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    out.width = cinfo.image_width;
    out.height = cinfo.image_height;
    if (uint64_t {out.width} * out.height > kMaxPixels) {
        out.big = true;
        jpeg_destroy_decompress(&cinfo);
        return;
    }
    out.colorSpace = cinfo.jpeg_color_space;
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&cinfo);
    out.components.resize(static_cast<size_t>(cinfo.num_components));
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& info = cinfo.comp_info[c];
        Component& comp = out.components[static_cast<size_t>(c)];
        comp.h = info.h_samp_factor;
        comp.v = info.v_samp_factor;
        comp.widthInBlocks = info.width_in_blocks;
        comp.heightInBlocks = info.height_in_blocks;
        if (info.quant_table == nullptr) OnError(reinterpret_cast<j_common_ptr>(&cinfo));
        for (int k = 0; k < DCTSIZE2; ++k) comp.quant[static_cast<size_t>(k)] = info.quant_table->quantval[k];
        comp.blocks.resize(size_t(comp.widthInBlocks) * comp.heightInBlocks * DCTSIZE2);
        for (JDIMENSION y = 0; y < info.height_in_blocks; ++y) {
            JBLOCKARRAY row = cinfo.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&cinfo),
                                                            arrays[c], y, 1, FALSE);
            for (JDIMENSION x = 0; x < info.width_in_blocks; ++x) {
                const JCOEF* block = row[0][x];
                std::copy(block, block + DCTSIZE2,
                          comp.blocks.begin() + static_cast<std::ptrdiff_t>((size_t(y) * comp.widthInBlocks + x) * DCTSIZE2));
                // DC -1024..1023 keeps every difference within 11 bits; AC within 10.
                out.writable = out.writable && block[0] >= -1024 && block[0] <= 1023 &&
                               std::all_of(block + 1, block + DCTSIZE2,
                                           [](JCOEF v) { return v >= -1023 && v <= 1023; });
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    out.warned = err.warned;
    out.ok = true;
    jpeg_destroy_decompress(&cinfo);
}

Coefficients Read(const std::string& jpeg) {
    Coefficients c;
    ReadInto(jpeg, c);
    return c;
}

// Codes 1..5: rotate 90 clockwise, 180, 90 counter-clockwise, flip vertical, flip
// horizontal. Each is a mirror of the input along x, y or both, then for the quarter
// turns a transposition (rotating 90 clockwise mirrors the input's rows, then
// transposes).
struct Geometry {
    bool mirrorX, mirrorY, transposed;
};
constexpr Geometry kGeometry[5] = {
    {false, true, true}, {true, true, false}, {true, false, true}, {false, true, false},
    {true, false, false}};

// Whether `got` holds the input's coefficients turned by `code` as jpegtran -trim
// leaves them: along a mirrored axis only whole iMCUs are kept and mirrored, unless
// there is none, when the blocks stay where they are; a mirrored block's odd
// frequencies along that axis change sign; a transposition transposes the block
// grid, each block, the quantisation tables and the sampling factors.
bool IsTurned(const Coefficients& in, int code, const Coefficients& got) {
    const Geometry& g = kGeometry[code - 1];
    if (got.colorSpace != in.colorSpace || got.components.size() != in.components.size()) return false;
    // The iMCU: one block for a single component, else the largest sampling's blocks.
    const bool single = in.components.size() == 1;
    int maxH = 1, maxV = 1;
    for (const Component& c : in.components) {
        maxH = std::max(maxH, c.h);
        maxV = std::max(maxV, c.v);
    }
    const unsigned iw = single ? DCTSIZE : unsigned(maxH) * DCTSIZE;
    const unsigned ih = single ? DCTSIZE : unsigned(maxV) * DCTSIZE;
    const unsigned wholeX = in.width / iw, wholeY = in.height / ih;
    const bool trimX = g.mirrorX && wholeX > 0, trimY = g.mirrorY && wholeY > 0;
    const unsigned w = trimX ? wholeX * iw : in.width, h = trimY ? wholeY * ih : in.height;
    if (got.width != (g.transposed ? h : w) || got.height != (g.transposed ? w : h)) return false;

    for (size_t c = 0; c < in.components.size(); ++c) {
        const Component& src = in.components[c];
        const Component& out = got.components[c];
        if (!single && (out.h != (g.transposed ? src.v : src.h) || out.v != (g.transposed ? src.h : src.v)))
            return false;
        for (int row = 0; row < DCTSIZE; ++row)
            for (int col = 0; col < DCTSIZE; ++col) {
                const size_t from = g.transposed ? size_t(col * DCTSIZE + row) : size_t(row * DCTSIZE + col);
                if (out.quant[size_t(row * DCTSIZE + col)] != src.quant[from]) return false;
            }
        const unsigned fx = wholeX * unsigned(single ? 1 : src.h);  // blocks in whole iMCUs
        const unsigned fy = wholeY * unsigned(single ? 1 : src.v);
        const unsigned keptW = trimX ? fx : src.widthInBlocks;
        const unsigned keptH = trimY ? fy : src.heightInBlocks;
        if (out.widthInBlocks != (g.transposed ? keptH : keptW) ||
            out.heightInBlocks != (g.transposed ? keptW : keptH))
            return false;
        for (unsigned y = 0; y < keptH; ++y)
            for (unsigned x = 0; x < keptW; ++x) {
                const bool flipX = trimX, flipY = trimY;  // every kept block is mirrored
                const unsigned mx = flipX ? keptW - 1 - x : x, my = flipY ? keptH - 1 - y : y;
                const JCOEF* from = src.Block(x, y);
                const JCOEF* to = g.transposed ? out.Block(my, mx) : out.Block(mx, my);
                for (int row = 0; row < DCTSIZE; ++row)
                    for (int col = 0; col < DCTSIZE; ++col) {
                        const bool negate = (flipX && (col & 1)) != (flipY && (row & 1));
                        const JCOEF want = negate ? JCOEF(-from[row * DCTSIZE + col]) : from[row * DCTSIZE + col];
                        const int at = g.transposed ? col * DCTSIZE + row : row * DCTSIZE + col;
                        if (to[at] != want) return false;
                    }
            }
    }
    return true;
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* d = opendir(folder.c_str());
    FUZZ_CHECK(d != nullptr);
    while (const dirent* e = readdir(d)) {
        const std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::ScratchDir() + "/photo.jpg";
    const std::string before(reinterpret_cast<const char*>(data), size);
    const Coefficients in = Read(before);
    if (in.big) return 0;
    fuzz::WriteFile(path, before);
    const int code = 1 + static_cast<int>(size % 5);

    const uint16_t status = vtJpegLosslessTransform(path.c_str(), static_cast<uint16_t>(code));
    const std::string after = fuzz::ReadFile(path);
    FUZZ_CHECK(Entries(fuzz::ScratchDir()) == std::vector<std::string>{"photo.jpg"});
    if (status != 0) {
        FUZZ_CHECK(after == before);
        return 0;
    }
    // Nothing to judge by when libjpeg cannot read the input, or when it holds a
    // coefficient that no coder can write again (a code length past the standard's):
    // no lossless result exists, and jpegtran's differs as well.
    if (!in.ok || !in.writable) return 0;
    const Coefficients got = Read(after);
    FUZZ_CHECK(got.ok && !got.warned);
    FUZZ_CHECK(IsTurned(in, code, got));
    return 0;
}
