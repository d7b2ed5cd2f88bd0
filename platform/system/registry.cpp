#include "platform/system/registry.h"

#include "platform/system/exceptions.h"
#include "platform/system/filenames.h"
#include "platform/system/lockedfile.h"
#include "platform/system/sysutils.h"
#include "platform/system/utf8.h"

#include <cerrno>
#include <cstring>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 kMaxStoreBytes = 64 * 1024 * 1024;
const QString kCurrentUser = QStringLiteral("HKEY_CURRENT_USER");

// ---- the document -------------------------------------------------------------------

struct Entry {
    QList<QByteArray> raw;  // the lines as read (no line ends); empty once changed
    bool isValue = false;   // false: a comment line, kept as it is
    bool shadowed = false;  // a value a later line of the same name overrides, kept as it is
    QString name;           // "" is the default value, written "@"
    TRegValue value;
};

struct Key {
    QByteArray rawHeader;  // as read; empty for a key made here
    QString root;          // "HKEY_CURRENT_USER", or another hive kept untouched
    QString path;          // below the root, parts joined with "\"
    std::vector<Entry> entries;
};

struct Document {
    QByteArray bom;
    QByteArray signature = "REGEDIT4";
    QByteArray eol = "\n";
    QList<QByteArray> preamble;  // comments between the signature and the first key
    std::vector<Key> keys;
};

QString normalizePath(const QString& key) {
    return key.split(u'\\', Qt::SkipEmptyParts).join(u'\\');
}

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

bool isCurrentUser(const Key& k) { return sameName(k.root, kCurrentUser); }

Key* findKey(Document& d, const QString& path) {
    for (Key& k : d.keys)
        if (isCurrentUser(k) && sameName(k.path, path)) return &k;
    return nullptr;
}

Entry* findValue(Key& k, const QString& name) {
    for (Entry& e : k.entries)
        if (e.isValue && sameName(e.name, name)) return &e;
    return nullptr;
}

bool isUnder(const QString& path, const QString& parent) {
    return sameName(path, parent) ||
           (path.size() > parent.size() && path[parent.size()] == u'\\' &&
            sameName(path.left(parent.size()), parent));
}

// Creates the key and its missing ancestors, each after its parent's subtree, as a
// registry export lays them out. Returns the key and whether anything was created.
Key& ensureKey(Document& d, const QString& path, bool& created) {
    if (Key* k = findKey(d, path)) return *k;
    const QStringList parts = path.split(u'\\', Qt::SkipEmptyParts);
    QString sofar;
    for (const QString& part : parts) {
        const QString parent = sofar;
        sofar = sofar.isEmpty() ? part : sofar + u'\\' + part;
        if (findKey(d, sofar)) continue;
        size_t at = d.keys.size();
        if (!parent.isEmpty())
            for (size_t i = 0; i < d.keys.size(); ++i)
                if (isCurrentUser(d.keys[i]) && isUnder(d.keys[i].path, parent)) at = i + 1;
        Key k;
        k.root = kCurrentUser;
        k.path = sofar;
        d.keys.insert(d.keys.begin() + static_cast<std::ptrdiff_t>(at), std::move(k));
        created = true;
    }
    if (parts.isEmpty()) {  // values directly under the root
        Key k;
        k.root = kCurrentUser;
        d.keys.push_back(std::move(k));
        created = true;
    }
    return *findKey(d, path);
}

// ---- parsing ------------------------------------------------------------------------

struct ParseError {
    int line;
    QString what;
};

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

QByteArray trimmed(const QByteArray& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.mid(b, e - b);
}

// A quoted string at s[pos] ('"'); \\ and \" are escapes, any other backslash is kept.
// Leaves pos after the closing quote.
QString parseQuoted(const QByteArray& s, qsizetype& pos, int line) {
    QByteArray out;
    ++pos;
    while (pos < s.size()) {
        const char c = s[pos++];
        if (c == '"') return sys::Utf8Text(out);
        if (c == '\\' && pos < s.size() && (s[pos] == '\\' || s[pos] == '"'))
            out += s[pos++];
        else
            out += c;
    }
    throw ParseError{line, QStringLiteral("a quoted text is not closed")};
}

