#include "platform/system/trash.h"

#include "platform/system/filenames.h"
#include "platform/system/sysutils.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray enc(const QString& path) { return sys::EncodeFileName(path); }

QString systemText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

bool lstatOf(const QString& path, struct stat& st) {
    return ::lstat(enc(path).constData(), &st) == 0;
}

bool statOf(const QString& path, struct stat& st) {
    return ::stat(enc(path).constData(), &st) == 0;
}

// A real folder (not a link to one) owned by us: nobody else may read what we trash
// or plant a link that sends it elsewhere.
bool isOwnFolder(const QString& path) {
    struct stat st {};
    return lstatOf(path, st) && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

// The path with every link and "." or ".." resolved; empty when it does not exist.
QString canonical(const QString& path) {
    char* real = ::realpath(enc(path).constData(), nullptr);
    if (!real) return QString();
    const QString resolved = sys::DecodeFileName(real);
    std::free(real);
    return resolved;
}

QString homeTrash() {
    QString data = sys::DecodeFileName(qgetenv("XDG_DATA_HOME"));
    if (!data.startsWith(u'/')) data = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(data + QStringLiteral("/Trash"));
}

// The top folder of the mount that holds `folder` (a canonical path): the highest
// ancestor on the same device.
QString mountTop(const QString& folder, dev_t device) {
    QString top = folder;
    while (top != QLatin1String("/")) {
        const QString parent = QFileInfo(top).path();
        struct stat st {};
        if (!statOf(parent, st) || st.st_dev != device) break;
        top = parent;
    }
    return top;
}

QString joined(const QString& folder, const QString& name) {
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

// A usable trash folder has files/ and info/ of its own.
bool prepareTrash(const QString& trash, QString* reason) {
    for (const char* sub : {"", "/files", "/info"}) {
        const QString path = trash + QLatin1String(sub);
        if (!sys::ForceDirectories(path, 0700)) {  // missing ones are made private
            if (reason) *reason = systemText(errno);
            return false;
        }
        if (!isOwnFolder(path)) {
            if (reason) *reason = QStringLiteral("%1 is not a folder of this user").arg(path);
            return false;
        }
    }
    return true;
}

// The trash of a mount's top folder, by the freedesktop.org trash rules: the
// administrator's shared one first, else the user's own; empty when neither serves.
QString topdirTrash(const QString& top, QString* reason) {
    const QString uid = QString::number(::getuid());
    const QString shared = joined(top, QStringLiteral(".Trash"));
    struct stat st {};
    // An administrator's .Trash counts only as a real folder with the sticky bit;
    // a link there could send the files anywhere.
    if (lstatOf(shared, st) && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const QString mine = shared + u'/' + uid;
        if (prepareTrash(mine, nullptr)) return mine;
    }
    const QString own = joined(top, QStringLiteral(".Trash-") + uid);
    if (prepareTrash(own, reason)) return own;
    return QString();
}

// The trash for a file whose folder is `folder` (canonical) on `device`; `top`
// receives the mount's top folder when its trash is chosen.
QString trashFor(const QString& folder, dev_t device, QString* top, QString* reason) {
    const QString home = homeTrash();
    QString homeReason;
    if (prepareTrash(home, &homeReason)) {
        struct stat st {};
        if (statOf(home, st) && st.st_dev == device) return home;
    } else {
        // Without a home trash the home file system has no trash at all.
        struct stat st {};
        QString existing = home;
        while (!statOf(existing, st) && existing != QLatin1String("/"))
            existing = QFileInfo(existing).path();
        if (st.st_dev == device) {
            if (reason) *reason = homeReason;
            return QString();
        }
    }
    *top = mountTop(folder, device);
    return topdirTrash(*top, reason);
}

// "Path=" value: the bytes of the name as the file system holds them, escaped as in
// URLs, "/" kept.
QByteArray escapedPath(const QString& path) {
    return enc(path).toPercentEncoding("/");
}

// A name holds at most NAME_MAX bytes, and the information file's name is the trashed
// name followed by ".trashinfo": a longer name is shortened in the trash. Its Path=
// keeps the whole original name.
constexpr qsizetype kMaxTrashedName = NAME_MAX - qsizetype(sizeof(".trashinfo") - 1);

// The longest start of `text` whose bytes fit in `room`, cut between characters only.
QString fittingStart(const QString& text, qsizetype room) {
    QString start = text;
    while (!start.isEmpty() && enc(start).size() > room) {
        start.chop(1);
        if (!start.isEmpty() && start.back().isHighSurrogate()) start.chop(1);
    }
    return start;
}

// Candidate names in the trash: "a.jpg", "a.2.jpg", "a.3.jpg"..., the part before the
// extension shortened when the name would not fit.
QString candidate(const QString& name, int n) {
    const QString number = n == 1 ? QString() : u'.' + QString::number(n);
    const int dot = name.lastIndexOf(u'.');
    if (dot > 0) {
        const QString extension = number + name.mid(dot);
        const QString stem = fittingStart(name.left(dot), kMaxTrashedName - enc(extension).size());
        if (!stem.isEmpty()) return stem + extension;
    }
    // No extension, or one too long to keep.
    return fittingStart(name, kMaxTrashedName - enc(number).size()) + number;
}

bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

// Moves without ever replacing what is there; false with errno set.
bool moveNoReplace(const QString& from, const QString& to) {
    if (::renameat2(AT_FDCWD, enc(from).constData(), AT_FDCWD, enc(to).constData(),
                    RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the no-replace flag: the name was checked free, and the
    // information file made exclusively reserves it.
    struct stat st {};
    if (lstatOf(to, st)) {
        errno = EEXIST;
        return false;
    }
    return ::rename(enc(from).constData(), enc(to).constData()) == 0;
}

}  // namespace

TrashResult MoveToTrash(const QString& path) {
    TrashResult result;
    const QFileInfo info(path);
    const QString name = info.fileName();
    const QString folder = canonical(info.path());
    struct stat st {};
    if (name.isEmpty() || folder.isEmpty() || !lstatOf(path, st)) {
        result.Reason = systemText(ENOENT);
        return result;
    }
    const QString source = joined(folder, name);

    QString top;
    const QString trash = trashFor(folder, st.st_dev, &top, &result.Reason);
    if (trash.isEmpty()) {
        if (result.Reason.isEmpty()) result.Reason = QStringLiteral("no trash on this file system");
        return result;
    }
    // In a mount's own trash the original place is kept relative to its top folder,
    // so the trash still holds when the file system is mounted elsewhere.
    QString original = source;
    if (!top.isEmpty()) original = QDir(top).relativeFilePath(source);

    for (int n = 1; n < 100000; ++n) {
        const QString unique = candidate(name, n);
        const QString target = trash + QStringLiteral("/files/") + unique;
        const QString infoPath = trash + QStringLiteral("/info/") + unique + QStringLiteral(".trashinfo");
        struct stat taken {};
        if (lstatOf(target, taken)) continue;
        // The information file comes first and is made exclusively: it reserves the
        // name against another program trashing a file of the same name.
        const int fd = ::open(enc(infoPath).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            result.Reason = systemText(errno);
            return result;
        }
        const QByteArray text =
            "[Trash Info]\nPath=" + escapedPath(original) + "\nDeletionDate=" +
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")).toLatin1() +
            "\n";
        const bool written = writeAll(fd, text) && ::fsync(fd) == 0;
        const int writeError = errno;
        ::close(fd);
        if (!written) {
            ::unlink(enc(infoPath).constData());
            result.Reason = systemText(writeError);
            return result;
        }
        if (moveNoReplace(source, target)) {
            result.Ok = true;
            result.TrashedPath = target;
            result.InfoPath = infoPath;
            return result;
        }
        const int moveError = errno;
        ::unlink(enc(infoPath).constData());
        if (moveError == EEXIST || moveError == ENOTEMPTY) continue;
        result.Reason = systemText(moveError);
        return result;
    }
    result.Reason = systemText(EEXIST);
    return result;
}
