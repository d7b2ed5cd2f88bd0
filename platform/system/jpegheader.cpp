#include "platform/system/jpegheader.h"

#include "platform/system/filenames.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <jpeglib.h>
}

namespace {

// libjpeg's default error handler exits the process; this one jumps back to the
// reader with the message kept.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings (a corrupt marker that libjpeg skips) are not failures here, and nothing
// is printed.
void OnMessage(j_common_ptr, int) {}

// Plain C data only between setjmp and longjmp: no destructor may be skipped.
bool ReadHeader(std::FILE* file, JpegFrameSize& size, char* message) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.emit_message = OnMessage;
    err.message[0] = '\0';
    if (setjmp(err.jump)) {
        std::strncpy(message, err.message, JMSG_LENGTH_MAX - 1);
        message[JMSG_LENGTH_MAX - 1] = '\0';
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    size.width = static_cast<int>(cinfo.image_width);
    size.height = static_cast<int>(cinfo.image_height);
    // A single component is coded one block at a time, however it says it is sampled.
    const bool single = cinfo.num_components == 1;
    size.blockWidth = 8 * (single ? 1 : cinfo.max_h_samp_factor);
    size.blockHeight = 8 * (single ? 1 : cinfo.max_v_samp_factor);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

bool ReadJpegFrameSize(const QString& path, JpegFrameSize& size, QString* error) {
    size = JpegFrameSize{};
    if (path.isEmpty()) {
        if (error) *error = QString::fromLocal8Bit(std::strerror(ENOENT));
        return false;
    }
    // Non-blocking open and a regular-file test: a FIFO or a device named like a
    // photo must not hang the window.
    const int fd = ::open(sys::EncodeFileName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int code = fd < 0 ? errno : (S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        if (fd >= 0) ::close(fd);
        if (error) *error = QString::fromLocal8Bit(std::strerror(code));
        return false;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        if (error) *error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    char message[JMSG_LENGTH_MAX];
    JpegFrameSize read;
    const bool ok = ReadHeader(file, read, message);
    std::fclose(file);
    if (ok)
        size = read;
    else if (error)
        *error = QString::fromLocal8Bit(message);
    return ok;
}
