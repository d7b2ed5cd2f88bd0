#include "platform/system/settingsstore.h"

#include "platform/system/filenames.h"
#include "platform/system/sysutils.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// The number in a small sysfs attribute file, nullopt when it is missing.
// POSIX calls on purpose: a path such as ".../sda1/../removable" must go through the
// kernel, which resolves ".." after the link, and not be cleaned up as text.
std::optional<int> readFlag(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    char buf[16] = {};
    const ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    if (n <= 0) return std::nullopt;
    bool ok = false;
    const int v = QByteArray(buf, n).trimmed().toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

bool removableAt(const QByteArray& dir, int depth) {
    if (depth > 8) return false;  // sysfs has no loops, but a tree handed to us might
    if (readFlag(dir + "/removable") == 1) return true;
    if (readFlag(dir + "/partition") && readFlag(dir + "/../removable") == 1) return true;
    // A mapped or RAID device is on a removable drive when one beneath it is.
    DIR* slaves = ::opendir((dir + "/slaves").constData());
    if (!slaves) return false;
    bool removable = false;
    while (const dirent* e = ::readdir(slaves)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        if (removableAt(dir + "/slaves/" + e->d_name, depth + 1)) {
            removable = true;
            break;
        }
    }
    ::closedir(slaves);
    return removable;
}

}  // namespace

bool IsBlockDeviceRemovable(const QString& sysfsRoot, dev_t device) {
    // Virtual and network file systems have anonymous devices (major 0) that have
    // no entry here, so they come out false.
    const QByteArray dir = sys::EncodeFileName(sysfsRoot) + "/dev/block/" +
                           QByteArray::number(major(device)) + ':' + QByteArray::number(minor(device));
    return removableAt(dir, 0);
}

bool IsOnRemovableDrive() {
    const QString exe = sys::ExecutablePath();
    struct stat st {};
    if (exe.isEmpty() || ::stat(sys::EncodeFileName(exe).constData(), &st) != 0) return false;
    return IsBlockDeviceRemovable(QStringLiteral("/sys"), st.st_dev);
}

QString IniPathForExecutable(const QString& executable) {
    const qsizetype slash = executable.lastIndexOf(u'/');
    const qsizetype dot = executable.lastIndexOf(u'.');
    // A dot that starts the name (".orlisk") marks a hidden file, not an extension.
    if (dot > slash + 1) return executable.left(dot) + QStringLiteral(".ini");
    return executable + QStringLiteral(".ini");
}

QString ResolveStoredLanguage(const QString& stored) {
    if (stored.isEmpty() || stored.startsWith(u'/')) return stored;
    return sys::ExecutableFolder() + u'/' + stored;
}

QString PortableIniPath() { return IniPathForExecutable(sys::ExecutablePath()); }

std::unique_ptr<TCustomIniFile> OpenSettingsStore() {
    if (IsOnRemovableDrive()) return std::make_unique<TIniFile>(PortableIniPath());
    return OpenRegistrySettings();
}

std::unique_ptr<TRegistryIniFile> OpenRegistrySettings() {
    return std::make_unique<TRegistryIniFile>(kSettingsKey);
}
