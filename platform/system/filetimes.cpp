#include "platform/system/filetimes.h"

#include "platform/system/exceptions.h"
#include "platform/system/filenames.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

bool GetFileTimes(const QString& path, FileTimes& times) {
    struct stat st {};
    if (::stat(sys::EncodeFileName(path).constData(), &st) != 0) return false;
    times.access = st.st_atim;
    times.modification = st.st_mtim;
    return true;
}

bool SetFileTimes(const QString& path, const FileTimes& times) {
    const timespec t[2] = {times.access, times.modification};
    if (::utimensat(AT_FDCWD, sys::EncodeFileName(path).constData(), t, 0) == 0) return true;
    if (errno == EPERM || errno == EACCES) return false;
    throw EOSError(errno);
}
