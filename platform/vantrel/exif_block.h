#pragma once
// The EXIF block of a picture's APP1 segment, patched in place: every offset in it
// stays valid. Only a thumbnail that is the last thing in the block may grow it.

#include "platform/vantrel/tiff.h"
#include "platform/vantrel/vantrel_internal.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantrel {

// The TIFF block of the first EXIF APP1 segment among `layout`'s header segments:
// its segment's index and the block's offset and size in `data`. False when none.
bool FindExif(const uint8_t* data, const PictureLayout& layout, size_t& segment, size_t& offset,
              size_t& size);

// PixelXDimension and PixelYDimension of the Exif IFD set to the result's size, each
// in its own type (SHORT or LONG); entries that are absent or odd stay as they are.
// Whether anything was written.
bool SetPixelDimensions(TiffView& tiff, uint32_t width, uint32_t height);

// Whether IFD1 names a picture of its own (a JPEG thumbnail or strips).
bool HasThumbnail(const TiffView& tiff);

// Where IFD1's JPEG thumbnail lies in the block and how much room a new one has: its
// own length plus the zero bytes after it that nothing reachable refers to (no IFD of
// any chain, no value held outside its entry, a MakerNote's whole value, no data an
// offset entry points to). `last`: nothing reachable lies after it, so the block may
// grow there. False when there is none, or when something else lies inside it.
struct ThumbnailPlace {
    size_t offset = 0, length = 0, room = 0;
    bool last = false;
    TiffEntry lengthEntry;
};
bool FindThumbnail(const TiffView& tiff, ThumbnailPlace& place);

// Writes `thumbnail` over the old one (at most `room` bytes), zeroes the bytes the
// old one used beyond it and sets the length entry.
bool PutThumbnail(TiffView& tiff, const ThumbnailPlace& place, const std::vector<uint8_t>& thumbnail);

// The APP1 segment `segment` (from its marker, the block at `block` in it) with the
// thumbnail replaced by a larger one: the room's zero bytes are used up and everything
// after them follows byte for byte; the segment's length and the thumbnail's length
// entry follow. Empty when the segment would pass 65535 bytes or the length entry
// cannot hold the size.
std::vector<uint8_t> GrownSegment(const uint8_t* segment, size_t size, size_t block,
                                  const ThumbnailPlace& place,
                                  const std::vector<uint8_t>& thumbnail);

}  // namespace vantrel
