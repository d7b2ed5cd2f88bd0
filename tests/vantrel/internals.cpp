// The library exports only its C functions, so the tests of its inside
// (vantrel_internal.h) get their own copy of it compiled into the test program.

#include "platform/vantrel/decode_check.cpp"
#include "platform/vantrel/exif_block.cpp"
#include "platform/vantrel/layout.cpp"
#include "platform/vantrel/mpf.cpp"
#include "platform/vantrel/output.cpp"
#include "platform/vantrel/picture.cpp"
#include "platform/vantrel/safe_replace.cpp"
#include "platform/vantrel/thumbnail.cpp"
#include "platform/vantrel/tiff.cpp"
#include "platform/vantrel/transform.cpp"
#include "platform/vantrel/xmp.cpp"
