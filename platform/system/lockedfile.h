#pragma once
// Whole-file documents that several processes read and rewrite (the registry file,
// the portable INI file). A lock file beside the document serialises the writers;
// a rewrite goes to a temporary file in the same folder, is synced and renamed over
// the document, so a reader sees either the old or the new file whole, and a crash
// at any moment leaves the old one in place.

#include <QByteArray>
#include <QString>
#include <sys/types.h>

namespace lockedfile {

// flock() on `documentPath` + ".lock", held while the object lives. Shared for
// readers, exclusive for writers; both wait for the other kind. Only a writer creates
// the lock file. Held() is false when the lock file could not be opened (none yet, a
// read-only folder); a reader then goes on unlocked, a writer must not.
class FileLock {
public:
    FileLock(const QString& documentPath, bool exclusive);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return held_; }
    int Error() const { return error_; }

private:
    int fd_ = -1;
    bool held_ = false;
    int error_ = 0;
};

// Reads the whole document. 0 on success (`exists` false and `bytes` empty when it is
// missing), else errno; EFBIG when it is larger than `maxBytes`.
int ReadDocument(const QString& path, QByteArray& bytes, bool& exists, qint64 maxBytes);

// Replaces the document: temporary file beside it (created with `newFileMode`, the
// umask applied, or the mode of the existing document), written, fsync'd, renamed
// over it, the folder fsync'd. A symbolic link is followed, so the link stays. 0 on
// success, else errno; on failure the document is unchanged and no temporary file
// is left. Call it under the exclusive lock.
int ReplaceDocument(const QString& path, const QByteArray& bytes, mode_t newFileMode);

// Removes temporary files that a writer killed between write and rename left beside
// the document. Only safe under the exclusive lock, when no writer can be busy.
void RemoveStaleTemporaries(const QString& path);

// The prefix of those temporary files' names (the document's name + ".tmp-").
QString TemporaryPrefix(const QString& path);

}  // namespace lockedfile
