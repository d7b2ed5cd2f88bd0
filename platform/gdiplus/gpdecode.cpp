// Pixels of an image at the size it is drawn: JPEG through TurboJPEG with DCT scaling
// (a thumbnail never costs a full-size decode), other formats through QImageReader.

#include "platform/gdiplus/gpimage_data.h"

#include "platform/system/filenames.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>

namespace gdiplus_detail {

namespace {

// One decompressor per thread. After any error it is replaced, so one file's failure
// never carries into the next.
class Decompressor {
public:
    ~Decompressor() { Drop(); }
    tjhandle Get() {
        if (!h_) h_ = tjInitDecompress();
        return h_;
    }
    void Drop() {
        if (h_) tjDestroy(h_);
        h_ = nullptr;
    }

private:
    tjhandle h_ = nullptr;
};

thread_local Decompressor tlsDecompressor;

// The memory of the decodes that run at the same time (the decode-ahead's workers and
// the thread that draws) is bounded together: a decode waits, in the order of asking,
// until its share fits beside those running, or runs alone when it is larger.
class DecodeBudget {
public:
    void Acquire(uint64_t bytes) {
        std::unique_lock<std::mutex> lock(mutex_);
        const uint64_t ticket = nextTicket_++;
        freed_.wait(lock, [&] {
            return ticket == served_ && (inUse_ == 0 || inUse_ + bytes <= kMaxDecodeBytes);
        });
        ++served_;
        inUse_ += bytes;
        freed_.notify_all();  // the next in line may fit as well
    }
    void Release(uint64_t bytes) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            inUse_ -= bytes;
        }
        freed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable freed_;
    uint64_t inUse_ = 0;
    uint64_t nextTicket_ = 0;
    uint64_t served_ = 0;
};

DecodeBudget decodeBudget;

// One decode's share of the budget, held while the decode runs.
class DecodeShare {
public:
    explicit DecodeShare(uint64_t bytes) : bytes_(bytes) { decodeBudget.Acquire(bytes_); }
    ~DecodeShare() { decodeBudget.Release(bytes_); }
    DecodeShare(const DecodeShare&) = delete;
    DecodeShare& operator=(const DecodeShare&) = delete;

private:
    uint64_t bytes_;
};

// The smallest scaled size, among TurboJPEG's factors not above 1, that covers the
// minimum; the full size when none smaller does.
void CoveringSize(int width, int height, int minWidth, int minHeight, int* outW, int* outH) {
    *outW = width;
    *outH = height;
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    for (int i = 0; factors && i < count; ++i) {
        const tjscalingfactor f = factors[i];
        if (f.num > f.denom) continue;
        const int w = TJSCALED(width, f);
        const int h = TJSCALED(height, f);
        if (w >= minWidth && h >= minHeight && w * static_cast<int64_t>(h) <
                                                   *outW * static_cast<int64_t>(*outH)) {
            *outW = w;
            *outH = h;
        }
    }
}

// Whether an embedded thumbnail of w x h shows a photo of photoW x photoH as it
// stands: not landscape for a portrait photo nor the reverse (a turn that could not
// turn the thumbnail leaves it so), allowing the block that a lossless turn may trim
// from a side.
bool SameShape(int w, int h, unsigned photoW, unsigned photoH) {
    constexpr int kBlock = 16;
    if (photoW > photoH) return h - w < kBlock;
    if (photoH > photoW) return w - h < kBlock;
    return std::abs(w - h) < kBlock;
}

// Data TurboJPEG refuses (CMYK, for one) through Qt's JPEG reader, which scales in
// the DCT as well.
QImage DecodeWithQt(const QByteArray& jpeg, int scaledW, int scaledH) {
    QBuffer buffer;
    buffer.setData(jpeg);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(false);
    reader.setScaledSize(QSize(scaledW, scaledH));
    QImage image = reader.read();
    if (image.isNull()) return image;
    return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

QImage DecodeJpegCovering(const QByteArray& jpeg, int minWidth, int minHeight) {
    if (jpeg.isEmpty()) return {};
    tjhandle tj = tlsDecompressor.Get();
    if (!tj) return {};
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.constData());
    const auto size = static_cast<unsigned long>(jpeg.size());
    int width = 0, height = 0, subsamp = -1, colorspace = -1;
    if (tjDecompressHeader3(tj, data, size, &width, &height, &subsamp, &colorspace) != 0 ||
        width <= 0 || height <= 0) {
        tlsDecompressor.Drop();
        return {};
    }
    // A header may claim 65535 x 65535 in a few bytes: the cost is known before any
    // of it is allocated.
    JpegFrame frame;
    if (!ReadJpegFrame(jpeg, frame)) return {};
    int w = 0, h = 0;
    CoveringSize(width, height, std::max(1, minWidth), std::max(1, minHeight), &w, &h);
    const uint64_t cost = frame.CostAt(uint64_t(w), uint64_t(h));
    if (cost > kMaxDecodeBytes) return {};
    const DecodeShare share(cost);
    if (colorspace == TJCS_CMYK || colorspace == TJCS_YCCK) return DecodeWithQt(jpeg, w, h);

    QImage image(w, h, QImage::Format_RGB32);
    if (image.isNull()) return {};
    // TJPF_BGRA (alpha 0xFF) is Format_RGB32 in memory on a little-endian machine.
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "pixel layout assumes little-endian");
    const int rc = tjDecompress2(tj, data, size, image.bits(), w,
                                 static_cast<int>(image.bytesPerLine()), h, TJPF_BGRA, 0);
    if (rc != 0) {
        // A warning (a truncated or slightly damaged file) still gives its picture,
        // as a photo viewer shows it; an error gives none.
        const bool fatal = tjGetErrorCode(tj) != TJERR_WARNING;
        tlsDecompressor.Drop();
        if (fatal) return DecodeWithQt(jpeg, w, h);
    }
    return image;
}

