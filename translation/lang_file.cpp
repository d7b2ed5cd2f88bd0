#include "translation/lang_file.h"

#include "platform/system/exceptions.h"
#include "platform/system/filenames.h"
#include "platform/system/sysutils.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lang {

namespace {

class FdGuard {
public:
    explicit FdGuard(int fd) : fd_(fd) {}
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    ~FdGuard() { ::close(fd_); }
    int get() const { return fd_; }

private:
    int fd_;
};

// Well-formed UTF-8 as the Unicode standard defines it: no overlong forms, no
// surrogates, nothing above U+10FFFF, no truncated sequence at the end.
bool IsStrictUtf8(const char* data, qsizetype size) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    qsizetype i = 0;
    auto cont = [&](qsizetype at, unsigned char lo = 0x80, unsigned char hi = 0xBF) {
        return at < size && p[at] >= lo && p[at] <= hi;
    };
    while (i < size) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
        } else if (b >= 0xC2 && b <= 0xDF) {
            if (!cont(i + 1)) return false;
            i += 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            const unsigned char lo = b == 0xE0 ? 0xA0 : 0x80;
            const unsigned char hi = b == 0xED ? 0x9F : 0xBF;
            if (!cont(i + 1, lo, hi) || !cont(i + 2)) return false;
            i += 3;
        } else if (b >= 0xF0 && b <= 0xF4) {
            const unsigned char lo = b == 0xF0 ? 0x90 : 0x80;
            const unsigned char hi = b == 0xF4 ? 0x8F : 0xBF;
            if (!cont(i + 1, lo, hi) || !cont(i + 2) || !cont(i + 3)) return false;
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

[[noreturn]] void ThrowOpenError(const QString& path, int error) {
    const QString full = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    throw EFOpenError(sys::Format(QStringLiteral("Cannot open file \"%s\". %s"),
                                  {sys::DisplayFileName(full), QString::fromLocal8Bit(std::strerror(error))}));
}

// The whole file, or nullopt when it counts as having no entries.
std::optional<QByteArray> ReadWhole(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    const QByteArray native = sys::EncodeFileName(path);
    if (native.contains('\0')) return std::nullopt;  // no such name can exist

    struct stat st {};
    if (::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;

    // O_NONBLOCK: should the name be swapped for a FIFO after the check, open must
    // not hang waiting for a writer.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) ThrowOpenError(path, errno);
    FdGuard guard(fd);

    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    if (st.st_size > kMaxLanguageFileSize) return std::nullopt;

    // Read up to one byte past the cap, so a file that grew meanwhile is caught too.
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(st.st_size) + 1);
    qsizetype got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (bytes.size() > kMaxLanguageFileSize) return std::nullopt;
            bytes.resize(std::min<qsizetype>(bytes.size() * 2, kMaxLanguageFileSize + 1));
        }
        const ssize_t n = ::read(fd, bytes.data() + got, static_cast<size_t>(bytes.size() - got));
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) break;
        got += n;
    }
    if (got > kMaxLanguageFileSize) return std::nullopt;
    bytes.truncate(got);
    return bytes;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// A piece of the text; bytes up to 0x20 in UTF-8 are exactly the characters up to
// U+0020, so trimming on bytes equals trimming on characters.
struct Span {
    const char* p;
    qsizetype n;

    Span Trimmed() const {
        qsizetype b = 0, e = n;
        while (b < e && IsBlank(p[b])) ++b;
        while (e > b && IsBlank(p[e - 1])) --e;
        return {p + b, e - b};
    }
    Span Mid(qsizetype from, qsizetype len) const { return {p + from, len}; }
    qsizetype IndexOf(char c) const {
        const void* hit = n > 0 ? std::memchr(p, c, static_cast<size_t>(n)) : nullptr;
        return hit ? static_cast<const char*>(hit) - p : -1;
    }
    QString Upper() const { return QString::fromUtf8(p, n).toUpper(); }
    QString Text() const { return QString::fromUtf8(p, n); }
};

