// One damaged JPEG header must not spoil the files opened after it in the same
// process: each of these once left the decoder in a failed state, so that every later
// photo read as 0 x 0 without properties.

#include "platform/gdiplus/gpimage.h"
#include "tests/support/files.h"
#include "tests/support/oracle.h"
#include "tests/support/photos.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace testsupport;

namespace {

// The Orientation property of the image, 0 without.
uint16_t Orientation(TGPImage& image) {
    uint32_t size = 0, count = 0;
    if (image.GetPropertySize(&size, &count) != Ok || size == 0) return 0;
    std::vector<uint64_t> buffer((size + 7) / 8, 0);
    auto* items = reinterpret_cast<PropertyItem*>(buffer.data());
    if (image.GetAllPropertyItems(size, count, items) != Ok) return 0;
    uint16_t v = 0;
    for (uint32_t i = 0; i < count; ++i)
        if (items[i].id == 0x0112 && items[i].length >= 2) std::memcpy(&v, items[i].value, 2);
    return v;
}

}  // namespace

TEST(GpImageHeaderErrors, AGoodPhotoOpenedAfterEachReadsItsSizeAndOrientation) {
    TempDir dir;
    const QString good = dir.File("good.jpg");
    WriteFile(good, MakeExifJpeg(96, 64, 6));
    for (const char* bad : {"header-error-unknown-marker.jpg", "header-error-scan-before-frame.jpg",
                            "header-error-bad-huffman-table.jpg", "header-error-zero-width.jpg"}) {
        const QString path = dir.File(bad);
        WriteFile(path, TestData(bad));
        {
            TGPImage broken(path);
            EXPECT_EQ(broken.GetWidth(), 0u) << bad;
            EXPECT_EQ(broken.GetHeight(), 0u) << bad;
        }
        TGPImage image(good);
        EXPECT_EQ(image.GetWidth(), 96u) << "after " << bad;
        EXPECT_EQ(image.GetHeight(), 64u) << "after " << bad;
        EXPECT_EQ(Orientation(image), 6) << "after " << bad;
    }
}