QString decodeUtf16(const QByteArray& bytes) {
    QString s;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const char16_t u = static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                                 static_cast<uint8_t>(bytes[i + 1]) << 8);
        if (u == 0) break;  // the registry's strings end at the first NUL
        s += QChar(u);
    }
    return s;
}

QByteArray encodeUtf16(const QString& s) {
    QByteArray b;
    b.reserve((s.size() + 1) * 2);
    for (QChar c : s) {
        b += static_cast<char>(c.unicode() & 0xFF);
        b += static_cast<char>(c.unicode() >> 8);
    }
    b += '\0';
    b += '\0';
    return b;
}

TRegValue parseData(const QByteArray& data, int line) {
    TRegValue v;
    if (data.startsWith('"')) {
        qsizetype pos = 0;
        v.type = rdString;
        v.text = parseQuoted(data, pos, line);
        if (!trimmed(data.mid(pos)).isEmpty())
            throw ParseError{line, QStringLiteral("text after the closing quote")};
        return v;
    }
    const QByteArray lower = data.toLower();
    if (lower.startsWith("dword:")) {
        const QByteArray digits = trimmed(data.mid(6));
        if (digits.isEmpty() || digits.size() > 8)
            throw ParseError{line, QStringLiteral("a dword needs 1 to 8 hexadecimal digits")};
        uint32_t n = 0;
        for (char c : digits) {
            const int d = hexValue(c);
            if (d < 0) throw ParseError{line, QStringLiteral("a dword needs hexadecimal digits")};
            n = n * 16 + static_cast<uint32_t>(d);
        }
        v.type = rdInteger;
        v.dword = n;
        return v;
    }
    if (lower.startsWith("hex")) {
        qsizetype pos = 3;
        long kind = -1;  // -1: plain "hex:", binary
        if (pos < data.size() && data[pos] == '(') {
            const qsizetype close = data.indexOf(')', pos);
            const QByteArray k = data.mid(pos + 1, close - pos - 1);
            bool ok = false;
            kind = close < 0 || k.isEmpty() || k.size() > 8 ? -2 : k.toLong(&ok, 16);
            if (!ok || kind < 0) throw ParseError{line, QStringLiteral("a bad hex(type)")};
            pos = close + 1;
        }
        if (pos >= data.size() || data[pos] != ':')
            throw ParseError{line, QStringLiteral("':' expected after hex")};
        QByteArray bytes;
        const QList<QByteArray> tokens = data.mid(pos + 1).split(',');
        for (qsizetype i = 0; i < tokens.size(); ++i) {
            const QByteArray t = trimmed(tokens[i]);
            if (t.isEmpty() && (i == tokens.size() - 1)) break;  // "hex:" or a trailing comma
            if (t.isEmpty() || t.size() > 2 || hexValue(t[0]) < 0 ||
                (t.size() == 2 && hexValue(t[1]) < 0))
                throw ParseError{line, QStringLiteral("a bad byte in hexadecimal data")};
            bytes += static_cast<char>(t.size() == 1 ? hexValue(t[0])
                                                     : hexValue(t[0]) * 16 + hexValue(t[1]));
        }
        switch (kind) {
            case 1:
                v.type = rdString;
                v.text = decodeUtf16(bytes);
                break;
            case 2:
                v.type = rdExpandString;
                v.text = decodeUtf16(bytes);
                break;
            case 4:
                if (bytes.size() == 4) {
                    v.type = rdInteger;
                    for (int i = 3; i >= 0; --i)
                        v.dword = v.dword << 8 | static_cast<uint8_t>(bytes[i]);
                } else {
                    v.type = rdUnknown;
                }
                break;
            case -1:
            case 3:
                v.type = rdBinary;
                break;
            default:
                v.type = rdUnknown;
        }
        return v;
    }
    if (data == "-") throw ParseError{line, QStringLiteral("deleting a value is not supported here")};
    throw ParseError{line, QStringLiteral("unknown value data")};
}

