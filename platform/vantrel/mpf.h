#pragma once
// The MPF index (CIPA DC-007) in the first picture's APP2 segment: where the further
// pictures of a multi-picture file (camera previews, the gain map of an HDR photo)
// lie, as sizes and offsets from the index's own header.

#include "platform/vantrel/tiff.h"
#include "platform/vantrel/vantrel_internal.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantrel {

struct MpfPicture {
    size_t entry = 0;            // offset of its 16-byte MP entry in the index block
    size_t start = 0, size = 0;  // in the file
};

struct MpfIndex {
    size_t segment = 0;     // which header segment of the first picture holds it
    size_t base = 0;        // file offset of the MP header, the origin of the offsets
    size_t firstEntry = 0;  // offset of the first picture's entry in the block
    std::vector<MpfPicture> others;  // by their place in the file
};

// Reads the first MPF index among `layout`'s header segments. False when there is
// none or when it does not describe the file: a further picture that lies outside the
// file, inside the first picture or over another, or that does not begin with SOI.
// Entries of size and offset 0 (a picture not stored) are passed over.
bool ReadMpfIndex(const uint8_t* file, size_t fileSize, const PictureLayout& layout,
                  MpfIndex& index);

// Writes the first picture's new size and the others' new sizes and starts into
// `segment`, a copy of the index's segment (from its start) that now begins at file
// offset `segmentStart`. `sizes` and `starts` follow `index.others`.
void WriteMpfIndex(uint8_t* segment, size_t segmentSize, size_t segmentStart,
                   const PictureLayout& layout, const MpfIndex& index, size_t firstSize,
                   const std::vector<size_t>& starts, const std::vector<size_t>& sizes);

}  // namespace vantrel
