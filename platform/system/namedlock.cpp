#include "platform/system/namedlock.h"

#include "platform/system/filenames.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QString kGlobalPrefix = QStringLiteral("Global\\");

QString fileNameOf(const QString& name) {
    QString n = name;
    n.replace(u'\\', u'-').replace(u'/', u'-');
    return n + QStringLiteral(".lock");
}

// Opens without following links (a planted link in /tmp must not make us create or
// lock another file) and read-only, which is all flock() needs: so a lock file in
// /tmp made by another user still works for everyone.
int openLockFile(const QString& path) {
    const QByteArray p = sys::EncodeFileName(path);
    int fd = ::open(p.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0 && errno == ENOENT)
        fd = ::open(p.constData(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0 && errno == EEXIST)  // made by another process just now
        fd = ::open(p.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    return fd;
}

std::unique_ptr<NamedLock>& instanceLock(int which) {
    static std::unique_ptr<NamedLock> locks[2];
    return locks[which];
}

// The machine's shared temporary folder: $TMPDIR when it names an absolute path, as
// every program that follows the convention takes it, else /tmp. A session (or a
// test) given a TMPDIR of its own therefore never meets another session's locks.
QString inTempFolder(const QString& fileName) {
    QString tmp = sys::DecodeFileName(qgetenv("TMPDIR"));
    if (!tmp.startsWith(u'/')) tmp = QStringLiteral("/tmp");
    if (!tmp.endsWith(u'/')) tmp += u'/';
    return tmp + fileName;
}

}  // namespace

QString NamedLock::FilePathFor(const QString& name) {
    if (name.startsWith(kGlobalPrefix)) return inTempFolder(fileNameOf(name));
    const QString runtime = sys::DecodeFileName(qgetenv("XDG_RUNTIME_DIR"));
    if (!runtime.isEmpty() && runtime.startsWith(u'/')) return runtime + u'/' + fileNameOf(name);
    // The temporary folder is shared by every user, while a plain name belongs to one
    // user's session.
    return inTempFolder(fileNameOf(name).chopped(5) + u'-' + QString::number(::getuid()) +
                        QStringLiteral(".lock"));
}

NamedLock::NamedLock(const QString& name) : path_(FilePathFor(name)) {
    const int fd = openLockFile(path_);
    if (fd < 0) return;
    // Shared, so that every running instance holds it, as every instance holds a
    // handle of the same mutex: the lock shows a running window mode until the last
    // one ends. Never waited on.
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

NamedLock::~NamedLock() {
    if (fd_ >= 0) ::close(fd_);
}

bool NamedLock::IsLocked(const QString& filePath) {
    const int fd = ::open(sys::EncodeFileName(filePath).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    // A separate open file description conflicts with every other holder, even one
    // in this process.
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

void CreateInstanceMutexes(const QString& name) {
    instanceLock(0) = std::make_unique<NamedLock>(name);
    instanceLock(1) = std::make_unique<NamedLock>(kGlobalPrefix + name);
}

void CloseInstanceMutexes() {
    instanceLock(0).reset();
    instanceLock(1).reset();
}
