// Replacing a JPEG file by its transformed copy without ever leaving it half-written.
//
// The original is read whole into memory, transformed there, and the result goes to
// a fresh temporary file beside it (same folder, so rename(2) is atomic), which is
// written fully, given the original's owner, extended attributes and mode, synced,
// read back and compared with the result. The result is decoded once as a check.
// Writing and checking run on threads of their own, each reading the result's pieces
// as the encoder hands them over, so both are done soon after the encoder. Only then,
// and only while the original is still what was read (inode, size, modification and
// change times: another program's edit is never undone), does it replace the
// original: by rename, or, for a file with several hard links, by rewriting the
// original in place from the verified bytes (the links stay one file), with the old
// bytes put back from memory when that rewrite fails. The folder is synced last. Bytes after the image's EOI are part of the result (picture.cpp).
//
// Statuses (diagnosis only, not a promise of the interface):
//   1 bad argument (empty path, code outside 1..5)   11 writing the copy failed
//   2 no such file                                   12 owner/xattrs/mode not copied
//   3 cannot open, or not a regular file             13 fsync of the copy failed
//   4 file above 1 GiB or image above 2^29 pixels    14 copy does not read back/decode
//   5 read error or file changed while read          15 rename failed
//   6 not a JPEG                                     16 target replaced or changed
//   7 unsupported coding (arithmetic, lossless...)   17 in-place rewrite failed,
//   8 damaged or refused headers                        original restored
//   9 image data refused (truncated, corrupt)       18 restoring failed as well
//  10 no temporary file beside the target            19 out of memory, 20 internal
// Every status but 0 and 18 leaves the file byte-for-byte as it was; 18 (a failed
// rewrite whose undoing failed too) keeps the verified copy, the temporary file, on
// disk as the last good data.
// Statuses 4 to 9 speak of any picture of the file: the first, or one that its MPF
// index lists after it (7 also of more than 64 such pictures).

#include "platform/vantrel/vantrel_internal.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <functional>
#include <string>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <system_error>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace vantrel {

int FileOps::Open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t FileOps::Pwrite(int fd, const void* buf, size_t count, off_t offset) {
    return ::pwrite(fd, buf, count, offset);
}
ssize_t FileOps::Pread(int fd, void* buf, size_t count, off_t offset) {
    return ::pread(fd, buf, count, offset);
}
int FileOps::Fsync(int fd) { return ::fsync(fd); }
int FileOps::Ftruncate(int fd, off_t length) { return ::ftruncate(fd, length); }
int FileOps::Rename(const char* from, const char* to) { return ::rename(from, to); }