Document parse(const QByteArray& bytes) {
    Document d;
    if (bytes.isEmpty()) return d;
    QByteArray text = bytes;
    if (text.startsWith("\xEF\xBB\xBF")) {
        d.bom = text.left(3);
        text.remove(0, 3);
    }
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    if (!lines.isEmpty() && lines.first().endsWith('\r')) d.eol = "\r\n";
    for (QByteArray& l : lines)
        if (l.endsWith('\r')) l.chop(1);

    if (lines.isEmpty()) return d;
    const QByteArray sig = trimmed(lines[0]);
    if (sig != "REGEDIT4" && sig != "Windows Registry Editor Version 5.00")
        throw ParseError{1, QStringLiteral("it does not start with REGEDIT4")};
    d.signature = lines[0];

    Key* key = nullptr;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i + 1);
        const QByteArray t = trimmed(lines[i]);
        if (t.isEmpty()) continue;
        if (t.startsWith(';')) {
            Entry e;
            e.raw << lines[i];
            if (key)
                key->entries.push_back(std::move(e));
            else
                d.preamble << lines[i];
            continue;
        }
        if (t.startsWith('[')) {
            const qsizetype close = t.lastIndexOf(']');
            if (close < 0 || close != t.size() - 1)
                throw ParseError{lineNo, QStringLiteral("a key name must end with ']'")};
            const QString name = sys::Utf8Text(t.mid(1, close - 1));
            if (name.startsWith(u'-'))
                throw ParseError{lineNo, QStringLiteral("deleting a key is not supported here")};
            const qsizetype slash = name.indexOf(u'\\');
            Key k;
            k.rawHeader = lines[i];
            k.root = slash < 0 ? name : name.left(slash);
            k.path = slash < 0 ? QString() : normalizePath(name.mid(slash + 1));
            if (k.root.isEmpty()) throw ParseError{lineNo, QStringLiteral("a key without a hive")};
            key = nullptr;
            // A repeated key of the user's adds to the first one; another hive's stays
            // as it was written, header and all.
            if (isCurrentUser(k))
                for (Key& other : d.keys)
                    if (isCurrentUser(other) && sameName(other.path, k.path)) key = &other;
            if (!key) {
                d.keys.push_back(std::move(k));
                key = &d.keys.back();
            }
            continue;
        }
        if (t.startsWith('"') || t.startsWith('@')) {
            if (!key) throw ParseError{lineNo, QStringLiteral("a value before the first key")};
            Entry e;
            e.isValue = true;
            e.raw << lines[i];
            qsizetype pos = 0;
            if (t.startsWith('@'))
                pos = 1;
            else
                e.name = parseQuoted(t, pos, lineNo);
            while (pos < t.size() && isBlank(t[pos])) ++pos;
            if (pos >= t.size() || t[pos] != '=')
                throw ParseError{lineNo, QStringLiteral("'=' expected after the value name")};
            QByteArray data = trimmed(t.mid(pos + 1));
            // Hexadecimal data goes on over lines that end with "\".
            if (data.toLower().startsWith("hex")) {
                while (data.endsWith('\\')) {
                    data.chop(1);
                    if (++i >= lines.size())
                        throw ParseError{lineNo, QStringLiteral("the data goes on past the end")};
                    e.raw << lines[i];
                    data += trimmed(lines[i]);
                }
            }
            e.value = parseData(data, lineNo);
            // A repeated value: the last one counts, and the earlier line stays as it is.
            if (Entry* old = findValue(*key, e.name)) {
                old->isValue = false;
                old->shadowed = true;
            }
            key->entries.push_back(std::move(e));
            continue;
        }
        throw ParseError{lineNo, QStringLiteral("a line that is neither a key nor a value")};
    }
    return d;
}

// ---- writing ------------------------------------------------------------------------

QByteArray quote(const QString& s) {
    QByteArray out = "\"";
    for (char c : s.toUtf8()) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + '"';
}

void appendHex(QList<QByteArray>& lines, QByteArray first, const QByteArray& bytes) {
    // Wrapped as the registry editor wraps it: at most about 80 columns, ",\" at the
    // end of a line, two blanks before the next.
    QByteArray line = std::move(first);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        QByteArray piece = QByteArray::number(static_cast<uint8_t>(bytes[i]), 16).rightJustified(2, '0');
        if (i + 1 < bytes.size()) piece += ',';
        if (line.size() + piece.size() > 77 && line.size() > 2) {
            lines << line + '\\';
            line = "  ";
        }
        line += piece;
    }
    lines << line;
}

