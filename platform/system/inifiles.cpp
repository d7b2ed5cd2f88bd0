#include "platform/system/inifiles.h"

#include "platform/system/exceptions.h"
#include "platform/system/lockedfile.h"
#include "platform/system/sysutils.h"
#include "platform/system/utf8.h"

#include <optional>

// ---- TCustomIniFile -----------------------------------------------------------------

int TCustomIniFile::ReadInteger(const QString& section, const QString& name, int def) {
    QString s = ReadString(section, name, QString());
    if (s.size() > 2 && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X'))
        s = u'$' + s.mid(2);
    return sys::StrToIntDef(s, def);
}

void TCustomIniFile::WriteInteger(const QString& section, const QString& name, int value) {
    WriteString(section, name, QString::number(value));
}

bool TCustomIniFile::ReadBool(const QString& section, const QString& name, bool def) {
    return ReadInteger(section, name, def ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const QString& section, const QString& name, bool value) {
    WriteString(section, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

// ---- TRegistryIniFile ---------------------------------------------------------------

namespace {
[[noreturn]] void invalidType(const QString& name) {
    throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
}
}  // namespace

TRegistryIniFile::TRegistryIniFile(const QString& key) : key_(key) {
    // A key that cannot be created leaves the reads at their defaults; the first write
    // then reports the failure.
    reg_.OpenKey(QStringLiteral("\\") + key_, true);
}

QString TRegistryIniFile::subKey(const QString& section) const {
    return QStringLiteral("\\") + key_ + (section.isEmpty() ? QString() : u'\\' + section);
}

QString TRegistryIniFile::ReadString(const QString& section, const QString& name, const QString& def) {
    const std::optional<TRegValue> v = reg_.ReadValue(subKey(section), name);
    if (!v) return def;
    if (v->type != rdString && v->type != rdExpandString) invalidType(name);
    return v->text;
}

void TRegistryIniFile::WriteString(const QString& section, const QString& name, const QString& value) {
    reg_.UpdateValue(subKey(section), name, [&](const std::optional<TRegValue>&) {
        return TRegValue{rdString, value, 0};
    });
}

int TRegistryIniFile::ReadInteger(const QString& section, const QString& name, int def) {
    const std::optional<TRegValue> v = reg_.ReadValue(subKey(section), name);
    if (!v) return def;
    if (v->type == rdString) return sys::StrToIntDef(v->text, def);
    if (v->type == rdInteger) return static_cast<int>(v->dword);
    invalidType(name);
}

void TRegistryIniFile::WriteInteger(const QString& section, const QString& name, int value) {
    // Decided under the store's lock, so the type seen is the type replaced.
    reg_.UpdateValue(subKey(section), name, [&](const std::optional<TRegValue>& old) {
        if (old && old->type == rdString) return TRegValue{rdString, QString::number(value), 0};
        return TRegValue{rdInteger, QString(), static_cast<uint32_t>(value)};
    });
}

bool TRegistryIniFile::ValueExists(const QString& section, const QString& name) {
    return reg_.ReadValue(subKey(section), name).has_value();
}

// ---- TIniFile -----------------------------------------------------------------------

namespace {

constexpr qint64 kMaxIniBytes = 64 * 1024 * 1024;
constexpr qsizetype kMaxReadLength = 2047;

// The file's lines as they stand, each with whatever carriage returns end it (the
// "\n" between lines is not kept in them), so lines this file does not own are
// written back byte for byte.
struct IniText {
    QByteArray bom;
    QByteArray cr;             // what new lines end with before "\n": "\r" or nothing
    QList<QByteArray> lines;
    bool finalNewline = true;  // whether the last line ends with "\n"
};

IniText splitLines(const QByteArray& bytes) {
    IniText t;
    QByteArray text = bytes;
    if (text.startsWith("\xEF\xBB\xBF")) {
        t.bom = text.left(3);
        text.remove(0, 3);
    }
    if (text.isEmpty()) return t;
    t.lines = text.split('\n');
    t.finalNewline = t.lines.last().isEmpty();
    if (t.finalNewline) t.lines.removeLast();
    if (!t.lines.isEmpty() && t.lines.first().endsWith('\r')) t.cr = "\r";
    return t;
}

QByteArray joinLines(const IniText& t) {
    QByteArray out = t.bom + t.lines.join('\n');
    if (!t.lines.isEmpty() && t.finalNewline) out += '\n';
    return out;
}

// A line without the carriage returns that end it.
QByteArray body(const QByteArray& line) {
    qsizetype e = line.size();
    while (e > 0 && line[e - 1] == '\r') --e;
    return line.left(e);
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

QByteArray trimmed(const QByteArray& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.mid(b, e - b);
}

// The section a header line opens, or nullopt for any other line.
std::optional<QString> sectionOf(const QByteArray& line) {
    const QByteArray t = trimmed(body(line));
    if (!t.startsWith('[')) return std::nullopt;
    qsizetype close = t.indexOf(']');
    if (close < 0) close = t.size();
    return sys::Utf8Text(trimmed(t.mid(1, close - 1)));
}

struct KeyLine {
    QString name;
    QByteArray value;  // trimmed, quotes still on
};

std::optional<KeyLine> keyOf(const QByteArray& line) {
    const QByteArray t = trimmed(body(line));
    if (t.isEmpty() || t.startsWith(';') || t.startsWith('#') || t.startsWith('[')) return std::nullopt;
    const qsizetype eq = t.indexOf('=');
    if (eq < 0) return std::nullopt;
    return KeyLine{sys::Utf8Text(trimmed(t.left(eq))), trimmed(t.mid(eq + 1))};
}

bool same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The range of lines of the first section of that name: [begin, end), begin being the
// header line; nullopt when there is none.
std::optional<std::pair<qsizetype, qsizetype>> findSection(const IniText& t, const QString& section) {
    for (qsizetype i = 0; i < t.lines.size(); ++i) {
        const std::optional<QString> s = sectionOf(t.lines[i]);
        if (!s || !same(*s, section)) continue;
        qsizetype end = i + 1;
        while (end < t.lines.size() && !sectionOf(t.lines[end])) ++end;
        return std::make_pair(i, end);
    }
    return std::nullopt;
}

std::optional<qsizetype> findKey(const IniText& t, std::pair<qsizetype, qsizetype> range, const QString& name) {
    for (qsizetype i = range.first + 1; i < range.second; ++i) {
        const std::optional<KeyLine> k = keyOf(t.lines[i]);
        if (k && same(k->name, name)) return i;
    }
    return std::nullopt;
}

QString unquote(const QByteArray& value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.endsWith(value[0]))
        return sys::Utf8Text(value.mid(1, value.size() - 2));
    return sys::Utf8Text(value);
}

// A value the reader's trimming or unquoting would change is written in quotes.
QByteArray quoteIfNeeded(const QString& value) {
    const QByteArray v = value.toUtf8();
    const bool edgeBlank = !v.isEmpty() && (isBlank(v.front()) || isBlank(v.back()));
    const bool quoted = v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.endsWith(v[0]);
    return edgeBlank || quoted ? '"' + v + '"' : v;
}

bool hasLineBreak(const QString& s) {
    return s.contains(u'\n') || s.contains(u'\r') || s.contains(QChar(0));
}

// Whether the name survives the trip through a "name=value" line unchanged.
bool writableName(const QString& name) {
    if (name.isEmpty() || hasLineBreak(name) || name.contains(u'=') || sys::Trim(name) != name)
        return false;
    return !name.startsWith(u'[') && !name.startsWith(u';') && !name.startsWith(u'#');
}

bool writableSection(const QString& section) {
    return !hasLineBreak(section) && !section.contains(u']') && sys::Trim(section) == section;
}

// The file's lines; nullopt when it exists but cannot be read.
std::optional<IniText> readIni(const QString& file) {
    QByteArray bytes;
    bool exists = false;
    lockedfile::FileLock lock(file, false);
    if (lockedfile::ReadDocument(file, bytes, exists, kMaxIniBytes) != 0) return std::nullopt;
    return splitLines(bytes);
}

}  // namespace

TIniFile::TIniFile(const QString& fileName) : file_(fileName) {}

QString TIniFile::ReadString(const QString& section, const QString& name, const QString& def) {
    const std::optional<IniText> t = readIni(file_);
    if (!t) return def;
    const auto range = findSection(*t, section);
    if (!range) return def;
    const std::optional<qsizetype> at = findKey(*t, *range, name);
    if (!at) return def;
    QString v = unquote(keyOf(t->lines[*at])->value);
    if (v.size() > kMaxReadLength) {
        v.truncate(kMaxReadLength);
        if (v.back().isHighSurrogate()) v.chop(1);  // no half character at the cut
    }
    return v;
}

bool TIniFile::ValueExists(const QString& section, const QString& name) {
    const std::optional<IniText> t = readIni(file_);
    if (!t) return false;
    const auto range = findSection(*t, section);
    return range && findKey(*t, *range, name).has_value();
}

void TIniFile::WriteString(const QString& section, const QString& name, const QString& value) {
    const auto fail = [&] {
        throw EIniFileException(QStringLiteral("Unable to write to %1").arg(file_));
    };
    if (!writableSection(section) || !writableName(name) || hasLineBreak(value)) fail();
    if (!sys::ForceDirectories(sys::ExtractFilePath(file_))) fail();

    lockedfile::FileLock lock(file_, true);
    if (!lock.Held()) fail();
    lockedfile::RemoveStaleTemporaries(file_);
    QByteArray bytes;
    bool exists = false;
    // A file that exists but cannot be read is never replaced by one with a single value.
    if (lockedfile::ReadDocument(file_, bytes, exists, kMaxIniBytes) != 0) fail();
    IniText t = splitLines(bytes);

    const QByteArray encoded = quoteIfNeeded(value);
    if (const auto range = findSection(t, section)) {
        if (const std::optional<qsizetype> at = findKey(t, *range, name)) {
            const QByteArray line = trimmed(body(t.lines[*at]));
            const QByteArray keyText = trimmed(line.left(line.indexOf('=')));
            // The line keeps its own ending.
            const QByteArray next = keyText + '=' + encoded + t.lines[*at].mid(body(t.lines[*at]).size());
            if (next == t.lines[*at]) return;
            t.lines[*at] = next;
        } else {
            // After the section's last non-blank line, so blank lines before the
            // next section stay where they are.
            qsizetype end = range->second;
            while (end > range->first + 1 && trimmed(body(t.lines[end - 1])).isEmpty()) --end;
            if (end == t.lines.size()) t.finalNewline = true;
            t.lines.insert(end, name.toUtf8() + '=' + encoded + t.cr);
        }
    } else {
        if (!t.lines.isEmpty() && !trimmed(body(t.lines.last())).isEmpty()) t.lines << t.cr;
        t.lines << '[' + section.toUtf8() + ']' + t.cr;
        t.lines << name.toUtf8() + '=' + encoded + t.cr;
        t.finalNewline = true;
    }
    if (lockedfile::ReplaceDocument(file_, joinLines(t), 0666) != 0) fail();
}