// Calls onSection(name) for every section line and onEntry(name, value) for every
// entry line that has a "=", in file order; lines before the first section, empty
// lines, comments and lines without "=" are passed over.
template <typename OnSection, typename OnEntry>
void ForEachLine(const QByteArray& text, OnSection onSection, OnEntry onEntry) {
    const char* p = text.constData();
    const qsizetype size = text.size();
    bool inSection = false;
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = start;
        while (end < size && p[end] != '\r' && p[end] != '\n') ++end;
        // A CR LF pair leaves an empty line between them, which is skipped anyway.
        const Span line = Span{p + start, end - start}.Trimmed();
        start = end + 1;
        if (line.n == 0 || line.p[0] == ';') continue;
        if (line.n >= 2 && line.p[0] == '[' && line.p[line.n - 1] == ']') {
            inSection = true;
            onSection(line.Mid(1, line.n - 2).Trimmed());
            continue;
        }
        if (!inSection) continue;
        const qsizetype eq = line.IndexOf('=');
        if (eq < 0) continue;  // no name: matches no key
        onEntry(line.Mid(0, eq).Trimmed(), line.Mid(eq + 1, line.n - eq - 1).Trimmed());
    }
}

}  // namespace

LanguageFileData LanguageFileData::Read(const QString& path) {
    const std::optional<QByteArray> bytes = ReadWhole(path);
    return bytes ? FromBytes(*bytes) : LanguageFileData();
}

LanguageFileData LanguageFileData::FromBytes(const QByteArray& bytes) {
    LanguageFileData file;
    qsizetype from = 0;
    if (bytes.startsWith("\xEF\xBB\xBF")) from = 3;
    // The whole text is checked before it is cut at a NUL: one bad sequence anywhere
    // means the text decodes to nothing.
    if (!IsStrictUtf8(bytes.constData() + from, bytes.size() - from)) return file;
    qsizetype end = bytes.indexOf('\0', from);
    if (end < 0) end = bytes.size();
    file.text_ = bytes.mid(from, end - from);
    return file;
}

std::vector<std::optional<QString>> LanguageFileData::Lookup(const QString& section,
                                                             const QStringList& keys) const {
    std::vector<std::optional<QString>> result(static_cast<size_t>(keys.size()));
    if (text_.isEmpty() || keys.isEmpty()) return result;

    // Keys that upper-case alike share one slot.
    QHash<QString, qsizetype> slotOf;
    std::vector<qsizetype> slotOfKey;
    slotOfKey.reserve(static_cast<size_t>(keys.size()));
    for (const QString& key : keys) {
        const QString upper = key.toUpper();
        auto it = slotOf.constFind(upper);
        if (it == slotOf.cend()) it = slotOf.insert(upper, slotOf.size());
        slotOfKey.push_back(it.value());
    }

    // One pass: a matching section line starts the search afresh, so the last section
    // of that name is the one searched and its last entry of a name wins.
    const QString wanted = section.toUpper();
    std::vector<std::optional<Span>> found(static_cast<size_t>(slotOf.size()));
    bool searching = false;
    ForEachLine(
        text_,
        [&](Span name) {
            searching = name.Upper() == wanted;
            if (searching) std::fill(found.begin(), found.end(), std::nullopt);
        },
        [&](Span name, Span value) {
            if (!searching) return;
            const auto it = slotOf.constFind(name.Upper());
            if (it != slotOf.cend()) found[static_cast<size_t>(it.value())] = value;
        });

    for (size_t i = 0; i < result.size(); ++i)
        if (const auto& span = found[static_cast<size_t>(slotOfKey[i])]) result[i] = span->Text();
    return result;
}

QString LanguageFileData::ReadString(const QString& section, const QString& key,
                                     const QString& def) const {
    const auto values = Lookup(section, QStringList{key});
    return values.front().value_or(def);
}

}  // namespace lang
