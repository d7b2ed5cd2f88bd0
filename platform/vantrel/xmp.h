#pragma once
// The container directory of the first picture's XMP packet (Ultra HDR gain maps,
// motion photos): the items that follow the primary picture in the file, one after
// another, each with its length in bytes. Readers find the gain map by these lengths,
// so they follow the sizes of the turned pictures.

#include "platform/vantrel/mpf.h"
#include "platform/vantrel/vantrel_internal.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantrel {

// The first XMP APP1 segment among `layout`'s header segments; SIZE_MAX when none.
size_t FindXmp(const uint8_t* file, const PictureLayout& layout);

// In `segment` (a copy of that XMP segment, `size` bytes from its first byte), sets
// the Length of every directory item that lies where a picture of `pictures` lay (the
// items after the primary picture counted on from `primaryEnd`) to that picture's
// entry of `sizes`. The segment keeps its size: the text after a number that changes
// width moves into or out of the packet's padding (the whitespace before
// "<?xpacket end", or at the end of a packet without one). False, with the segment
// as it was, when nothing changes or the new numbers do not fit.
bool UpdateContainerLengths(uint8_t* segment, size_t size, size_t primaryEnd,
                            const std::vector<MpfPicture>& pictures,
                            const std::vector<size_t>& sizes);

}  // namespace vantrel
