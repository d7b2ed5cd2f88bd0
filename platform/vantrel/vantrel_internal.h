#pragma once
// Inside libvantrel: the libjpeg work on buffers (transform.cpp) and the safe
// replacement of the file (safe_replace.cpp). Not part of the library's interface.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
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

// Walks the marker segments up to the first frame header, bounded by `size`.
// Accepts only 8-bit Huffman-coded baseline, extended or progressive frames.
Status ProbeFrame(const uint8_t* data, size_t size, FrameInfo& frame);

// Width and height of the result of `code` (1..5) with partial edge blocks dropped,
// the way jpegtran -trim drops them.
void TransformedSize(const FrameInfo& frame, uint16_t code, int& width, int& height);

// The transformed file while it is being made: the transform appends pieces on one
// thread, and the writer and the decode check read them on theirs as they come, so
// neither waits for the whole result. A piece never changes once appended.
class Output {
public:
    struct Piece {
        const uint8_t* data = nullptr;
        size_t size = 0;
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

// The offset just past the image's EOI marker, found by walking the marker segments
// and, after each SOS, the entropy-coded data up to the next marker; every read is
// bounded by `size`. 0 when no EOI is found (truncated or damaged structure).
size_t ImageEnd(const uint8_t* data, size_t size);

// Lossless transform of a whole JPEG in memory, as jpegtran -trim -copy all does it:
// every marker copied, partial edge blocks dropped, progressive output for
// progressive input. The result goes to `out` piece by piece as it is encoded; the
// `trailerSize` bytes at `trailer` (what followed the input's EOI, which must outlive
// `out`) are appended unchanged. `out` is finished in every case, complete on kOk.
Status TransformBuffer(const uint8_t* data, size_t size, const FrameInfo& frame,
                       uint16_t code, const uint8_t* trailer, size_t trailerSize,
                       Output& out);

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

// The whole job of vtJpegLosslessTransform with the given system calls.
Status TransformFile(const char* path, uint16_t code, FileOps& ops);

}  // namespace vantrel
