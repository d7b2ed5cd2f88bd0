// Rewrites the EXIF Orientation entries of a JPEG file in place after a transform, the
// first picture's and those of the further pictures an MPF index lists. Best effort:
// a directory that cannot be walked ends its own chain quietly; what the walk found
// elsewhere is written.

#include "engine/common.h"
#include "engine/fdstream.h"
#include "platform/system/filenames.h"
#include "platform/vantrel/mpf.h"

#include <cstring>
#include <bit>
#include <cerrno>
#include <fcntl.h>
#include <iterator>
#include <map>
#include <set>
#include <string_view>
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
    const QByteArray path = sys::EncodeFileName(fileName);
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

// The IFD at hand cannot be walked further: its chain ends there, and what the walk
// collected before is still written.
struct WalkEnds {};

// Where an Orientation entry stands. The image services give IFD0, Exif, GPS and
// Interoperability tags under their own ids in that order, the later one winning
// (and the first of a tag in each IFD); IFD1's chain is the thumbnail's; the chains
// after the other IFDs are read by nobody.
enum class Directory { Ifd0, Exif, Gps, Interop, Thumbnail, Chain };

// An Orientation entry whose first value is rewritten.
struct OrientationField {
    size_t at;            // the first value, in the TIFF block
    unsigned width;       // of one value, in bytes
    bool single;          // one value in the entry: its padding is written as zeros
    Directory directory;
    TExifOrientation old;
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

// The IFDs the image services read through a pointer entry.
Directory PointedDirectory(uint16_t tag) {
    switch (tag) {
    case 0x8769: return Directory::Exif;
    case 0x8825: return Directory::Gps;
    case 0xA005: return Directory::Interop;
    default: return Directory::Chain;
    }
}

// An Orientation entry counts by the reading rule, with its whole value inside the
// block (as the image services require before they read it).
void AddField(Walk& w, size_t entry, uint16_t type, uint32_t count, uint32_t value,
              Directory directory) {
    const unsigned width = OrientationValueWidth(type);
    if (width == 0 || count == 0) return;
    const uint64_t total = uint64_t {width} * count;
    const size_t at = total <= 4 ? entry + 8 : value;
    if (at > w.size || w.size - at < total) return;
    w.fields.push_back(
        {at, width, count == 1, directory, OrientationValue(type, w.tiff + at, w.bigEndian)});
}

void WalkChain(Walk& w, uint32_t offset, Directory first, Directory rest);

// One IFD: its Orientation entries and the IFDs its pointer entries lead to, each
// with its own chain. Returns its next-IFD link. An IFD, entry or link that does not
// lie wholly inside the block raises WalkEnds; a pointer that cannot be followed is
// passed over, as the image services pass it over.
uint32_t WalkIfd(Walk& w, uint32_t offset, Directory directory) {
    if (offset >= w.size) throw WalkEnds {};
    if (!w.visited.insert(offset).second || w.visited.size() > kMaxIfds) throw WalkEnds {};
    const uint16_t count = w.U16(offset);
    size_t entry = size_t {offset} + 2;
    for (unsigned i = 0; i < count; ++i, entry += 12) {
        if (++w.entries > kMaxEntries) throw WalkEnds {};
        if (entry > w.size || w.size - entry < 12) throw WalkEnds {};
        const uint16_t tag = w.U16(entry);
        const uint16_t type = w.U16(entry + 2);
        const uint32_t n = w.U32(entry + 4);
        const uint32_t value = w.U32(entry + 8);
        if (tag == 0x0112)
            AddField(w, entry, type, n, value, directory);
        else if (const Directory pointed = PointedDirectory(tag); pointed != Directory::Chain)
            WalkChain(w, value, pointed, Directory::Chain);
    }
    return w.U32(entry);
}

// An IFD and the chain of IFDs after it; a link outside 1..65534 ends the chain.
void WalkChain(Walk& w, uint32_t offset, Directory first, Directory rest) {
    for (Directory directory = first;; directory = rest) {
        uint32_t next = 0;
        try {
            next = WalkIfd(w, offset, directory);
        } catch (const WalkEnds&) {
            return;
        }
        const auto link = static_cast<int32_t>(next);
        if (link < 1 || link > 65534) return;
        offset = next;
    }
}

// Reads up to n bytes at `at` that lie inside [0, end) of the file.
size_t ReadInside(const FdStream& s, int64_t end, int64_t at, void* buffer, size_t n) {
    if (at < 0 || at >= end) return 0;
    return s.ReadAt(at, buffer, static_cast<size_t>(std::min<int64_t>(end - at, static_cast<int64_t>(n))));
}

// The payload of the first `marker` segment whose payload begins with `tag`, in the
// picture at [start, end), found by the image services' walk: fill bytes and
// stand-alone markers passed over, the search ending at SOS or EOI. Returns the
// payload's file position and length (cut at `end`), or false.
bool FindPayload(const FdStream& s, int64_t start, int64_t end, uint8_t marker,
                 const std::string_view tag, int64_t& payload, int64_t& length) {
    unsigned char b[8];
    if (ReadInside(s, end, start, b, 2) != 2 || b[0] != 0xFF || b[1] != 0xD8) return false;
    int64_t pos = start + 2;
    for (;;) {
        if (ReadInside(s, end, pos, b, 2) != 2 || b[0] != 0xFF) return false;  // broken chain
        while (b[1] == 0xFF) {  // fill bytes before the marker code
            ++pos;
            if (ReadInside(s, end, pos, b, 2) != 2) return false;
        }
        const uint8_t code = b[1];
        if (code == 0xD8 || code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {
            pos += 2;
            continue;
        }
        if (code == 0xD9 || code == 0xDA) return false;  // nothing before the image
        if (ReadInside(s, end, pos + 2, b, 2) != 2) return false;
        const int segment = b[0] << 8 | b[1];
        if (segment < 2) return false;
        const int64_t next = pos + 2 + segment;
        if (code == marker) {
            const int64_t at = pos + 4;
            const int64_t size = std::min(next, end) - at;
            if (size >= static_cast<int64_t>(tag.size()) &&
                ReadInside(s, end, at, b, tag.size()) == tag.size() &&
                std::memcmp(b, tag.data(), tag.size()) == 0) {
                payload = at;
                length = size;
                return true;
            }
        }
        pos = next;
    }
}

// The Orientation entries of the first EXIF segment of the picture at [start, end),
// with the file position of its TIFF block.
bool ReadPictureExif(const FdStream& s, int64_t start, int64_t end, std::vector<unsigned char>& block,
                     Walk& w, int64_t& tiffAt, bool thumbnail = true) {
    using namespace std::string_view_literals;
    int64_t payload = 0;
    int64_t length = 0;
    if (!FindPayload(s, start, end, 0xE1, "Exif\0\0"sv, payload, length)) return false;
    block.resize(static_cast<size_t>(length));
    if (ReadInside(s, end, payload, block.data(), block.size()) != block.size()) return false;

    // The TIFF block after "Exif\0\0"; every offset counts from its first byte.
    w = Walk {block.data() + 6, block.size() - 6, false, {}, 0, {}};
    tiffAt = payload + 6;
    if (w.size < 8) return false;
    if (w.tiff[0] == 'I' && w.tiff[1] == 'I')
        w.bigEndian = false;
    else if (w.tiff[0] == 'M' && w.tiff[1] == 'M')
        w.bigEndian = true;
    else
        return false;
    if (w.U16(2) != 42) return false;
    uint32_t next = 0;
    try {
        next = WalkIfd(w, w.U32(4), Directory::Ifd0);
    } catch (const WalkEnds&) {
        return true;  // what was found before is written
    }
    // IFD1, the thumbnail's directory, and the chain after it; left alone when it
    // describes a thumbnail the transform kept as it was.
    const auto link = static_cast<int32_t>(next);
    if (thumbnail && link >= 1 && link <= 65534) WalkChain(w, next, Directory::Thumbnail, Directory::Thumbnail);
    return true;
}

// The orientation the image services read from these entries.
TExifOrientation PictureOrientation(const std::vector<OrientationField>& fields) {
    TExifOrientation result = 0;
    int rank = -1;
    for (const OrientationField& f : fields) {
        const int r = static_cast<int>(f.directory);
        if (r <= static_cast<int>(Directory::Interop) && r > rank) {
            rank = r;
            result = f.old;
        }
    }
    return result;
}

// One value field to write, kept until every picture has been read.
struct PendingWrite {
    int64_t at;
    unsigned char bytes[4];
    unsigned size;
};

void AddWrites(const Walk& w, int64_t tiffAt, TExifOrientation orientation,
               std::vector<PendingWrite>& writes) {
    for (const OrientationField& f : w.fields) {
        PendingWrite p {tiffAt + static_cast<int64_t>(f.at), {}, f.single ? 4u : f.width};
        for (unsigned i = 0; i < f.width; ++i)
            p.bytes[w.bigEndian ? f.width - 1 - i : i] = static_cast<unsigned char>(orientation >> (8 * i));
        writes.push_back(p);
    }
}

// The pictures after the first that the MPF index lists, as the library found them
// when it turned them: each gets its own Orientation entries rewritten by the table
// from its own old orientation.
void AddFurtherPictures(const FdStream& s, TTransformCode code, std::vector<PendingWrite>& writes) {
    using namespace std::string_view_literals;
    int64_t payload = 0;
    int64_t length = 0;
    if (!FindPayload(s, 0, s.Size(), 0xE2, "MPF\0"sv, payload, length)) return;
    std::vector<uint8_t> file(static_cast<size_t>(s.Size()));
    if (s.ReadAt(0, file.data(), file.size()) != file.size()) return;
    vantrel::PictureLayout layout;
    vantrel::MpfIndex index;
    if (!vantrel::ReadLayout(file.data(), file.size(), layout) ||
        !vantrel::ReadMpfIndex(file.data(), file.size(), layout, index))
        return;
    for (const vantrel::MpfPicture& p : index.others) {
        std::vector<unsigned char> block;
        Walk w {nullptr, 0, false, {}, 0, {}};
        int64_t tiffAt = 0;
        const auto start = static_cast<int64_t>(p.start);
        if (!ReadPictureExif(s, start, start + static_cast<int64_t>(p.size), block, w, tiffAt))
            continue;
        const TExifOrientation old = PictureOrientation(w.fields);
        if (old >= 1 && old <= 8) AddWrites(w, tiffAt, OrientationTable[code - 1][old - 1], writes);
    }
}

void WriteOrientation(FdStream& s, TExifOrientation orientation, TTransformCode code, bool thumbnail) {
    if (s.Size() == 0) return;
    std::vector<PendingWrite> writes;
    if (orientation != 0) {
        std::vector<unsigned char> block;
        Walk w {nullptr, 0, false, {}, 0, {}};
        int64_t tiffAt = 0;
        if (ReadPictureExif(s, 0, s.Size(), block, w, tiffAt, thumbnail)) AddWrites(w, tiffAt, orientation, writes);
    }
    if (code >= 1 && code <= 5) {
        try {
            AddFurtherPictures(s, code, writes);
        } catch (...) {
            // A file too large to hold: its further pictures keep their entries, the
            // first picture's are written all the same.
        }
    }
    // Entries whose values share bytes (only a hostile block has them): the first one
    // found is written, so that every value written reads as written.
    std::map<int64_t, int64_t> claimed;  // start -> end
    for (const PendingWrite& p : writes) {
        const int64_t end = p.at + p.size;
        const auto next = claimed.lower_bound(p.at);
        if ((next != claimed.end() && next->first < end) ||
            (next != claimed.begin() && std::prev(next)->second > p.at))
            continue;
        claimed.emplace(p.at, end);
        s.Seek(p.at);
        s.Write(p.bytes, p.size);
    }
}

}  // namespace

void WriteExifOrientation(const QString& FileName, TExifOrientation Orientation,
                          TTransformCode Transform, bool Ifd1) {
    if (Orientation == 0 && (Transform < 1 || Transform > 5)) return;
    try {
        // Exclusive and non-blocking: a file another writer holds is in use, and is
        // left alone.
        FdStream stream(FileName, true, FdStream::Lock::Exclusive);
        if (!stream.IsOpen()) return;
        WriteOrientation(stream, Orientation, Transform, Ifd1);
    } catch (...) {
        // Best effort: the transform has succeeded whatever happens here.
    }
}
