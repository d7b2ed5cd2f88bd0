#include "platform/gdiplus/gpimage.h"

#include "platform/gdiplus/gpgraphics.h"
#include "platform/gdiplus/gpimage_data.h"
#include "platform/system/filenames.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>

namespace gdiplus_detail {

namespace {

// Reads the file's leading bytes on demand, never past its end.
class PrefixReader {
public:
    PrefixReader(int fd, int64_t size) : fd_(fd), size_(size) {}

    // Makes at least `n` bytes available (fewer at the end of the file or on a read
    // error); returns how many are.
    qsizetype Ensure(int64_t n) {
        if (n > size_) n = size_;
        if (n <= bytes_.size() || failed_) return bytes_.size();
        // Grow in doubling steps so a long header costs few reads.
        int64_t target = std::max<int64_t>(n, std::min<int64_t>(size_, bytes_.size() * 2 + 65536));
        qsizetype have = bytes_.size();
        bytes_.resize(static_cast<qsizetype>(target));
        while (have < target) {
            const ssize_t got = ::pread(fd_, bytes_.data() + have, static_cast<size_t>(target - have),
                                        static_cast<off_t>(have));
            if (got <= 0) {
                if (got < 0 && errno == EINTR) continue;
                failed_ = true;
                break;
            }
            have += got;
        }
        bytes_.resize(have);
        return have;
    }
    const QByteArray& Bytes() const { return bytes_; }
    uint8_t At(qsizetype i) const { return static_cast<uint8_t>(bytes_[i]); }

private:
    int fd_;
    int64_t size_;
    QByteArray bytes_;
    bool failed_ = false;
};

}  // namespace

JpegHeader ReadJpegHeader(int fd, int64_t fileSize) {
    JpegHeader h;
    PrefixReader r(fd, fileSize);
    qsizetype have = r.Ensure(4);
    if (have < 4 || r.At(0) != 0xFF || r.At(1) != 0xD8) return h;

    // Each step moves forward by at least two bytes, so the walk ends within the file.
    qsizetype pos = 2;
    bool exifFound = false;
    for (;;) {
        have = r.Ensure(pos + 4);
        if (pos + 2 > have || r.At(pos) != 0xFF) break;
        // Fill bytes before a marker code are allowed.
        while (pos + 2 <= have && r.At(pos + 1) == 0xFF) {
            ++pos;
            have = r.Ensure(pos + 4);
        }
        if (pos + 2 > have) break;
        const uint8_t marker = r.At(pos + 1);
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        if (marker == 0xD9 || pos + 4 > have) break;
        const int length = (r.At(pos + 2) << 8) | r.At(pos + 3);
        if (length < 2) break;
        const qsizetype end = pos + 2 + length;
        if (marker == 0xE1 && !exifFound) {
            have = r.Ensure(end);
            const qsizetype payload = pos + 4;
            const qsizetype payloadEnd = std::min(end, have);
            if (payloadEnd - payload >= 6 &&
                std::memcmp(r.Bytes().constData() + payload, "Exif\0\0", 6) == 0) {
                h.exif = r.Bytes().mid(payload, payloadEnd - payload);
                exifFound = true;
            }
        }
        if (marker == 0xDA) {
            have = r.Ensure(end);
            h.complete = end <= have;
            h.bytes = r.Bytes().left(std::min(end, have));
            return h;
        }
        pos = end;
    }
    h.bytes = r.Bytes().left(have);
    return h;
}

bool ReadJpegFrame(const QByteArray& jpeg, JpegFrame& frame) {
    frame = JpegFrame{};
    const auto* p = reinterpret_cast<const uint8_t*>(jpeg.constData());
    const qsizetype n = jpeg.size();
    if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) return false;
    struct Sampling {
        int h, v;
    };
    std::vector<Sampling> sampling;
    bool progressive = false;
    qsizetype pos = 2;
    while (pos + 4 <= n) {
        // Stray bytes and fill bytes before a marker are skipped, as the decoder does.
        if (p[pos] != 0xFF || p[pos + 1] == 0xFF) {
            ++pos;
            continue;
        }
        const uint8_t marker = p[pos + 1];
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            pos += 2;
            continue;
        }
        if (marker == 0xD9) return false;
        const int length = (p[pos + 2] << 8) | p[pos + 3];
        if (length < 2 || pos + 2 + length > n) return false;
        const uint8_t* s = p + pos + 4;
        const bool isFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 &&
                             marker != 0xC8 && marker != 0xCC;
        if (isFrame) {
            const int count = length >= 8 ? s[5] : 0;
            if (count == 0 || length < 8 + 3 * count) return false;
            frame.height = (s[1] << 8) | s[2];
            frame.width = (s[3] << 8) | s[4];
            frame.components = count;
            sampling.clear();
            for (int c = 0; c < count; ++c) {
                const int h = s[6 + 3 * c + 1] >> 4, v = s[6 + 3 * c + 1] & 0x0F;
                if (h == 0 || v == 0) return false;
                sampling.push_back({h, v});
            }
            progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
        } else if (marker == 0xDA) {
            if (sampling.empty() || length < 3) return false;
            // A first scan without every component means more scans follow: the
            // decoder then keeps every block of the picture, as for a progressive one.
            if (progressive || s[0] < frame.components) {
                int hMax = 1, vMax = 1;
                for (const Sampling& c : sampling) {
                    hMax = std::max(hMax, c.h);
                    vMax = std::max(vMax, c.v);
                }
                auto blocks = [](uint64_t pixels, int factor, int maxFactor, int roundTo) {
                    const uint64_t perBlock = uint64_t(maxFactor) * 8;
                    const uint64_t b = (pixels * uint64_t(factor) + perBlock - 1) / perBlock;
                    return (b + uint64_t(roundTo) - 1) / uint64_t(roundTo) * uint64_t(roundTo);
                };
                for (const Sampling& c : sampling)
                    frame.wholeImageCoefficientBytes += blocks(uint64_t(frame.width), c.h, hMax, c.h) *
                                                        blocks(uint64_t(frame.height), c.v, vMax, c.v) *
                                                        64 * sizeof(int16_t);
            }
            return true;
        }
        pos += 2 + length;
    }
    return false;
}

