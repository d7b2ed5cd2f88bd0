// The library's exported functions.

#include "platform/vantrel/vantrel.h"

#include "platform/vantrel/vantrel_internal.h"

extern "C" uint16_t vtJpegLosslessTransformEx(const char* path, uint16_t code,
                                              uint16_t* thumbnail) {
    try {
        vantrel::FileOps system;
        vantrel::ThumbnailFate fate = vantrel::ThumbnailFate::kNone;
        const uint16_t status = vantrel::TransformFile(path, code, system, &fate);
        if (status == vantrel::kOk && thumbnail != nullptr)
            *thumbnail = fate == vantrel::ThumbnailFate::kTurned ? VT_THUMBNAIL_TURNED
                         : fate == vantrel::ThumbnailFate::kKept ? VT_THUMBNAIL_KEPT
                                                                 : VT_THUMBNAIL_NONE;
        return status;
    } catch (...) {  // nothing may unwind into a C caller
        return vantrel::kInternal;
    }
}

extern "C" uint16_t vtJpegLosslessTransform(const char* path, uint16_t code) {
    return vtJpegLosslessTransformEx(path, code, nullptr);
}
