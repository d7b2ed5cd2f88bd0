// The lossless-transform library on any file: on failure the file is byte for byte
// what it was; on success it decodes to exactly the pixels that libjpeg-turbo's own
// lossless transform (the code behind jpegtran -trim) gives; never a temporary file
// left behind.

#include "platform/vantrel/vantrel.h"
#include "tests/fuzz/fuzz_util.h"

#include <cstdint>
#include <dirent.h>
#include <string>
#include <turbojpeg.h>
#include <vector>

namespace {

// Inputs above this many pixels are passed over: the sanitizers' memory limit, not
// the library, would decide them.
constexpr uint64_t kMaxPixels = 1u << 22;

struct Image {
    bool ok = false;
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;
};

Image Decode(const std::string& jpeg) {
    Image img;
    tjhandle h = tjInitDecompress();
    if (!h) std::abort();
    auto* src = reinterpret_cast<const unsigned char*>(jpeg.data());
    int sub = 0, cs = 0;
    if (tjDecompressHeader3(h, src, jpeg.size(), &img.width, &img.height, &sub, &cs) == 0 &&
        static_cast<uint64_t>(img.width) * static_cast<uint64_t>(img.height) <= kMaxPixels) {
        const int pf = cs == TJCS_GRAY ? TJPF_GRAY : (cs == TJCS_CMYK || cs == TJCS_YCCK) ? TJPF_CMYK : TJPF_RGB;
        img.pixels.resize(static_cast<size_t>(img.width) * static_cast<size_t>(img.height) *
                          static_cast<size_t>(tjPixelSize[pf]));
        img.ok = tjDecompress2(h, src, jpeg.size(), img.pixels.data(), img.width, 0, img.height, pf, 0) == 0 ||
                 tjGetErrorCode(h) == TJERR_WARNING;
    }
    tjDestroy(h);
    return img;
}

// What jpegtran -trim makes of the input, through the same transform code.
bool Oracle(const std::string& jpeg, int code, std::string& out) {
    static const int ops[] = {TJXOP_ROT90, TJXOP_ROT180, TJXOP_ROT270, TJXOP_VFLIP, TJXOP_HFLIP};
    tjhandle h = tjInitTransform();
    if (!h) std::abort();
    tjtransform xform {};
    xform.op = ops[code - 1];
    xform.options = TJXOPT_TRIM;
    unsigned char* dst = nullptr;
    unsigned long dstSize = 0;
    const bool ok = tjTransform(h, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size(), 1,
                                &dst, &dstSize, &xform, 0) == 0;
    if (ok) out.assign(reinterpret_cast<const char*>(dst), dstSize);
    tjFree(dst);
    tjDestroy(h);
    return ok;
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
    {
        tjhandle h = tjInitDecompress();
        int w = 0, ht = 0, sub = 0, cs = 0;
        const bool big = tjDecompressHeader3(h, data, size, &w, &ht, &sub, &cs) == 0 &&
                         static_cast<uint64_t>(w) * static_cast<uint64_t>(ht) > kMaxPixels;
        tjDestroy(h);
        if (big) return 0;
    }
    fuzz::WriteFile(path, before);
    const int code = 1 + static_cast<int>(size % 5);

    const uint16_t status = vtJpegLosslessTransform(path.c_str(), static_cast<uint16_t>(code));
    const std::string after = fuzz::ReadFile(path);
    FUZZ_CHECK(Entries(fuzz::ScratchDir()) == std::vector<std::string>{"photo.jpg"});
    if (status != 0) {
        FUZZ_CHECK(after == before);
        return 0;
    }
    std::string expected;
    if (!Oracle(before, code, expected)) return 0;  // nothing to compare with
    const Image want = Decode(expected);
    if (!want.ok) return 0;
    const Image got = Decode(after);
    FUZZ_CHECK(got.ok);
    FUZZ_CHECK(got.width == want.width && got.height == want.height);
    FUZZ_CHECK(got.pixels == want.pixels);
    return 0;
}
