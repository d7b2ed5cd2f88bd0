#pragma once
// A TIFF structure inside a buffer (the EXIF block of APP1, the MPF index of APP2):
// IFD entries found and numbers read or written in the block's byte order. Every
// access is bounded by the buffer; a structure that runs past it reads as absent.

#include <cstddef>
#include <cstdint>

namespace vantrel {

struct TiffEntry {
    size_t at = 0;  // offset of the 12-byte entry
    unsigned tag = 0, type = 0;
    uint32_t count = 0;
};

class TiffView {
public:
    // `data` points at the TIFF header (byte-order mark); `magic` is 42 for TIFF.
    TiffView(uint8_t* data, size_t size, unsigned magic = 42);
    bool Valid() const { return valid_; }
    bool BigEndian() const { return big_; }
    size_t Size() const { return size_; }
    uint8_t* Data() const { return data_; }

    bool Within(size_t at, size_t n) const { return at <= size_ && n <= size_ - at; }
    uint32_t Get16(size_t at) const;  // callers check Within first
    uint32_t Get32(size_t at) const;
    void Put16(size_t at, uint32_t value);
    void Put32(size_t at, uint32_t value);

    // Offsets of IFDs; 0 when absent or outside the buffer.
    size_t FirstIfd() const;
    size_t NextIfd(size_t ifd) const;
    // The entry with `tag` in the IFD at `ifd`.
    bool Find(size_t ifd, unsigned tag, TiffEntry& entry) const;
    // The IFD an offset entry (Exif IFD pointer...) points to; 0 when none.
    size_t Pointed(size_t ifd, unsigned tag) const;
    // A single SHORT or LONG value.
    bool Number(const TiffEntry& entry, uint32_t& value) const;
    // Writes a single SHORT or LONG value in place, keeping the entry's type; false
    // when the value does not fit that type.
    bool SetNumber(const TiffEntry& entry, uint32_t value);
    // Where an entry's value bytes lie: in the entry or at its offset.
    bool ValueRange(const TiffEntry& entry, size_t& at, size_t& size) const;
    // Every entry of an IFD, for walks over all of them; false when it runs past the end.
    size_t EntryCount(size_t ifd) const;
    TiffEntry EntryAt(size_t ifd, size_t index) const;

private:
    uint8_t* data_;
    size_t size_;
    bool big_ = false, valid_ = false;
};

}  // namespace vantrel
