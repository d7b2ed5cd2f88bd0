#pragma once
// Inside libvantrel: the JPEG structure (layout.cpp), the libjpeg work on buffers
// (transform.cpp), the pictures of a file with their EXIF thumbnails, MPF index and
// XMP container directory (picture.cpp, exif_block.cpp, thumbnail.cpp, mpf.cpp,
// xmp.cpp) and the safe replacement of the file (safe_replace.cpp). Not part of the
// library's interface.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <vector>

namespace vantrel {

// Failure classes; the values are for diagnosis only (see safe_replace.cpp).
enum Status : uint16_t {
    kOk = 0,
    kBadArgument = 1,     // empty path or code outside 1..5
    kMissing = 2,         // no such file
    kOpenFailed = 3,      // cannot be opened for reading, or not a regular file
    kTooLarge = 4,        // file above kMaxFileSize or image above kMaxPixels
    kReadFailed = 5,      // read error, or the file changed size while being read
    kNotJpeg = 6,         // no SOI at the start
    kUnsupported = 7,     // arithmetic, lossless, hierarchical, not 8-bit, odd layout
    kBadHeader = 8,       // markers before the image data are damaged or refused
    kCorrupt = 9,         // libjpeg refused the image data (truncated, corrupt)
    kTempFailed = 10,     // no temporary file could be made beside the target
    kWriteFailed = 11,    // writing the temporary file failed (full disk...)
    kMetadataFailed = 12, // owner, mode or extended attributes could not be copied
    kSyncFailed = 13,     // fsync of the temporary file failed
    kVerifyFailed = 14,   // the written copy does not read back or decode as expected
    kReplaceFailed = 15,  // rename over the original failed
    kChanged = 16,        // the target is no longer the file that was read
    kInPlaceFailed = 17,  // hard-linked file: in-place rewrite failed, original restored
    kRestoreFailed = 18,  // ... and restoring the original bytes failed too
    kNoMemory = 19,
    kInternal = 20,       // an unexpected exception
    kNotWritable = 21,    // the caller may not write the file itself (a writable
                          // folder alone must not let the file be replaced)
};

inline constexpr size_t kMaxFileSize = size_t{1} << 30;
inline constexpr uint64_t kMaxPixels = uint64_t{1} << 29;

// What the frame header of the first frame says, read before libjpeg sees the file.
struct FrameInfo {
    int width = 0, height = 0;
    int components = 0;
    int mcuWidth = 8, mcuHeight = 8;  // in pixels
    bool progressive = false;
};

// Whole units only, unless the image is smaller than one unit (then nothing is
// dropped: a partial block that is the whole image is kept).
inline int Trim(int full, int unit) { return full / unit > 0 ? full / unit * unit : full; }

inline unsigned Read16(const uint8_t* p) { return unsigned{p[0]} << 8 | p[1]; }

// Walks the marker segments up to the first frame header, bounded by `size`.
// Accepts only 8-bit Huffman-coded baseline, extended or progressive frames.
Status ProbeFrame(const uint8_t* data, size_t size, FrameInfo& frame);

// Width and height of the result of `code` (1..5) with partial edge blocks dropped,
// the way jpegtran -trim drops them.
void TransformedSize(const FrameInfo& frame, uint16_t code, int& width, int& height);

// The transformed file while it is being made: the transform appends pieces on one
// thread, and the writer and the decode check read them on theirs as they come, so
// neither waits for the whole result. A piece never changes once appended, but for
// a deferred one (see AppendDeferred).
class Output {
public:
    struct Piece {
        const uint8_t* data = nullptr;
        size_t size = 0;
        bool deferred = false;  // final bytes only once the output is complete
    };
    static constexpr size_t kChunk = size_t{256} << 10;

