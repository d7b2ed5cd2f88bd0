// Rewrites the EXIF Orientation entries of a JPEG file in place after a transform.
// Best effort: every failure ends the walk quietly, and what was written stays.

#include "engine/common.h"
#include "engine/fdstream.h"

#include <QFile>
#include <cstring>
#include <bit>
#include <cerrno>
#include <fcntl.h>
#include <set>
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

void FdStream::Read(void* buffer, size_t n) {
    if (pos_ < 0 || static_cast<int64_t>(n) > size_ - pos_) throw Failure {};
    if (ReadAt(pos_, buffer, n) != n) throw Failure {};
    pos_ += static_cast<int64_t>(n);
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

uint8_t FdStream::ReadByte() {
    uint8_t b;
    Read(&b, 1);
    return b;
}

uint16_t FdStream::ReadU16(bool bigEndian) {
    uint16_t v;
    Read(&v, 2);
    return bigEndian ? Swap16(v) : v;
}

uint32_t FdStream::ReadU32(bool bigEndian) {
    uint32_t v;
    Read(&v, 4);
    return bigEndian ? Swap32(v) : v;
}

// ---- the writer -------------------------------------------------------------------------

namespace {

// Limits of one walk, far above any real file, so that a hostile block of pointers
// cannot keep the walk (or its recursion) going for long.
constexpr size_t kMaxIfds = 1024;
constexpr uint64_t kMaxEntries = 1u << 20;

struct Walk {
    FdStream& stream;
    bool bigEndian = false;
    int32_t base = 0;
    TExifOrientation orientation = 0;
    std::set<int64_t> visited;
    uint64_t entries = 0;
};

void RewriteIfd(Walk& w, int32_t Offset);

// Walks the IFD at Base + Offset, the Exif IFDs it points to and its next-IFD chain.
void RewriteIfd(Walk& w, int32_t Offset) {
    FdStream& s = w.stream;
    for (;;) {
        const int64_t at = int64_t {w.base} + Offset;
        // Outside the file, a repeat, or past the walk's limits: the whole walk ends.
        if (at < 0 || at >= s.Size()) throw FdStream::Failure {};
        if (!w.visited.insert(at).second || w.visited.size() > kMaxIfds) throw FdStream::Failure {};
        s.Seek(at);
        const uint16_t count = s.ReadU16(w.bigEndian);
        for (unsigned i = 0; i < count; ++i) {
            if (++w.entries > kMaxEntries) throw FdStream::Failure {};
            // tag, type, count, value field; type and count are not checked
            unsigned char entry[12];
            s.Read(entry, sizeof entry);
            uint16_t tag;
            uint32_t value;
            std::memcpy(&tag, entry, 2);
            std::memcpy(&value, entry + 8, 4);
            if (w.bigEndian) {
                tag = Swap16(tag);
                value = Swap32(value);
            }
            if (tag == 0x0112) {
                // The SHORT sits left-justified in the value field, then two zero bytes.
                const uint16_t v = w.bigEndian ? Swap16(w.orientation) : w.orientation;
                unsigned char field[4] = {};
                std::memcpy(field, &v, 2);
                s.Seek(s.Position() - 4);
                s.Write(field, 4);
            } else if (tag == 0x8769) {
                const int64_t resume = s.Position();
                RewriteIfd(w, static_cast<int32_t>(value));
                s.Seek(resume);
            }
        }
        const auto next = static_cast<int32_t>(s.ReadU32(w.bigEndian));
        if (next < 1 || next > 65534) return;  // the chain ends here
        Offset = next;
    }
}

void WriteOrientation(FdStream& s, TExifOrientation orientation) {
    if (s.Size() == 0) return;
    s.Seek(0);
    // Marker walk: one pass, and the first APP1 segment decides.
    if (s.ReadU16(true) != 0xFFD8) return;  // no SOI record
    for (;;) {
        if (s.ReadByte() != 0xFF) return;  // broken chain
        const uint8_t marker = s.ReadByte();
        if (marker == 0xD9) return;  // EOI before any APP1
        if (marker == 0xE1) break;
        const uint16_t length = s.ReadU16(true);
        s.Seek(s.Position() + length - 2);
        if (s.Position() == s.Size()) return;  // no APP1 at all
    }
    s.ReadU16(true);  // the APP1 length, not checked
    char id[4];
    s.Read(id, 4);
    if (std::memcmp(id, "Exif", 4) != 0) return;  // the first APP1 is not EXIF
    if (s.ReadByte() != 0 || s.ReadByte() != 0) return;

    if (s.Position() > INT32_MAX) return;
    Walk w {s, false, static_cast<int32_t>(s.Position()), orientation, {}, 0};
    unsigned char order[2];
    s.Read(order, 2);
    if (order[0] == 'I' && order[1] == 'I')
        w.bigEndian = false;
    else if (order[0] == 'M' && order[1] == 'M')
        w.bigEndian = true;
    else
        return;
    if (s.ReadU16(w.bigEndian) != 42) return;
    const auto ifd0 = static_cast<int32_t>(s.ReadU32(w.bigEndian));
    RewriteIfd(w, ifd0);
}

}  // namespace

void WriteExifOrientation(const QString& FileName, TExifOrientation Orientation) {
    if (Orientation == 0) return;
    try {
        // Exclusive and non-blocking: a file another writer holds is in use, and is
        // left alone.
        FdStream stream(FileName, true, FdStream::Lock::Exclusive);
        if (!stream.IsOpen()) return;
        WriteOrientation(stream, Orientation);
    } catch (...) {
        // Best effort: the transform has succeeded whatever happens here.
    }
}
