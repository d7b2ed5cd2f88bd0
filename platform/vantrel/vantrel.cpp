// The library's one exported function.

#include "platform/vantrel/vantrel.h"

#include "platform/vantrel/vantrel_internal.h"

extern "C" uint16_t vtJpegLosslessTransform(const char* path, uint16_t code) {
    try {
        vantrel::FileOps system;
        return vantrel::TransformFile(path, code, system);
    } catch (...) {  // nothing may unwind into a C caller
        return vantrel::kInternal;
    }
}
