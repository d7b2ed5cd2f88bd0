#include "tests/support/files.h"

#include "platform/system/filenames.h"
#include "platform/system/sysutils.h"

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <fcntl.h>
#include <ftw.h>
#include <stdexcept>
#include <unistd.h>

namespace testsupport {

// Files are opened by the name's own bytes, so a test may name a file in bytes that
// are not UTF-8 as the program does.
QByteArray ReadFile(const QString& path) {
    QFile f;
    const int fd = ::open(sys::EncodeFileName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || !f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) ::close(fd);
        return QByteArray();
    }
    return f.readAll();
}

QString ReadStream(std::FILE* stream) {
    std::fflush(stream);
    std::rewind(stream);
    QByteArray bytes;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, stream)) > 0) bytes.append(buf, static_cast<qsizetype>(n));
    return QString::fromUtf8(bytes);
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    sys::ForceDirectories(sys::ExtractFilePath(path));
    QFile f;
    const int fd = ::open(sys::EncodeFileName(path).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 || !f.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) ||
        f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

FileStat Stat(const QString& path) {
    FileStat s;
    struct stat st {};
    if (::stat(sys::EncodeFileName(path).constData(), &st) != 0) return s;
    s.exists = true;
    s.atime = st.st_atim;
    s.mtime = st.st_mtim;
    s.mode = st.st_mode;
    return s;
}

void SetTimes(const QString& path, long long sec, long nsec) {
    struct timespec t[2];
    t[0].tv_sec = t[1].tv_sec = static_cast<time_t>(sec);
    t[0].tv_nsec = t[1].tv_nsec = nsec;
    if (::utimensat(AT_FDCWD, sys::EncodeFileName(path).constData(), t, 0) != 0)
        throw std::runtime_error("cannot set times of " + path.toStdString());
}

TempDir::TempDir() : dir_(QDir::tempPath() + "/orlisk-test-XXXXXX") {
    if (!dir_.isValid()) throw std::runtime_error("cannot make a temporary folder");
}

// Removed by the names' own bytes first: Qt's removal would pass over a name that is
// not UTF-8. Whatever is left (a folder a test made unwritable) is Qt's to remove.
TempDir::~TempDir() {
    ::nftw(sys::EncodeFileName(dir_.path()).constData(),
           [](const char* path, const struct stat*, int, FTW*) {
               ::remove(path);
               return 0;
           },
           16, FTW_DEPTH | FTW_PHYS);
    struct stat st {};
    if (::lstat(sys::EncodeFileName(dir_.path()).constData(), &st) != 0) dir_.setAutoRemove(false);
}

namespace {
QByteArray getenvOrNull(const char* name) {
    const char* v = std::getenv(name);
    return v ? QByteArray(v) : QByteArray();
}
void restore(const char* name, const QByteArray& old) {
    if (old.isNull())
        unsetenv(name);
    else
        setenv(name, old.constData(), 1);
}
}  // namespace

TempHome::TempHome()
    : oldHome_(getenvOrNull("HOME")),
      oldConfig_(getenvOrNull("XDG_CONFIG_HOME")),
      oldData_(getenvOrNull("XDG_DATA_HOME")),
      oldRuntime_(getenvOrNull("XDG_RUNTIME_DIR")),
      oldTmp_(getenvOrNull("TMPDIR")) {
    QDir().mkpath(ConfigHome());
    QDir().mkpath(DataHome());
    QDir().mkpath(RuntimeDir());
    QDir().mkpath(TmpDir());
    QFile::setPermissions(RuntimeDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ExeOwner);
    setenv("HOME", QFile::encodeName(Path()).constData(), 1);
    setenv("XDG_CONFIG_HOME", QFile::encodeName(ConfigHome()).constData(), 1);
    setenv("XDG_DATA_HOME", QFile::encodeName(DataHome()).constData(), 1);
    setenv("XDG_RUNTIME_DIR", QFile::encodeName(RuntimeDir()).constData(), 1);
    setenv("TMPDIR", QFile::encodeName(TmpDir()).constData(), 1);
}

TempHome::~TempHome() {
    restore("HOME", oldHome_);
    restore("XDG_CONFIG_HOME", oldConfig_);
    restore("XDG_DATA_HOME", oldData_);
    restore("XDG_RUNTIME_DIR", oldRuntime_);
    restore("TMPDIR", oldTmp_);
}

QProcessEnvironment TempHome::Env() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", Path());
    env.insert("XDG_CONFIG_HOME", ConfigHome());
    env.insert("XDG_DATA_HOME", DataHome());
    env.insert("XDG_RUNTIME_DIR", RuntimeDir());
    env.insert("TMPDIR", TmpDir());
    return env;
}

}  // namespace testsupport
