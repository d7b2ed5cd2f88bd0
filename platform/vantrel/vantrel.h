#pragma once
// libvantrel: lossless rotation and flipping of a JPEG file in place.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Transforms the JPEG file at `path` (local 8-bit encoding) in place without
// re-encoding: code 1 rotates 90 degrees clockwise, 2 rotates 180, 3 rotates 90
// counter-clockwise, 4 flips vertically, 5 flips horizontally; partial blocks at the
// right and bottom edges are dropped. The file's own segments are kept in their order
// (no JFIF or Adobe segment is added); the EXIF pixel size follows the result, and
// the EXIF thumbnail is turned too: losslessly where that fits (the EXIF segment
// grows where the thumbnail is the last thing in it), else re-encoded to fit. The
// further pictures of an MPF index are turned too and the index (and an XMP container
// directory) rewritten to find them; every other byte after the image's end (a
// motion photo's video, say) stays as it was.
// Returns 0 when the file now holds the transformed image. Any other value is a
// failure, and then the file is byte-for-byte what it was, or what another program
// wrote into it meanwhile: a file changed since it was read is never replaced.
// Exception: when a hard-linked file's in-place rewrite and restore both fail, the verified copy stays beside it.
__attribute__((visibility("default"))) uint16_t vtJpegLosslessTransform(const char* path,
                                                                       uint16_t code);

// What became of the EXIF thumbnail (IFD1's picture) of the file's first picture.
enum {
    VT_THUMBNAIL_NONE = 0,    // the file has none
    VT_THUMBNAIL_TURNED = 1,  // turned with the photo
    VT_THUMBNAIL_KEPT = 2,    // left as it was: IFD1 still describes it as before
};

// vtJpegLosslessTransform that also tells, when it returns 0, what became of the
// thumbnail (`thumbnail` may be null).
__attribute__((visibility("default"))) uint16_t vtJpegLosslessTransformEx(const char* path,
                                                                         uint16_t code,
                                                                         uint16_t* thumbnail);

#ifdef __cplusplus
}
#endif
