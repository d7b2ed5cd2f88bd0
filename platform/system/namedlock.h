#pragma once
// Named locks that show other processes that the window mode runs (the instance
// "mutexes"). A lock is a file with a shared flock() while the NamedLock lives, so
// every running instance holds it and it stays locked until the last one ends: in
// $XDG_RUNTIME_DIR for a plain name (in the temporary folder, with the user's id in
// the file name, when XDG_RUNTIME_DIR is unset), in the temporary folder for a name
// that starts with "Global\". The temporary folder is $TMPDIR when that is an
// absolute path, else /tmp.
// Nothing ever waits on one: a lock that cannot be created or is already held by
// another process is simply not held, and the program runs on the same.

#include <QString>

class NamedLock {
public:
    explicit NamedLock(const QString& name);
    ~NamedLock();
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;

    bool Held() const { return fd_ >= 0; }
    const QString& FilePath() const { return path_; }

    // The lock file of a name in the current environment.
    static QString FilePathFor(const QString& name);
    // Whether some open file (of this or another process) holds the lock file now.
    static bool IsLocked(const QString& filePath);

private:
    QString path_;
    int fd_ = -1;
};

// The two instance locks of the window mode: `name` and "Global\" + `name`, held
// until CloseInstanceMutexes. Failures are ignored.
void CreateInstanceMutexes(const QString& name);
void CloseInstanceMutexes();
