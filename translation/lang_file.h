#pragma once
// The language file as the translator reads it: an INI text in UTF-8, read whole at
// the start of an operation and dropped at its end. Internal to the translator.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace lang {

// Files above this size are treated as having no entries, so a huge file cannot
// exhaust memory; a real language file is a few kilobytes.
inline constexpr qint64 kMaxLanguageFileSize = 64LL * 1024 * 1024;

class LanguageFileData {
public:
    // Reads the file at path. An empty path, a path that names no regular file, a file
    // above the size cap, a read failure and a text that is not strict UTF-8 all give
    // a file without entries. A file that exists but cannot be opened raises
    // EFOpenError("Cannot open file \"<full path>\". <system error text>").
    static LanguageFileData Read(const QString& path);

    // Parses text that is already in memory, by the same rules.
    static LanguageFileData FromBytes(const QByteArray& bytes);

    // For each key, the value of the last entry of that name in the last section named
    // `section`, or nullopt. Section and entry names are compared upper-cased; the keys
    // are compared as given (untrimmed).
    std::vector<std::optional<QString>> Lookup(const QString& section,
                                               const QStringList& keys) const;

    // One key; `def` when the file, the section or the entry is missing.
    QString ReadString(const QString& section, const QString& key, const QString& def) const;

private:
    // Valid UTF-8 without its byte-order mark, cut at the first NUL.
    QByteArray text_;
};

}  // namespace lang
