#pragma once
// Image services: an image opened from a file, its size and its EXIF properties in
// the layout the callers walk (id, length, type, pointer to the value bytes).

#include "platform/system/tobject.h"

#include <QString>
#include <cstdint>

class QImage;
namespace gdiplus_detail {
struct ImageAccess;
}

enum GpStatus : int {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    UnknownImageFormat = 13,
    PropertyNotFound = 19,
};

// One property of an image. Numbers in the value bytes are in host (little-endian)
// order whatever the file's byte order is.
struct PropertyItem {
    uint32_t id;      // tag number; IFD1 (thumbnail) tags use the 0x5000 range
    uint32_t length;  // bytes of the value
    uint16_t type;    // 1 BYTE, 2 ASCII, 3 SHORT, 4 LONG, 5 RATIONAL, 7 UNDEFINED,
                      // 9 SLONG, 10 SRATIONAL
    void* value;      // points into the same buffer, after the records
};

class TGPImage : public TObject {
public:
    // Reads only what it needs to know the format, size and properties; pixels are
    // decoded when drawn. An unreadable file still gives an object whose queries fail.
    // A picture whose decode would take more memory than any may is not readable
    // either: its status is OutOfMemory and it draws nothing, but its size and
    // properties are there.
    explicit TGPImage(const QString& fileName, bool useEmbeddedColorManagement = false);
    ~TGPImage() override;

    GpStatus GetLastStatus() const { return lastStatus_; }
    // Pixel size; 0 when the image failed to load.
    unsigned GetWidth();
    unsigned GetHeight();

    // Total bytes of all property items (records plus values) and their number.
    GpStatus GetPropertySize(uint32_t* totalBufferSize, uint32_t* numProperties);
    // Writes numProperties records followed by their values into `allItems`
    // (totalBufferSize bytes, as GetPropertySize gave).
    GpStatus GetAllPropertyItems(uint32_t totalBufferSize, uint32_t numProperties,
                                 PropertyItem* allItems);

    // A new image of thumbWidth x thumbHeight, owned by the caller, never null: the
    // photo's embedded EXIF thumbnail scaled when it has one of the photo's shape
    // (not landscape for a portrait photo, nor the reverse), else the photo. A failed
    // one (this image unreadable, a side of 0) has a non-Ok GetLastStatus and draws
    // nothing.
    TGPImage* GetThumbnailImage(unsigned thumbWidth, unsigned thumbHeight);

    struct Data;  // the decoder's state, private to the image services
    const Data* GetData() const { return d_; }
    Data* GetData() { return d_; }

protected:
    friend struct gdiplus_detail::ImageAccess;
    TGPImage();  // no file: an empty image for a bitmap to fill
    GpStatus SetStatus(GpStatus s);
    void RefuseDecoding();
    // Makes this image a bitmap holding `pixels` (premultiplied ARGB).
    void Adopt(QImage pixels);
    // A larger thumbnail is refused rather than allocated.
    static constexpr unsigned kMaxThumbnailSide = 16384;

    Data* d_ = nullptr;
    GpStatus lastStatus_ = Ok;
};