namespace {

// Chunks stay well below the 2 GiB that one read or write may move.
constexpr size_t kChunk = size_t{1} << 28;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Removes the temporary file unless told to keep it.
class TempFile {
public:
    explicit TempFile(std::string path) : path_(std::move(path)) {}
    ~TempFile() {
        if (!keep_) ::unlink(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const char* path() const { return path_.c_str(); }
    void Keep() { keep_ = true; }
    void Remove() {
        ::unlink(path_.c_str());
        keep_ = true;
    }

private:
    std::string path_;
    bool keep_ = false;
};

struct Bytes {
    std::unique_ptr<uint8_t[]> data;
    size_t size = 0;
};

using Pieces = std::vector<Output::Piece>;

bool WriteAt(FileOps& ops, int fd, const uint8_t* data, size_t size, size_t offset) {
    size_t done = 0;
    while (done < size) {
        const size_t chunk = std::min(size - done, kChunk);
        const ssize_t n = ops.Pwrite(fd, data + done, chunk, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;  // a write that moves nothing would loop forever
        done += static_cast<size_t>(n);
    }
    return true;
}

bool WriteAll(FileOps& ops, int fd, const Pieces& pieces) {
    size_t offset = 0;
    for (const Output::Piece& p : pieces) {
        if (!WriteAt(ops, fd, p.data, p.size, offset)) return false;
        offset += p.size;
    }
    return true;
}

// The writer's job: each piece of the result as soon as it is there, and the
// deferred ones (the MPF index) once their bytes are final.
bool WriteOutput(FileOps& ops, int fd, Output& out) {
    size_t offset = 0;
    Output::Piece p;
    bool deferred = false;
    for (size_t i = 0; out.Get(i, p); ++i) {
        if (p.deferred)
            deferred = true;
        else if (!WriteAt(ops, fd, p.data, p.size, offset))
            return false;
        offset += p.size;
    }
    if (!out.Complete()) return false;
    if (!deferred) return true;
    try {
        offset = 0;
        for (const Output::Piece& q : out.Pieces()) {
            if (q.deferred && !WriteAt(ops, fd, q.data, q.size, offset)) return false;
            offset += q.size;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Reads exactly `size` bytes from offset 0; false on error or early end.
bool ReadExactly(FileOps& ops, int fd, uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const size_t chunk = std::min(size - done, kChunk);
        const ssize_t n = ops.Pread(fd, data + done, chunk, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// True when nothing follows the first `size` bytes.
bool AtEnd(FileOps& ops, int fd, size_t size) {
    uint8_t probe;
    for (;;) {
        const ssize_t n = ops.Pread(fd, &probe, 1, static_cast<off_t>(size));
        if (n < 0 && errno == EINTR) continue;
        return n == 0;
    }
}

// Whether the file holds exactly these bytes; compared piece by piece, so the check
// needs no second copy of the whole result.
bool SameBytes(FileOps& ops, int fd, const Pieces& pieces) {
    constexpr size_t kPiece = size_t{1} << 20;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kPiece]);
    if (!buffer) return false;
    size_t offset = 0;
    for (const Output::Piece& p : pieces) {
        size_t done = 0;
        while (done < p.size) {
            const size_t want = std::min(p.size - done, kPiece);
            const ssize_t n = ops.Pread(fd, buffer.get(), want, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0 || std::memcmp(buffer.get(), p.data + done, static_cast<size_t>(n)) != 0)
                return false;
            done += static_cast<size_t>(n);
        }
        offset += p.size;
    }
    return AtEnd(ops, fd, offset);
}

int FsyncRetry(FileOps& ops, int fd) {
    int rc;
    do {
        rc = ops.Fsync(fd);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

Status ReadOriginal(FileOps& ops, int fd, const struct stat& st, Bytes& bytes) {
    if (st.st_size < 0) return kReadFailed;
    if (static_cast<uint64_t>(st.st_size) > kMaxFileSize) return kTooLarge;
    bytes.size = static_cast<size_t>(st.st_size);
    bytes.data.reset(new (std::nothrow) uint8_t[bytes.size + 1]);
    if (!bytes.data) return kNoMemory;
    if (!ReadExactly(ops, fd, bytes.data.get(), bytes.size)) return kReadFailed;
    if (!AtEnd(ops, fd, bytes.size)) return kReadFailed;  // grew while we read
    return kOk;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string RandomName() {
    uint64_t r = 0;
    if (getrandom(&r, sizeof r, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof r)) {
        struct timespec ts {};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        r = (uint64_t(ts.tv_sec) * 1000000007u) ^ uint64_t(ts.tv_nsec) ^
            (uint64_t(getpid()) << 40) ^ reinterpret_cast<uintptr_t>(&ts);
    }
    char name[40];
    std::snprintf(name, sizeof name, ".vantrel-%016llx.tmp", static_cast<unsigned long long>(r));
    return name;
}

// Creates the temporary file with O_EXCL, so an existing file (or a planted link) is
// never opened; it is readable too, for the check after writing.
int CreateTemp(FileOps& ops, const std::string& folder, std::string& path) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        path = folder + (folder == "/" ? "" : "/") + RandomName();
        const int fd = ops.Open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                                S_IRUSR | S_IWUSR);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool Ignorable(int err) { return err == ENOTSUP || err == EOPNOTSUPP || err == EPERM || err == EACCES; }

// Every extended attribute the kernel lets us set again: user.* always, security.*
// and trusted.* where permitted, ACLs where the file system has them.
bool CopyXattrs(int from, int to) {
    std::vector<char> names;
    for (int attempt = 0;; ++attempt) {
        const ssize_t size = flistxattr(from, nullptr, 0);
        if (size < 0) return Ignorable(errno);
        if (size == 0) return true;
        names.resize(static_cast<size_t>(size));
        const ssize_t got = flistxattr(from, names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<size_t>(got));
            break;
        }
        if (errno != ERANGE || attempt == 3) return false;  // list grew: ask again
    }
    std::vector<char> value;
    for (size_t pos = 0; pos < names.size();) {
        const char* name = names.data() + pos;
        const size_t len = strnlen(name, names.size() - pos);
        if (pos + len >= names.size()) break;  // unterminated last name
        pos += len + 1;
        ssize_t got = -1;
        for (int attempt = 0; attempt < 4; ++attempt) {
            const ssize_t size = fgetxattr(from, name, nullptr, 0);
            if (size < 0) break;
            value.resize(static_cast<size_t>(size));
            got = fgetxattr(from, name, value.data(), value.size());
            if (got >= 0 || errno != ERANGE) break;
        }
        if (got < 0) {
            if (errno == ENODATA || Ignorable(errno)) continue;  // removed meanwhile
            return false;
        }
        if (fsetxattr(to, name, value.data(), static_cast<size_t>(got), 0) != 0 &&
            !Ignorable(errno))
            return false;
    }
    return true;
}

// Owner first (a chown may clear set-id bits), then xattrs (an ACL may touch the mode
// bits), then the mode.
bool CopyMetadata(int from, int to, const struct stat& st) {
    if (fchown(to, st.st_uid, st.st_gid) != 0) {
        if (errno != EPERM) return false;
        if (fchown(to, static_cast<uid_t>(-1), st.st_gid) != 0 && errno != EPERM) return false;
    }
    if (!CopyXattrs(from, to)) return false;
    return fchmod(to, st.st_mode & 07777) == 0;
}

// A job on a thread of its own that reads `feeds` as it grows (run at Wait when no
// thread can be had); its result is a status. Leaving lets the job go by finishing `feeds` first, so an early
// return never waits on a result that will not come.
class Worker {
public:
    Worker(Output& feeds, std::function<Status()> job) : feeds_(feeds), job_(std::move(job)) {
        try {
            thread_ = std::thread([this] { ok_ = job_(); });
        } catch (const std::system_error&) {
            deferred_ = true;
        }
    }
    ~Worker() {
        feeds_.Finish(false);
        if (thread_.joinable()) thread_.join();
    }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;
    Status Wait() {
        if (thread_.joinable()) thread_.join();
        if (deferred_) {
            deferred_ = false;
            ok_ = job_();
        }
        return ok_;
    }

private:
    Output& feeds_;
    std::function<Status()> job_;
    std::thread thread_;
    bool deferred_ = false;
    Status ok_ = kInternal;
};

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Still the file that was read: the same inode, and nobody has written it (or set its
// times) since. Another program's edit in place keeps the inode but not these.
bool Unchanged(const struct stat& read, const struct stat& now) {
    return read.st_dev == now.st_dev && read.st_ino == now.st_ino &&
           read.st_size == now.st_size && SameTime(read.st_mtim, now.st_mtim) &&
           SameTime(read.st_ctim, now.st_ctim);
}

void SyncFolder(const std::string& folder) {
    // The rename is done; a folder that cannot be synced does not undo it.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
}

bool Rewrite(FileOps& ops, int fd, const Pieces& pieces) {
    size_t size = 0;
    for (const Output::Piece& p : pieces) size += p.size;
    return WriteAll(ops, fd, pieces) &&
           ops.Ftruncate(fd, static_cast<off_t>(size)) == 0 && FsyncRetry(ops, fd) == 0;
}

// The hard-linked case: the links must stay one file, so the original's own inode is
// rewritten from the verified copy.
Status RewriteInPlace(FileOps& ops, const std::string& target, const struct stat& st,
                      const Bytes& original, const Pieces& result, TempFile& temp) {
    Fd fd(ops.Open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0));
    if (fd.get() < 0) return kInPlaceFailed;
    struct stat now {};
    if (fstat(fd.get(), &now) != 0 || !Unchanged(st, now)) return kChanged;
    if (Rewrite(ops, fd.get(), result)) return kOk;
    if (Rewrite(ops, fd.get(), Pieces{{original.data.get(), original.size}})) return kInPlaceFailed;
    temp.Keep();
    return kRestoreFailed;
}

}  // namespace

Status TransformFile(const char* path, uint16_t code, FileOps& ops, ThumbnailFate* fate) {
    if (path == nullptr || *path == '\0' || code < 1 || code > 5) return kBadArgument;

    // A link is followed to its target, so that the copy lies beside the target and
    // the link stays a link.
    std::unique_ptr<char, decltype(&std::free)> real(realpath(path, nullptr), &std::free);
    if (!real) return errno == ENOENT || errno == ENOTDIR ? kMissing : kOpenFailed;
    const std::string target(real.get());

    // Only a regular file is opened, and never in a way that can wait: a FIFO or a
    // device named like a photo would otherwise block the open or the read.
    struct stat kind {};
    if (::stat(target.c_str(), &kind) != 0) return errno == ENOENT ? kMissing : kOpenFailed;
    if (!S_ISREG(kind.st_mode)) return kOpenFailed;
    Fd source(ops.Open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0));
    if (source.get() < 0) return errno == ENOENT ? kMissing : kOpenFailed;
    struct stat st {};
    if (fstat(source.get(), &st) != 0 || !S_ISREG(st.st_mode)) return kOpenFailed;
    // Replacing by rename needs only the folder's write permission; the file's own
    // permission is what says whether it may be rewritten.
    if (::access(target.c_str(), W_OK) != 0) return kNotWritable;

    Bytes original;
    Status status = ReadOriginal(ops, source.get(), st, original);
    if (status != kOk) return status;

    FrameInfo frame;
    status = ProbeFrame(original.data.get(), original.size, frame);
    if (status != kOk) return status;
    int width = 0, height = 0;
    TransformedSize(frame, code, width, height);

    const std::string folder = FolderOf(target);
    std::string tempPath;
    Fd tempFd(CreateTemp(ops, folder, tempPath));
    if (tempFd.get() < 0) return kTempFailed;
    TempFile temp(tempPath);

    // The writer also gives the copy the original's metadata and syncs it, while the
    // transform's memory is being released.
    const bool inPlace = st.st_nlink > 1;
    Output result;
    Worker writer(result, [&] {
        if (!WriteOutput(ops, tempFd.get(), result)) return kWriteFailed;
        if (!inPlace && !CopyMetadata(source.get(), tempFd.get(), st)) return kMetadataFailed;
        return FsyncRetry(ops, tempFd.get()) == 0 ? kOk : kSyncFailed;
    });
    Worker check(result, [&] { return DecodesAs(result, width, height) ? kOk : kVerifyFailed; });
    status = TransformBuffer(original.data.get(), original.size, frame, code, result, fate);
    const Status written = writer.Wait();
    if (status != kOk) return status;
    if (written != kOk) return written;

    // Read back, so that the check covers what the file holds, not what we meant to
    // write: a file system (FUSE, network) or another writer can make the two differ
    // where pwrite's count does not show it. From the page cache this costs about 1%
    // and mostly runs while the decode check finishes.
    const Pieces pieces = result.Pieces();
    if (!SameBytes(ops, tempFd.get(), pieces) || check.Wait() != kOk) return kVerifyFailed;

    if (inPlace) {
        status = RewriteInPlace(ops, target, st, original, pieces, temp);
        if (status == kOk) {
            temp.Remove();  // only now that the rewrite is synced
            SyncFolder(folder);
        }
        return status;
    }

    // As late as can be: what another program wrote meanwhile is never undone.
    struct stat now {};
    if (::stat(target.c_str(), &now) != 0 || !Unchanged(st, now)) return kChanged;
    if (ops.Rename(temp.path(), target.c_str()) != 0) return kReplaceFailed;
    temp.Keep();  // it is the target now
    SyncFolder(folder);
    return kOk;
}

}  // namespace vantrel