void EnsureProperties(TGPImage::Data& d) {
    if (d.propertiesParsed) return;
    d.propertiesParsed = true;
    if (d.kind == TGPImage::Data::Kind::Jpeg && !d.exif.isEmpty())
        ParseExifProperties(d.exif, d.properties, d.thumbnail);
}

}  // namespace gdiplus_detail

namespace {

// The formats other than JPEG that the image services open, by content.
bool IsOtherPhotoFormat(const QByteArray& format) {
    return format == "png" || format == "bmp" || format == "gif" || format == "tiff";
}

struct TjHandle {
    tjhandle h = tjInitDecompress();
    ~TjHandle() {
        if (h) tjDestroy(h);
    }
};

bool ReadJpegSize(TGPImage::Data& d, const QByteArray& header) {
    thread_local TjHandle tj;
    if (!tj.h) tj.h = tjInitDecompress();
    if (!tj.h || header.isEmpty()) return false;
    int w = 0, h = 0, subsamp = -1, cs = -1;
    const int failed =
        tjDecompressHeader3(tj.h, reinterpret_cast<const unsigned char*>(header.constData()),
                            static_cast<unsigned long>(header.size()), &w, &h, &subsamp, &cs);
    if (failed != 0 || w <= 0 || h <= 0) {
        // A header error leaves the decoder mid-header, and it would refuse every
        // later file: the next image gets a fresh one.
        tjDestroy(tj.h);
        tj.h = tjInitDecompress();
        return false;
    }
    d.width = static_cast<unsigned>(w);
    d.height = static_cast<unsigned>(h);
    d.jpegSubsampling = subsamp;
    d.jpegColorspace = cs;
    return true;
}

}  // namespace

TGPImage::TGPImage(const QString& fileName, bool /*useEmbeddedColorManagement*/)
    : d_(new Data) {
    d_->fileName = fileName;
    if (gdiplus_detail::TakePrepared(fileName, d_, lastStatus_)) return;

    const QByteArray path = sys::EncodeFileName(fileName);
    // Non-blocking, so that a FIFO cannot hang the open; it is refused below.
    const int fd =
        path.isEmpty() ? -1 : ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        SetStatus(Win32Error);
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        SetStatus(Win32Error);
        return;
    }
    unsigned char magic[3] = {};
    const bool isJpeg = ::pread(fd, magic, 3, 0) == 3 && magic[0] == 0xFF && magic[1] == 0xD8 &&
                        magic[2] == 0xFF;
    if (isJpeg) {
        gdiplus_detail::JpegHeader header =
            gdiplus_detail::ReadJpegHeader(fd, static_cast<int64_t>(st.st_size));
        ::close(fd);
        if (!ReadJpegSize(*d_, header.bytes)) {
            SetStatus(UnknownImageFormat);
            return;
        }
        d_->kind = Data::Kind::Jpeg;
        d_->format = "jpeg";
        d_->exif = std::move(header.exif);
        gdiplus_detail::JpegFrame frame;
        if (!gdiplus_detail::ReadJpegFrame(header.bytes, frame) ||
            frame.SmallestCost() > gdiplus_detail::kMaxDecodeBytes)
            RefuseDecoding();
        return;
    }
    // Qt's reader is handed the file already open: by name it would encode the name
    // itself and lose one that is not UTF-8.
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        SetStatus(Win32Error);
        return;
    }
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format().toLower();
    if (!IsOtherPhotoFormat(format)) {
        SetStatus(UnknownImageFormat);
        return;
    }
    QSize size = reader.size();
    if (!size.isValid() && reader.canRead()) {
        // A handler that cannot tell the size from the header: decode once.
        const QImage image = reader.read();
        size = image.size();
    }
    if (!size.isValid() || size.isEmpty()) {
        SetStatus(UnknownImageFormat);
        return;
    }
    d_->kind = Data::Kind::Other;
    d_->format = format;
    d_->width = static_cast<unsigned>(size.width());
    d_->height = static_cast<unsigned>(size.height());
    if (uint64_t(d_->width) * d_->height * 4 > gdiplus_detail::kMaxDecodeBytes) RefuseDecoding();
}

