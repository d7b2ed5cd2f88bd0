#include "platform/system/fileattributes.h"

#include "platform/system/filenames.h"

#include <sys/stat.h>

std::optional<bool> IsReadOnly(const QString& path) {
    struct stat st {};
    if (::stat(sys::EncodeFileName(path).constData(), &st) != 0) return std::nullopt;
    return (st.st_mode & S_IWUSR) == 0;
}

bool ClearReadOnly(const QString& path) {
    const QByteArray p = sys::EncodeFileName(path);
    struct stat st {};
    if (::stat(p.constData(), &st) != 0) return false;
    if (st.st_mode & S_IWUSR) return true;
    return ::chmod(p.constData(), (st.st_mode & 07777) | S_IWUSR) == 0;
}
