#pragma once
// Temporary folders and files, and a temporary HOME for anything that keeps settings.

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/stat.h>

namespace testsupport {

QByteArray ReadFile(const QString& path);
// Everything written so far to a stdio stream (a tmpfile standing in for stderr).
QString ReadStream(std::FILE* stream);
void WriteFile(const QString& path, const QByteArray& bytes);  // creates folders too

struct FileStat {
    struct timespec atime {}, mtime {};
    mode_t mode = 0;
    bool exists = false;
};
FileStat Stat(const QString& path);
// Sets both times to the given seconds and nanoseconds.
void SetTimes(const QString& path, long long sec, long nsec);

// A temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    QString Path() const { return dir_.path(); }
    QString File(const QString& name) const { return dir_.path() + "/" + name; }
private:
    QTemporaryDir dir_;
};

// Points HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR and TMPDIR of this
// process at a fresh temporary folder for the object's life; Env() gives the same for
// a child process. So nothing a test runs meets the settings, the trash or the
// instance locks of the machine's real user.
class TempHome {
public:
    TempHome();
    ~TempHome();
    QString Path() const { return dir_.Path(); }
    QString ConfigHome() const { return dir_.Path() + "/.config"; }
    QString DataHome() const { return dir_.Path() + "/.local/share"; }
    QString RuntimeDir() const { return dir_.Path() + "/run"; }
    QString TmpDir() const { return dir_.Path() + "/tmp"; }
    QProcessEnvironment Env() const;
private:
    TempDir dir_;
    QByteArray oldHome_, oldConfig_, oldData_, oldRuntime_, oldTmp_;
};

}  // namespace testsupport
