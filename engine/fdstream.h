#pragma once
// A file opened by descriptor, read and written at explicit positions. Every read and
// write is checked against the size the file had when it was opened, so nothing is
// read beyond the end and the file never grows. Failures raise FdStream::Failure.

#include <QString>
#include <cstddef>
#include <cstdint>

class FdStream {
public:
    struct Failure {};

    enum class Lock { Shared, Exclusive };
    // Opens an existing regular file and takes a non-blocking flock of the given
    // kind; IsOpen() is false when the file is missing, not a regular file, or
    // locked by another holder in a conflicting way.
    FdStream(const QString& fileName, bool writable, Lock lock);
    ~FdStream();
    FdStream(const FdStream&) = delete;
    FdStream& operator=(const FdStream&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int64_t Size() const { return size_; }
    int64_t Position() const { return pos_; }
    void Seek(int64_t pos) { pos_ = pos; }

    // Reads up to n bytes at `at` without moving; returns how many (0 on error).
    size_t ReadAt(int64_t at, void* buffer, size_t n) const;
    // Writes exactly n bytes at the position, only inside the file's size.
    void Write(const void* buffer, size_t n);

private:
    int fd_ = -1;
    int64_t size_ = 0;
    int64_t pos_ = 0;
};