void TGPImage::RefuseDecoding() {
    d_->overMemoryBound = true;
    SetStatus(OutOfMemory);
}

TGPImage::TGPImage() : d_(new Data) {}

TGPImage::~TGPImage() { delete d_; }

TGPImage* TGPImage::GetThumbnailImage(unsigned thumbWidth, unsigned thumbHeight) {
    auto* thumb = new TGPBitmap();
    if (!d_ || d_->kind == Data::Kind::None) {
        thumb->SetStatus(lastStatus_ != Ok ? lastStatus_ : InvalidParameter);
        return thumb;
    }
    if (thumbWidth == 0 || thumbHeight == 0 || thumbWidth > kMaxThumbnailSide ||
        thumbHeight > kMaxThumbnailSide) {
        thumb->SetStatus(InvalidParameter);
        return thumb;
    }
    QImage picture = gdiplus_detail::ThumbnailPicture(*d_, static_cast<int>(thumbWidth),
                                                      static_cast<int>(thumbHeight));
    if (picture.isNull()) {
        thumb->SetStatus(d_->kind == Data::Kind::Jpeg && !d_->overMemoryBound ? UnknownImageFormat
                                                                              : OutOfMemory);
        return thumb;
    }
    thumb->Adopt(std::move(picture));
    return thumb;
}

void TGPImage::Adopt(QImage pixels) {
    d_->kind = Data::Kind::Bitmap;
    d_->format = "bmp";
    d_->width = static_cast<unsigned>(pixels.width());
    d_->height = static_cast<unsigned>(pixels.height());
    d_->pixels = std::move(pixels);
}

GpStatus TGPImage::SetStatus(GpStatus s) {
    if (s != Ok) lastStatus_ = s;
    return s;
}

unsigned TGPImage::GetWidth() {
    if (!d_ || d_->kind == Data::Kind::None) {
        SetStatus(InvalidParameter);
        return 0;
    }
    return d_->width;
}

unsigned TGPImage::GetHeight() {
    if (!d_ || d_->kind == Data::Kind::None) {
        SetStatus(InvalidParameter);
        return 0;
    }
    return d_->height;
}

namespace {

constexpr uint32_t kValueAlign = 8;

uint32_t AlignUp(uint32_t n) { return (n + kValueAlign - 1) & ~(kValueAlign - 1); }

using gdiplus_detail::EnsureProperties;

// Records first, then each value at an 8-byte boundary, so callers may read values
// in place without unaligned access.
uint64_t TotalSize(const std::vector<TGPImage::Data::Property>& props) {
    uint64_t total = props.size() * sizeof(PropertyItem);
    for (const auto& p : props) total += AlignUp(static_cast<uint32_t>(p.value.size()));
    return total;
}

}  // namespace

GpStatus TGPImage::GetPropertySize(uint32_t* totalBufferSize, uint32_t* numProperties) {
    if (!totalBufferSize || !numProperties) return SetStatus(InvalidParameter);
    *totalBufferSize = 0;
    *numProperties = 0;
    if (!d_ || d_->kind == Data::Kind::None) return SetStatus(InvalidParameter);
    EnsureProperties(*d_);
    const uint64_t total = TotalSize(d_->properties);
    if (total > UINT32_MAX) return SetStatus(OutOfMemory);
    *totalBufferSize = static_cast<uint32_t>(total);
    *numProperties = static_cast<uint32_t>(d_->properties.size());
    return Ok;
}

GpStatus TGPImage::GetAllPropertyItems(uint32_t totalBufferSize, uint32_t numProperties,
                                       PropertyItem* allItems) {
    if (!allItems) return SetStatus(InvalidParameter);
    if (!d_ || d_->kind == Data::Kind::None) return SetStatus(InvalidParameter);
    EnsureProperties(*d_);
    const auto& props = d_->properties;
    if (numProperties != props.size()) return SetStatus(InvalidParameter);
    const uint64_t total = TotalSize(props);
    if (totalBufferSize < total) return SetStatus(InsufficientBuffer);
    if (totalBufferSize > total) return SetStatus(InvalidParameter);

    auto* base = reinterpret_cast<unsigned char*>(allItems);
    uint64_t offset = props.size() * sizeof(PropertyItem);
    for (size_t i = 0; i < props.size(); ++i) {
        const auto& p = props[i];
        PropertyItem item {};
        item.id = p.id;
        item.type = p.type;
        item.length = static_cast<uint32_t>(p.value.size());
        item.value = nullptr;
        if (item.length > 0) {
            std::memcpy(base + offset, p.value.constData(), item.length);
            item.value = base + offset;
        }
        std::memcpy(base + i * sizeof(PropertyItem), &item, sizeof item);
        offset += AlignUp(item.length);
    }
    return Ok;
}
