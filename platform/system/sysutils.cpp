#include "platform/system/sysutils.h"

#include "platform/system/exceptions.h"
#include "platform/system/filenames.h"

#include <sys/stat.h>
#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>
#include <climits>

EOSError::EOSError(int errorCode)
    : Exception(QStringLiteral("System Error.  Code: %1.\n%2")
                    .arg(errorCode)
                    .arg(errorCode == 0 ? QStringLiteral("A call to an OS function failed")
                                        : QString::fromLocal8Bit(std::strerror(errorCode)))),
      code_(errorCode) {}

namespace sys {

QString Format(const QString& pattern, const QList<QVariant>& args) {
    QString out;
    out.reserve(pattern.size() + 32);
    qsizetype next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c != u'%' || i + 1 >= pattern.size()) {
            out += c;
            continue;
        }
        const QChar spec = pattern[i + 1];
        if (spec == u'%') {
            out += u'%';
            ++i;
        } else if ((spec == u's' || spec == u'd' || spec == u'u') && next < args.size()) {
            const QVariant& v = args[next++];
            if (spec == u's')
                out += v.toString();
            else if (spec == u'd')
                out += QString::number(v.toLongLong());
            else
                out += QString::number(v.toULongLong());
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

QString ExtractFileName(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? path : path.mid(slash + 1);
}

QString ExtractFilePath(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash + 1);
}

namespace {
int hexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}
}  // namespace

bool TryStrToInt(const QString& s, int& value) {
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n && s[i] == u' ') ++i;
    bool negative = false;
    if (i < n && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
    if (i < n && s[i] == u'$') {
        ++i;
        if (i >= n || n - i > 8) return false;
        quint32 v = 0;
        for (; i < n; ++i) {
            const int d = hexDigit(s[i].unicode());
            if (d < 0) return false;
            v = v * 16 + static_cast<quint32>(d);
        }
        if (negative) v = 0u - v;
        value = static_cast<int>(v);
        return true;
    }
    if (i >= n) return false;
    qint64 v = 0;
    for (; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (c < u'0' || c > u'9') return false;
        v = v * 10 + (c - u'0');
        if (v > 2147483648LL) return false;  // stops growth long before overflow
    }
    if (negative) v = -v;
    if (v > 2147483647LL) return false;
    value = static_cast<int>(v);
    return true;
}

int StrToIntDef(const QString& s, int def) {
    int v = 0;
    return TryStrToInt(s, v) ? v : def;
}

QString Trim(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 0x20) ++b;
    while (e > b && s[e - 1].unicode() <= 0x20) --e;
    return s.mid(b, e - b);
}

namespace {
QStringList& arguments() {
    static QStringList args;
    return args;
}
}  // namespace

void SetProcessArguments(const QStringList& args) { arguments() = args; }
const QStringList& ProcessArguments() { return arguments(); }

bool IsSwitch(const QString& argument, const QString& name) {
    if (argument.size() < 2 || (argument[0] != u'-' && argument[0] != u'/')) return false;
    return QStringView(argument).mid(1).compare(name, Qt::CaseInsensitive) == 0;
}

bool FindCmdLineSwitch(const QString& name) {
    for (const QString& a : arguments())
        if (IsSwitch(a, name)) return true;
    return false;
}

QString ExecutablePath() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return QString();
    return DecodeFileName(QByteArrayView(buf, n));
}

QString ExecutableFolder() {
    const QString exe = ExecutablePath();
    const qsizetype slash = exe.lastIndexOf(u'/');
    if (slash <= 0) return slash == 0 ? QStringLiteral("/") : QString();
    return exe.left(slash);
}

namespace {
bool StatMode(const QString& path, mode_t& mode) {
    if (path.isEmpty()) return false;
    struct stat st {};
    if (::stat(sys::EncodeFileName(path).constData(), &st) != 0) return false;
    mode = st.st_mode;
    return true;
}
}  // namespace

bool FileExists(const QString& path) {
    mode_t mode = 0;
    return StatMode(path, mode) && S_ISREG(mode);
}

bool DirectoryExists(const QString& path) {
    mode_t mode = 0;
    return StatMode(path, mode) && S_ISDIR(mode);
}

bool ForceDirectories(const QString& path, mode_t mode) {
    if (path.isEmpty()) return true;  // the current folder
    mode_t existing = 0;
    if (StatMode(path, existing)) {
        if (S_ISDIR(existing)) return true;
        errno = ENOTDIR;
        return false;
    }
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash > 0 && !ForceDirectories(path.left(slash), mode)) return false;
    return ::mkdir(EncodeFileName(path).constData(), mode) == 0 || errno == EEXIST;
}

}  // namespace sys
