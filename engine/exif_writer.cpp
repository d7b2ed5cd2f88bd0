// Rewrites the EXIF Orientation entries of a JPEG file in place after a transform.
// Best effort: every failure ends the walk quietly; what it found before that is written.

#include "engine/common.h"
#include "engine/fdstream.h"

#include <QFile>
#include <cstring>
#include <bit>
#include <cerrno>
#include <fcntl.h>
#include <set>
#include <vector>
#include <algorithm>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

static_assert(std::endian::native == std::endian::little,
              "the byte-order routines assume a little-endian host");

uint16_t Swap16(uint16_t Value) { return static_cast<uint16_t>((Value >> 8) | (Value << 8)); }

uint32_t Swap32(uint32_t Value) {
    return (Value >> 24) | ((Value >> 8) & 0x0000FF00u) | ((Value << 8) & 0x00FF0000u) |
           (Value << 24);
}

// ---- FdStream -------------------------------------------------------------------------


FdStream::FdStream(const QString& fileName, bool writable, Lock lock) {
    const QByteArray path = QFile::encodeName(fileName);
    if (path.isEmpty()) return;
    // Non-blocking, so that a FIFO given as a photo cannot hang the open.
    const int fd = ::open(path.constData(),
                          (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return;
    struct stat st {};
    // The lock stands in for the sharing mode of the open: another holder means the
    // file is in use.
    const int how = (lock == Lock::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::flock(fd, how) != 0) {
        ::close(fd);
        return;
    }
    fd_ = fd;
    size_ = static_cast<int64_t>(st.st_size);
}

FdStream::~FdStream() {
    if (fd_ >= 0) ::close(fd_);  // also releases the lock
}

size_t FdStream::ReadAt(int64_t at, void* buffer, size_t n) const {
    if (fd_ < 0 || at < 0 || at >= size_) return 0;
    if (static_cast<int64_t>(n) > size_ - at) n = static_cast<size_t>(size_ - at);
    size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd_, static_cast<char*>(buffer) + done, n - done,
                                    static_cast<off_t>(at + static_cast<int64_t>(done)));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

void FdStream::Write(const void* buffer, size_t n) {
    if (fd_ < 0 || pos_ < 0 || static_cast<int64_t>(n) > size_ - pos_) throw Failure {};
    size_t done = 0;
    while (done < n) {
        const ssize_t put = ::pwrite(fd_, static_cast<const char*>(buffer) + done, n - done,
                                     static_cast<off_t>(pos_ + static_cast<int64_t>(done)));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) throw Failure {};
        done += static_cast<size_t>(put);
    }
    pos_ += static_cast<int64_t>(n);
}

// ---- the writer -------------------------------------------------------------------------

namespace {

// Limits of one walk, far above any real file, so that a hostile block of pointers
// cannot keep the walk (or its recursion) going for long.
constexpr size_t kMaxIfds = 1024;
constexpr uint64_t kMaxEntries = 1u << 20;

constexpr uint16_t kShort = 3;
constexpr uint16_t kLong = 4;

// The walk met something it must not follow: it ends there, and what it collected
// before is still written.
struct WalkEnds {};

// An Orientation value field to rewrite: where it lies in the TIFF block, and how its
// type stores the number.
struct OrientationField {
    size_t at;
    uint16_t type;
};

// Walks the TIFF block of one EXIF segment in memory. Every read is confined to the
// block, and nothing is written while walking, so a value written later can never
// steer the walk.
struct Walk {
    const unsigned char* tiff;
    size_t size;
    bool bigEndian = false;
    std::set<size_t> visited;
    uint64_t entries = 0;
    std::vector<OrientationField> fields;

    uint16_t U16(size_t at) const {
        if (at > size || size - at < 2) throw WalkEnds {};
        uint16_t v;
        std::memcpy(&v, tiff + at, 2);
        return bigEndian ? Swap16(v) : v;
    }
    uint32_t U32(size_t at) const {
        if (at > size || size - at < 4) throw WalkEnds {};
        uint32_t v;
        std::memcpy(&v, tiff + at, 4);
        return bigEndian ? Swap32(v) : v;
    }
};

// The IFD at Offset from the TIFF header, the Exif IFDs it points to and its
// next-IFD chain. An IFD, entry or link that does not lie wholly inside the block ends
// the walk.
void RewriteIfd(Walk& w, int32_t Offset) {
    for (;;) {
        if (Offset < 0 || static_cast<size_t>(Offset) >= w.size) throw WalkEnds {};
        const auto at = static_cast<size_t>(Offset);
        if (!w.visited.insert(at).second || w.visited.size() > kMaxIfds) throw WalkEnds {};
        const uint16_t count = w.U16(at);
        size_t entry = at + 2;
        for (unsigned i = 0; i < count; ++i, entry += 12) {
            if (++w.entries > kMaxEntries) throw WalkEnds {};
            if (entry > w.size || w.size - entry < 12) throw WalkEnds {};
            const uint16_t tag = w.U16(entry);
            const uint16_t type = w.U16(entry + 2);
            const uint32_t n = w.U32(entry + 4);
            const uint32_t value = w.U32(entry + 8);
            if (tag == 0x0112) {
                // Only a single SHORT or LONG is a number this writer can put back in
                // its own form; anything else is left as it is.
                if ((type == kShort || type == kLong) && n == 1)
                    w.fields.push_back({entry + 8, type});
            } else if (tag == 0x8769) {
                RewriteIfd(w, static_cast<int32_t>(value));
            }
        }
        const auto next = static_cast<int32_t>(w.U32(entry));
        if (next < 1 || next > 65534) return;  // the chain ends here
        Offset = next;
    }
}

// The EXIF segment the image services read: the first APP1 whose payload begins with
// "Exif\0\0", found by the same marker walk (fill bytes and stand-alone markers passed
// over, the search ending at SOS or EOI). Returns the payload's file position and
// length (cut at the end of the file), or false.
bool FindExifPayload(FdStream& s, int64_t& payload, int64_t& length) {
    unsigned char b[6];
    if (s.ReadAt(0, b, 2) != 2 || b[0] != 0xFF || b[1] != 0xD8) return false;  // no SOI
    int64_t pos = 2;
    for (;;) {
        if (s.ReadAt(pos, b, 2) != 2 || b[0] != 0xFF) return false;  // broken chain
        while (b[1] == 0xFF) {  // fill bytes before the marker code
            ++pos;
            if (s.ReadAt(pos, b, 2) != 2) return false;
        }
        const uint8_t marker = b[1];
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) return false;  // no EXIF before the image
        if (s.ReadAt(pos + 2, b, 2) != 2) return false;
        const int segment = b[0] << 8 | b[1];
        if (segment < 2) return false;
        const int64_t end = pos + 2 + segment;
        if (marker == 0xE1) {
            const int64_t start = pos + 4;
            const int64_t size = std::min(end, s.Size()) - start;
            if (size >= 6 && s.ReadAt(start, b, 6) == 6 && std::memcmp(b, "Exif\0\0", 6) == 0) {
                payload = start;
                length = size;
                return true;
            }
        }
        pos = end;
    }
}

void WriteOrientation(FdStream& s, TExifOrientation orientation, bool thumbnail) {
    if (s.Size() == 0) return;
    int64_t payload = 0;
    int64_t length = 0;
    if (!FindExifPayload(s, payload, length)) return;
    std::vector<unsigned char> block(static_cast<size_t>(length));
    if (s.ReadAt(payload, block.data(), block.size()) != block.size()) return;

    // The TIFF block after "Exif\0\0"; every offset counts from its first byte.
    Walk w {block.data() + 6, block.size() - 6, false, {}, 0, {}};
    if (w.size < 8) return;
    if (w.tiff[0] == 'I' && w.tiff[1] == 'I')
        w.bigEndian = false;
    else if (w.tiff[0] == 'M' && w.tiff[1] == 'M')
        w.bigEndian = true;
    else
        return;
    if (w.U16(2) != 42) return;
    try {
        RewriteIfd(w, static_cast<int32_t>(w.U32(4)));
    } catch (const WalkEnds&) {
        // The walk ends here; what it found before is written.
    }
    if (!thumbnail) {
        // IFD1 still describes a thumbnail the transform left as it was.
        try {
            const uint32_t ifd0 = w.U32(4);
            const uint32_t ifd1 = w.U32(ifd0 + 2 + 12 * size_t {w.U16(ifd0)});
            const size_t first = size_t {ifd1} + 2, end = first + 12 * size_t {w.U16(ifd1)};
            std::erase_if(w.fields, [&](const OrientationField& f) {
                return f.at >= first && f.at < end;
            });
        } catch (const WalkEnds&) {
            // No IFD1 to leave alone.
        }
    }

    const int64_t tiffAt = payload + 6;
    for (const OrientationField& f : w.fields) {
        unsigned char field[4] = {};
        if (f.type == kShort) {
            const uint16_t v = w.bigEndian ? Swap16(orientation) : orientation;
            std::memcpy(field, &v, 2);  // left-justified, then two zero bytes
        } else {
            const uint32_t v = w.bigEndian ? Swap32(orientation) : orientation;
            std::memcpy(field, &v, 4);
        }
        s.Seek(tiffAt + static_cast<int64_t>(f.at));
        s.Write(field, 4);
    }
}

}  // namespace

void WriteExifOrientation(const QString& FileName, TExifOrientation Orientation, bool Ifd1) {
    if (Orientation == 0) return;
    try {
        // Exclusive and non-blocking: a file another writer holds is in use, and is
        // left alone.
        FdStream stream(FileName, true, FdStream::Lock::Exclusive);
        if (!stream.IsOpen()) return;
        WriteOrientation(stream, Orientation, Ifd1);
    } catch (...) {
        // Best effort: the transform has succeeded whatever happens here.
    }
}
