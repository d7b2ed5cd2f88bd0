#pragma once
// libjpeg's errors and warnings, both taken as failure: its callbacks leave its calls
// with longjmp, so the functions that call into libjpeg hold no object with a
// destructor at the point where they may fail.

#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>

namespace vantrel {

struct Failure {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] inline void Fail(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<Failure*>(cinfo->err)->jump, 1);
}

[[noreturn]] inline void FailWith(j_common_ptr cinfo, int code) {
    cinfo->err->msg_code = code;
    Fail(cinfo);
}

// A warning (level -1) is damaged data that libjpeg would paper over.
inline void OnMessage(j_common_ptr cinfo, int level) {
    if (level < 0) Fail(cinfo);
}

// A progressive file can hold any number of scans, each costing a pass over the image.
inline void LimitScans(j_common_ptr cinfo) {
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > 500)
        FailWith(cinfo, 0);
}

inline void SetUpErrors(Failure& failure, jpeg_progress_mgr& progress) {
    jpeg_std_error(&failure.pub);
    failure.pub.error_exit = Fail;
    failure.pub.emit_message = OnMessage;
    progress = jpeg_progress_mgr{};
    progress.progress_monitor = LimitScans;
}

}  // namespace vantrel