    Output() = default;
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Producer side. NewChunk gives kChunk bytes owned by the output (nullptr when
    // out of memory); Append publishes bytes of such a chunk or of a buffer that
    // outlives the output. The first Finish decides whether the result is whole.
    uint8_t* NewChunk() noexcept;
    bool Append(const uint8_t* data, size_t size) noexcept;
    void Finish(bool complete) noexcept;
    // Bytes owned by the output (nullptr when out of memory), for patched segments.
    uint8_t* Own(size_t size) noexcept;
    // A piece whose final bytes are known only after what follows it (the MPF index
    // holds the sizes of the pictures after it): readers may see `data` now, the
    // writer writes it once the output is complete, with what Settle gave (of the
    // same size) before the output was finished.
    bool AppendDeferred(const uint8_t* data, size_t size, size_t& index) noexcept;
    void Settle(size_t index, const uint8_t* data) noexcept;
    // Appends the pieces of a finished output and takes over its memory.
    bool Adopt(Output& other) noexcept;

    // Consumer side: waits until piece `index` is there (true) or the output is
    // finished without it (false).
    bool Get(size_t index, Piece& piece) noexcept;

    // Once finished.
    bool Complete() const noexcept;
    size_t Size() const noexcept;
    std::vector<Piece> Pieces() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable more_;
    std::vector<std::unique_ptr<uint8_t[]>> chunks_;
    std::vector<Piece> pieces_;
    size_t size_ = 0;
    bool finished_ = false, complete_ = false;
};

// One marker segment: [start, end) holds any fill bytes, the marker at `at`, its
// length and its payload (from at + 4).
struct SegmentRef {
    size_t start = 0, at = 0, end = 0;
    uint8_t marker = 0;
};

// APPn and COM: the segments that say something about the picture rather than code it.
inline bool IsMetadata(uint8_t marker) { return (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE; }

// The segments of one picture from SOI to EOI.
struct PictureLayout {
    std::vector<SegmentRef> header;  // every segment before the first scan, in order
    std::vector<SegmentRef> tail;    // APPn and COM segments after the first scan
    size_t end = 0;                  // just past EOI
};

// Walks the marker segments and, after each SOS, the entropy-coded data up to the
// next marker; every read is bounded by `size`. False when no EOI is found after a
// scan (truncated or damaged structure).
bool ReadLayout(const uint8_t* data, size_t size, PictureLayout& layout);

// The offset just past the image's EOI marker (ReadLayout's end); 0 when none.
size_t ImageEnd(const uint8_t* data, size_t size);

// How a transformed picture is put together around the encoder's frame and scans:
// the original's segments in their order, DQT tables transposed for a quarter turn,
// some with patched bytes; its DHT, DRI and SOF segments give way to the encoder's.
struct Splice {
    struct Item {
        const uint8_t* data;
        size_t size;
        bool deferred;
        size_t segment;  // the header segment it stands for (SIZE_MAX: none)
    };
    std::vector<Item> beforeFrame, afterFrame, tail;
    // Quantisation tables the items define (natural order, as the result uses them);
    // the encoder writes only those that differ.
    bool defines[4] = {};
    uint16_t tables[4][64] = {};
    // Set while encoding: each deferred item's header segment, output piece and offset.
    struct Deferred {
        size_t segment, piece, offset;
    };
    std::vector<Deferred> deferred;
};

// A header segment given other bytes than the original's (nullptr: the original's).
struct Replacement {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// The splice of `layout`'s segments for `code`: `replaced` gives other bytes for
// some header segments, the header segments in `deferred` are written as deferred
// pieces. Copies go to `owner`.
bool MakeSplice(const uint8_t* data, const PictureLayout& layout, uint16_t code,
                const std::vector<Replacement>& replaced, const std::vector<size_t>& deferred,
                Output& owner, Splice& splice);

// Encodes the transformed coefficients of the picture `data` (SOI to EOI) into `out`,
// with the splice's segments around them, as jpegtran -trim does the pixels: partial
// edge blocks dropped, progressive output for progressive input. `optimize` asks for
// Huffman tables made for the data. `finish` (may be empty) runs after the encoder is
// done and before its memory is released. `out` is not finished here.
Status EncodePicture(const uint8_t* data, size_t size, const FrameInfo& frame, uint16_t code,
                     bool optimize, Splice& splice, Output& out,
                     const std::function<Status()>& finish);

// What became of a picture's EXIF thumbnail (IFD1's picture): none there, turned
// with the picture, or kept as it was (its IFD1 then still describes it).
enum class ThumbnailFate { kNone, kTurned, kKept };

// One picture transformed into `out` (not finished): its first EXIF block given the
// new pixel dimensions and, when `thumbnail`, its turned thumbnail (picture.cpp).
struct PictureOptions {
    bool optimize = false;
    bool thumbnail = true;
    std::vector<size_t> deferred;  // header segments settled later (MPF index, XMP)
    std::function<Status()> finish;
    ThumbnailFate* fate = nullptr;  // set when not null
};
Status TransformPicture(const uint8_t* data, const PictureLayout& layout, const FrameInfo& frame,
                        uint16_t code, const PictureOptions& options, Output& out,
                        Splice& splice);

// Lossless transform of a whole JPEG file in memory: the first picture with its
// thumbnail, the further pictures of an MPF index (their sizes and offsets rewritten,
// in the index and in the XMP container directory), every other byte after the first
// picture's EOI kept as it was. The result goes to `out` piece by piece as it is
// encoded; `data` must outlive `out`. `out` is finished in every case, complete on
// kOk; on failure nothing of the file is to be written. `fate` (may be null) tells
// what became of the first picture's thumbnail.
Status TransformBuffer(const uint8_t* data, size_t size, const FrameInfo& frame,
                       uint16_t code, Output& out, ThumbnailFate* fate = nullptr);

// Decodes the whole image data once (at 1/8 scale: every coefficient is still
// entropy-decoded) and checks that it is `width` x `height`. Any warning counts as
// failure, so truncation and corrupt data show. The Output form reads the pieces as
// they are appended and fails when the output is finished incomplete.
bool DecodesAs(Output& jpeg, int width, int height);
bool DecodesAs(const uint8_t* data, size_t size, int width, int height);

// The system calls of the replacement, virtual so that tests can inject faults.
class FileOps {
public:
    virtual ~FileOps() = default;
    virtual int Open(const char* path, int flags, mode_t mode);
    virtual ssize_t Pwrite(int fd, const void* buf, size_t count, off_t offset);
    virtual ssize_t Pread(int fd, void* buf, size_t count, off_t offset);
    virtual int Fsync(int fd);
    virtual int Ftruncate(int fd, off_t length);
    virtual int Rename(const char* from, const char* to);
};

// The whole job of vtJpegLosslessTransform with the given system calls; `fate` (may
// be null) tells what became of the thumbnail, and means something only on kOk.
Status TransformFile(const char* path, uint16_t code, FileOps& ops,
                     ThumbnailFate* fate = nullptr);

}  // namespace vantrel
