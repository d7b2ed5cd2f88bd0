#pragma once
// The EXIF thumbnail of a picture, turned with it: a preview turned wrong is worse
// than a softer one, so a thumbnail whose lossless turn does not fit is re-encoded.

#include "platform/vantrel/vantrel_internal.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantrel {

// Turns the JPEG thumbnail of the EXIF block in `segment`, a copy of the APP1
// segment (`size` bytes from its first byte, the TIFF block from `block`); `source`
// is the original's TIFF block. In order: the smallest lossless form (baseline with
// Huffman tables made for it; progressive too when that is smaller) in place when it
// fits its room; the same with the segment grown when the thumbnail is the last
// thing in it (the grown copy goes to `grown`, the segment is left as it was);
// else re-encoded at the best quality that fits. kKept when IFD1 has a picture that
// none of these could turn, which then stays as it was.
ThumbnailFate TurnThumbnail(const uint8_t* source, uint8_t* segment, size_t size, size_t block,
                            uint16_t code, std::vector<uint8_t>& grown);

}  // namespace vantrel