namespace {

// The file opened for reading by the name's own bytes, when it is a regular file (a
// FIFO put in its place must not hang the draw); -1 otherwise.
int OpenRegularFile(const QString& fileName, struct stat& st) {
    const QByteArray path = sys::EncodeFileName(fileName);
    const int fd = path.isEmpty() ? -1 : ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) return fd;
    ::close(fd);
    return -1;
}

}  // namespace

QByteArray ReadWholeFile(const QString& fileName) {
    struct stat st {};
    const int fd = OpenRegularFile(fileName, st);
    if (fd < 0) return {};
    QByteArray bytes;
    if (st.st_size > 0 && st.st_size < (int64_t(1) << 31)) {
        bytes.resize(static_cast<qsizetype>(st.st_size));
        qsizetype have = 0;
        while (have < bytes.size()) {
            const ssize_t got = ::pread(fd, bytes.data() + have,
                                        static_cast<size_t>(bytes.size() - have), have);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            have += got;
        }
        bytes.resize(have);  // a file shortened meanwhile decodes as far as it goes
    }
    ::close(fd);
    return bytes;
}

QImage Resampled(const QImage& source, int width, int height, Resample how) {
    if (source.isNull() || width <= 0 || height <= 0) return {};
    if (source.width() == width && source.height() == height) return source;
    switch (how) {
    case Resample::Nearest:
        return source.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    case Resample::Smooth:
        // Area averaging when shrinking.
        return source.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    case Resample::Bilinear: {
        QImage out(width, height, source.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                           : QImage::Format_RGB32);
        if (out.isNull()) return out;
        out.fill(Qt::transparent);
        QPainter p(&out);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QRectF(0, 0, width, height), source);
        p.end();
        return out;
    }
    }
    return {};
}

QImage DecodedFor(TGPImage::Data& d, int width, int height) {
    using Kind = TGPImage::Data::Kind;
    const QImage& kept = d.prepared.decoded;
    if (d.overMemoryBound) return {};
    switch (d.kind) {
    case Kind::None: return {};
    case Kind::Bitmap: return d.pixels;
    case Kind::Jpeg: {
        if (!kept.isNull()) {
            int w = 0, h = 0;
            CoveringSize(static_cast<int>(d.width), static_cast<int>(d.height), std::max(1, width),
                         std::max(1, height), &w, &h);
            if (kept.size() == QSize(w, h)) return kept;
        }
        return DecodeJpegCovering(ReadWholeFile(d.fileName), width, height);
    }
    case Kind::Other: {
        if (!kept.isNull()) return kept;
        // Opened by the name's own bytes (Qt's reader would encode the name itself) and
        // read as the reader goes: the file's bytes are not held beside the pixels.
        struct stat st {};
        const int fd = OpenRegularFile(d.fileName, st);
        if (fd < 0) return {};
        QFile file;
        if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            return {};
        }
        QImageReader reader(&file, d.format);
        reader.setAutoTransform(false);
        const DecodeShare share(uint64_t(d.width) * d.height * 8);  // read, then converted
        QImage image = reader.read();
        if (image.isNull()) return image;
        return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                             : QImage::Format_RGB32);
    }
    }
    return {};
}

QImage PictureAt(TGPImage::Data& d, int width, int height, Resample how) {
    if (width <= 0 || height <= 0) return {};
    QImage prepared = d.TakePrepared(TGPImage::Data::Prepared::Use::Draw, width, height, how);
    if (!prepared.isNull()) return prepared;
    return Resampled(DecodedFor(d, width, height), width, height, how);
}

QImage ThumbnailPicture(TGPImage::Data& d, int width, int height) {
    QImage prepared = d.TakePrepared(TGPImage::Data::Prepared::Use::Thumbnail, width, height,
                                     Resample::Smooth);
    if (!prepared.isNull()) return prepared;
    if (d.overMemoryBound) return {};
    EnsureProperties(d);
    JpegFrame embedded;
    if (ReadJpegFrame(d.thumbnail, embedded) &&
        SameShape(embedded.width, embedded.height, d.width, d.height)) {
        const QImage picture = DecodeJpegCovering(d.thumbnail, width, height);
        if (!picture.isNull()) return Resampled(picture, width, height, Resample::Smooth);
    }
    return PictureAt(d, width, height, Resample::Smooth);
}

}  // namespace gdiplus_detail
