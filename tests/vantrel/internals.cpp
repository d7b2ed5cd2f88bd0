// The library exports only vtJpegLosslessTransform, so the tests of its inside
// (vantrel_internal.h) get their own copy of it compiled into the test program.

#include "platform/vantrel/safe_replace.cpp"
#include "platform/vantrel/transform.cpp"
