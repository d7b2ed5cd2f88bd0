#pragma once
// The EXIF block of a picture's APP1 segment, patched in place: the segment keeps
// its length and every offset in it stays valid.

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

// Where IFD1's JPEG thumbnail lies in the block, and how much room a new one has:
// its own length plus the zero bytes after it, up to the block's end or the next
// IFD or value that lies after it.
struct ThumbnailPlace {
    size_t offset = 0, length = 0, room = 0;
    TiffEntry lengthEntry;
};
bool FindThumbnail(const TiffView& tiff, ThumbnailPlace& place);

// Writes the pieces over the thumbnail (their total at most `room`), zeroes the bytes
// the old one used beyond them and sets the length entry.
bool PutThumbnail(TiffView& tiff, const ThumbnailPlace& place,
                  const std::vector<Output::Piece>& pieces);

}  // namespace vantrel
