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
    QString Path() const { return dir_.path(); }
    QString File(const QString& name) const { return dir_.path() + "/" + name; }
private:
    QTemporaryDir dir_;
};

// Points HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR of this process at a fresh
// temporary folder for the object's life; Env() gives the same for a child process.
class TempHome {
public:
    TempHome();
    ~TempHome();
    QString Path() const { return dir_.Path(); }
    QString ConfigHome() const { return dir_.Path() + "/.config"; }
    QString RuntimeDir() const { return dir_.Path() + "/run"; }
    QProcessEnvironment Env() const;
private:
    TempDir dir_;
    QByteArray oldHome_, oldConfig_, oldRuntime_;
};

}  // namespace testsupport
