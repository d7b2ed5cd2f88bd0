#include "platform/system/lockedfile.h"

#include "platform/system/filenames.h"

#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lockedfile {

namespace {

constexpr int kSuffixLength = 6;

int closeChecked(int fd) {
    // close() after EINTR must not be retried on Linux: the descriptor is gone.
    return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
}

// The file a rewrite replaces: the target of a symbolic link, so the link survives.
QByteArray resolveTarget(const QString& path) {
    const QByteArray p = sys::EncodeFileName(path);
    struct stat st {};
    if (::lstat(p.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char buf[PATH_MAX];
        if (::realpath(p.constData(), buf)) return QByteArray(buf);
    }
    return p;
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) return QByteArray(".");
    if (slash == 0) return QByteArray("/");
    return path.left(slash);
}

QByteArray nameOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? path : path.mid(slash + 1);
}

QByteArray randomSuffix() {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray s(kSuffixLength, '0');
    for (char& c : s) c = alphabet[QRandomGenerator::global()->bounded(62)];
    return s;
}

int writeAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        p += n;
        left -= n;
    }
    return 0;
}

}  // namespace

FileLock::FileLock(const QString& documentPath, bool exclusive) {
    const QByteArray lockPath = sys::EncodeFileName(documentPath + QStringLiteral(".lock"));
    // Readers do not create the lock file (a read-only stick, no clutter from reads):
    // without one they read unlocked, which is safe because a writer's rename is atomic.
    fd_ = ::open(lockPath.constData(), O_RDWR | (exclusive ? O_CREAT : 0) | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd_ < 0 && errno == EACCES)  // someone else's lock file: flock needs no write access
        fd_ = ::open(lockPath.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd_ < 0) {
        error_ = errno;
        return;
    }
    int r;
    do r = ::flock(fd_, exclusive ? LOCK_EX : LOCK_SH);
    while (r != 0 && errno == EINTR);
    if (r == 0)
        held_ = true;
    else
        error_ = errno;
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the lock
}

int ReadDocument(const QString& path, QByteArray& bytes, bool& exists, qint64 maxBytes) {
    bytes.clear();
    exists = false;
    // Non-blocking: a FIFO in the store's place is refused below instead of waited on.
    const int fd = ::open(sys::EncodeFileName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? 0 : errno;  // both: no such file
    exists = true;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        return e;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return EISDIR;
    }
    if (st.st_size > maxBytes) {
        ::close(fd);
        return EFBIG;
    }
    // The size is only a hint: read until end of file, but never past maxBytes.
    bytes.reserve(static_cast<qsizetype>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int e = errno;
            ::close(fd);
            bytes.clear();
            return e;
        }
        if (n == 0) break;
        if (bytes.size() + n > maxBytes) {
            ::close(fd);
            bytes.clear();
            return EFBIG;
        }
        bytes.append(buf, n);
    }
    ::close(fd);
    return 0;
}

int ReplaceDocument(const QString& path, const QByteArray& bytes, mode_t newFileMode) {
    const QByteArray target = resolveTarget(path);
    const QByteArray folder = folderOf(target);
    const QByteArray prefix = folder + '/' + nameOf(target) + ".tmp-";

    struct stat old {};
    const bool existed = ::stat(target.constData(), &old) == 0;
    const mode_t mode = existed ? (old.st_mode & 07777) : newFileMode;

    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = prefix + randomSuffix();
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd < 0 && errno != EEXIST) return errno;
    }
    if (fd < 0) return EEXIST;

    auto fail = [&](int e) {
        if (fd >= 0) ::close(fd);
        ::unlink(temp.constData());
        return e;
    };
    if (existed) {
        // Keep the document's mode and, where permitted, its owner; file systems
        // without permissions (FAT) refuse both, which is no reason to fail.
        (void)::fchmod(fd, mode);
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            (void)!::fchown(fd, old.st_uid, old.st_gid);
    }
    if (const int e = writeAll(fd, bytes)) return fail(e);
    if (::fsync(fd) != 0) return fail(errno);
    const int closed = closeChecked(fd);
    fd = -1;
    if (closed != 0) return fail(closed);
    if (::rename(temp.constData(), target.constData()) != 0) return fail(errno);

    // Make the rename itself durable; some file systems cannot sync a folder.
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return 0;
}

QString TemporaryPrefix(const QString& path) {
    return sys::DecodeFileName(nameOf(sys::EncodeFileName(path))) + QStringLiteral(".tmp-");
}

void RemoveStaleTemporaries(const QString& path) {
    const QByteArray target = resolveTarget(path);
    const QByteArray prefix = nameOf(target) + ".tmp-";
    DIR* dir = ::opendir(folderOf(target).constData());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        // A folder of that name is refused by unlinkat: only files go.
        if (name.size() == prefix.size() + kSuffixLength && name.startsWith(prefix))
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

}  // namespace lockedfile