QList<QByteArray> valueLines(const Entry& e) {
    QList<QByteArray> lines;
    const QByteArray head = (e.name.isEmpty() ? QByteArray("@") : quote(e.name)) + '=';
    switch (e.value.type) {
        case rdString:
            if (e.value.text.contains(u'\n') || e.value.text.contains(u'\r') ||
                e.value.text.contains(QChar(0)))
                appendHex(lines, head + "hex(1):", encodeUtf16(e.value.text));
            else
                lines << head + quote(e.value.text);
            break;
        case rdExpandString:
            appendHex(lines, head + "hex(2):", encodeUtf16(e.value.text));
            break;
        case rdInteger:
            lines << head + "dword:" + QByteArray::number(e.value.dword, 16).rightJustified(8, '0');
            break;
        default:  // never made here: only kept from the file
            break;
    }
    return lines;
}

QByteArray serialize(const Document& d) {
    QByteArray out = d.bom + d.signature + d.eol + d.eol;
    for (const QByteArray& l : d.preamble) out += l + d.eol;
    if (!d.preamble.isEmpty()) out += d.eol;
    for (const Key& k : d.keys) {
        if (!k.rawHeader.isEmpty())
            out += k.rawHeader;
        else
            out += '[' + k.root.toUtf8() + (k.path.isEmpty() ? QByteArray() : '\\' + k.path.toUtf8()) + ']';
        out += d.eol;
        for (const Entry& e : k.entries)
            for (const QByteArray& l : e.raw.isEmpty() ? valueLines(e) : e.raw) out += l + d.eol;
        out += d.eol;
    }
    return out;
}

// ---- the store file -----------------------------------------------------------------

QString systemText(int e) { return QString::fromLocal8Bit(std::strerror(e)); }

Document load(const QString& file) {
    QByteArray bytes;
    bool exists = false;
    if (const int e = lockedfile::ReadDocument(file, bytes, exists, kMaxStoreBytes))
        throw ERegistryException(QStringLiteral("The registry file %1 cannot be read: %2")
                                     .arg(file, systemText(e)));
    try {
        return parse(bytes);
    } catch (const ParseError& p) {
        throw ERegistryException(QStringLiteral("The registry file %1 cannot be read: line %2: %3.")
                                     .arg(file)
                                     .arg(p.line)
                                     .arg(p.what));
    }
}

Document loadShared(const QString& file) {
    lockedfile::FileLock lock(file, false);
    return load(file);
}

// One read-modify-write. `change` returns whether the document changed. 0 or errno;
// an unparsable store raises (and nothing is written).
int modify(const QString& file, const std::function<bool(Document&)>& change) {
    if (!sys::ForceDirectories(sys::ExtractFilePath(file))) return errno ? errno : EACCES;
    lockedfile::FileLock lock(file, true);
    if (!lock.Held()) return lock.Error();
    lockedfile::RemoveStaleTemporaries(file);
    Document d = load(file);
    if (!change(d)) return 0;
    return lockedfile::ReplaceDocument(file, serialize(d), 0600);
}

bool validName(const QString& s) { return !s.contains(u'\n') && !s.contains(u'\r') && !s.contains(QChar(0)); }

[[noreturn]] void failedToSet(const QString& name) {
    throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(name));
}

[[noreturn]] void invalidType(const QString& name) {
    throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
}

bool sameValue(const TRegValue& a, const TRegValue& b) {
    if (a.type != b.type) return false;
    if (a.type == rdInteger) return a.dword == b.dword;
    if (a.type == rdString || a.type == rdExpandString) return a.text == b.text;
    return false;
}

}  // namespace

TRegistry::TRegistry() : file_(DefaultStoreFile()) {}

TRegistry::TRegistry(const QString& storeFile) : file_(storeFile) {}

QString TRegistry::DefaultStoreFile() {
    QString config = sys::DecodeFileName(qgetenv("XDG_CONFIG_HOME"));
    if (config.isEmpty() || !config.startsWith(u'/')) {
        QString home = sys::DecodeFileName(qgetenv("HOME"));
        if (home.isEmpty())
            if (const passwd* pw = ::getpwuid(::getuid())) home = sys::DecodeFileName(pw->pw_dir);
        config = home + QStringLiteral("/.config");
    }
    return config + QStringLiteral("/TolvaneStudio/Orlisk.reg");
}

