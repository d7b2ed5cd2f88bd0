// The image services on any file: opening it, its size, every property item (each
// value read whole), its thumbnail and a scaled decode as drawing makes it. After
// every input a good photo opened in the same process must still read its size and
// orientation and decode: no failure carries over.

#include "platform/gdiplus/gpimage.h"
#include "platform/gdiplus/gpimage_data.h"
#include "tests/fuzz/fuzz_util.h"

#include <QImage>
#include <QString>
#include <memory>
#include <cstdint>
#include <cstring>
#include <string>
#include <turbojpeg.h>
#include <vector>

// Where the value bytes' sum goes, so that reading them cannot be optimised away.
volatile unsigned valueSum = 0;

namespace {

constexpr int kWidth = 64, kHeight = 48;
constexpr uint64_t kMaxPixels = 1u << 24;

// A 64 x 48 photo with an EXIF block whose IFD0 holds Orientation 6.
std::string GoodPhoto() {
    std::vector<unsigned char> rgb(kWidth * kHeight * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<unsigned char>(i * 7 % 251);
    tjhandle h = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    if (!h || tjCompress2(h, rgb.data(), kWidth, 0, kHeight, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90, 0) != 0)
        std::abort();
    std::string bytes(reinterpret_cast<const char*>(jpeg), size);
    tjFree(jpeg);
    tjDestroy(h);
    // "Exif\0\0", a little-endian TIFF header, IFD0 with one entry: 0x0112 SHORT 1 = 6.
    const std::string tiff("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\0\0\0\0", 26);
    const std::string payload = std::string("Exif\0\0", 6) + tiff;
    const size_t length = payload.size() + 2;
    const std::string app1 = std::string("\xFF\xE1", 2) + static_cast<char>(length >> 8) +
                             static_cast<char>(length & 0xFF) + payload;
    return bytes.insert(2, app1);
}

// Every property item, each value byte read (so a bad pointer or length shows).
uint16_t ReadProperties(TGPImage& image) {
    uint32_t size = 0, count = 0;
    if (image.GetPropertySize(&size, &count) != Ok || size == 0) return 0;
    std::vector<uint64_t> buffer((size + 7) / 8, 0);
    auto* items = reinterpret_cast<PropertyItem*>(buffer.data());
    if (image.GetAllPropertyItems(size, count, items) != Ok) return 0;
    uint16_t orientation = 0;
    unsigned sum = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const auto* value = static_cast<const unsigned char*>(items[i].value);
        FUZZ_CHECK(items[i].length == 0 || value != nullptr);
        for (uint32_t k = 0; k < items[i].length; ++k) sum += value[k];
        if (items[i].id == 0x0112 && items[i].length >= 2) std::memcpy(&orientation, value, 2);
    }
    valueSum = sum;
    return orientation;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::ScratchDir() + "/input.jpg";
    static const std::string good = [] {
        const std::string p = fuzz::ScratchDir() + "/good.jpg";
        fuzz::WriteFile(p, GoodPhoto());
        return p;
    }();
    static const QByteArray goodBytes = QByteArray::fromStdString(fuzz::ReadFile(good));
    fuzz::WriteFile(path, std::string(reinterpret_cast<const char*>(data), size));
    {
        TGPImage image(QString::fromStdString(path));
        const uint64_t pixels = uint64_t {image.GetWidth()} * image.GetHeight();
        ReadProperties(image);
        // Pictures far above a photo's size would only test the memory limit.
        if (pixels <= kMaxPixels) {
            std::unique_ptr<TGPImage> thumb(image.GetThumbnailImage(24, 16));
            FUZZ_CHECK(thumb != nullptr);
            gdiplus_detail::DecodeJpegCovering(
                QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), 16, 16);
        }
    }
    TGPImage image(QString::fromStdString(good));
    FUZZ_CHECK(image.GetWidth() == kWidth);
    FUZZ_CHECK(image.GetHeight() == kHeight);
    FUZZ_CHECK(ReadProperties(image) == 6);
    std::unique_ptr<TGPImage> thumb(image.GetThumbnailImage(32, 24));
    FUZZ_CHECK(thumb && thumb->GetLastStatus() == Ok && thumb->GetWidth() == 32);
    const QImage decoded = gdiplus_detail::DecodeJpegCovering(goodBytes, 16, 16);
    FUZZ_CHECK(decoded.width() >= 16 && decoded.height() >= 16 && decoded.width() <= kWidth);
    return 0;
}