QString TRegistry::absolute(const QString& key) const {
    if (key.startsWith(u'\\') || !open_) return normalizePath(key);
    return normalizePath(current_ + u'\\' + key);
}

bool TRegistry::OpenKey(const QString& key, bool canCreate) {
    const QString path = absolute(key);
    Document d = loadShared(file_);
    bool found = findKey(d, path) != nullptr;
    if (!found && canCreate && validName(path)) {
        found = modify(file_, [&](Document& doc) {
                    bool created = false;
                    ensureKey(doc, path, created);
                    return created;
                }) == 0;
    }
    if (found) {
        current_ = path;
        open_ = true;
    }
    return found;
}

void TRegistry::CloseKey() {
    current_.clear();
    open_ = false;
}

bool TRegistry::KeyExists(const QString& key) {
    Document d = loadShared(file_);
    return findKey(d, absolute(key)) != nullptr;
}

std::optional<TRegValue> TRegistry::ReadValue(const QString& subKey, const QString& name) {
    Document d = loadShared(file_);
    Key* k = findKey(d, absolute(subKey));
    if (!k) return std::nullopt;
    Entry* e = findValue(*k, name);
    if (!e) return std::nullopt;
    return e->value;
}

void TRegistry::UpdateValue(const QString& subKey, const QString& name,
                            const std::function<TRegValue(const std::optional<TRegValue>&)>& update) {
    const QString path = absolute(subKey);
    if (!validName(name) || !validName(path)) failedToSet(name);
    const int e = modify(file_, [&](Document& d) {
        bool created = false;
        Key& k = ensureKey(d, path, created);
        Entry* entry = findValue(k, name);
        const TRegValue next = update(entry ? std::optional<TRegValue>(entry->value) : std::nullopt);
        if (entry) {
            if (sameValue(entry->value, next)) return created;
            entry->value = next;
            entry->raw.clear();
        } else {
            Entry fresh;
            fresh.isValue = true;
            fresh.name = name;
            fresh.value = next;
            k.entries.push_back(std::move(fresh));
        }
        return true;
    });
    if (e != 0) failedToSet(name);
}

bool TRegistry::ValueExists(const QString& name) { return ReadValue(QString(), name).has_value(); }

TRegDataType TRegistry::GetDataType(const QString& name) {
    const std::optional<TRegValue> v = ReadValue(QString(), name);
    return v ? v->type : rdUnknown;
}

QString TRegistry::ReadString(const QString& name) {
    const std::optional<TRegValue> v = ReadValue(QString(), name);
    if (!v) return QString();
    if (v->type != rdString && v->type != rdExpandString) invalidType(name);
    return v->text;
}

int TRegistry::ReadInteger(const QString& name) {
    const std::optional<TRegValue> v = ReadValue(QString(), name);
    if (!v) throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(name));
    if (v->type != rdInteger) invalidType(name);
    return static_cast<int>(v->dword);
}

void TRegistry::WriteString(const QString& name, const QString& value) {
    UpdateValue(QString(), name, [&](const std::optional<TRegValue>&) {
        return TRegValue{rdString, value, 0};
    });
}

void TRegistry::WriteExpandString(const QString& name, const QString& value) {
    UpdateValue(QString(), name, [&](const std::optional<TRegValue>&) {
        return TRegValue{rdExpandString, value, 0};
    });
}

void TRegistry::WriteInteger(const QString& name, int value) {
    UpdateValue(QString(), name, [&](const std::optional<TRegValue>&) {
        return TRegValue{rdInteger, QString(), static_cast<uint32_t>(value)};
    });
}

bool TRegistry::DeleteValue(const QString& name) {
    const QString path = absolute(QString());
    bool existed = false;
    const int e = modify(file_, [&](Document& d) {
        Key* k = findKey(d, path);
        if (!k) return false;
        // Lines the value overrode go with it, or the oldest would count again.
        const auto before = k->entries.size();
        std::erase_if(k->entries, [&](const Entry& entry) {
            if (!(entry.isValue || entry.shadowed) || !sameName(entry.name, name)) return false;
            existed = existed || entry.isValue;
            return true;
        });
        return k->entries.size() != before;
    });
    if (e != 0) failedToSet(name);
    return existed;
}
