#pragma once
// Settings stores with one interface: values by section and name, read with a default.
//
// TCustomIniFile's encodings: strings as they are; Booleans written "0" / "1" and read
// as an integer with the default 0 / 1, true when not 0 (so "abc" gives the default);
// integers written as decimal text and read as decimal, "$" + hexadecimal, or, when
// the text has three characters or more, "0x" / "0X" + hexadecimal, the default when
// the text is no number. Writing a value creates its section.
//
// TRegistryIniFile: a registry key; sections are its subkeys. Strings are REG_SZ
// (REG_EXPAND_SZ is read too), integers REG_DWORD, but decimal REG_SZ text when a
// REG_SZ value of that name already exists; REG_SZ text is read as decimal or "$" +
// hexadecimal (the default when it is no number), REG_DWORD as it is. A value of
// another type raises ERegistryException "Invalid data type for '%s'"; a failed write
// "Failed to set data for '%s'".
//
// TIniFile: an INI file, re-read at every call and rewritten safely (lock, temporary
// file, fsync, rename); lines it does not use (comments, unknown lines) are kept byte
// for byte. Strings read are at most 2,047 characters. A failed write raises
// EIniFileException "Unable to write to %s" (the file's path).

#include "platform/system/registry.h"

#include <QString>

class TCustomIniFile {
public:
    virtual ~TCustomIniFile() = default;
    TCustomIniFile() = default;
    TCustomIniFile(const TCustomIniFile&) = delete;
    TCustomIniFile& operator=(const TCustomIniFile&) = delete;

    // The INI file's path, or the registry key's.
    virtual QString FileName() const = 0;

    virtual QString ReadString(const QString& section, const QString& name, const QString& def) = 0;
    virtual void WriteString(const QString& section, const QString& name, const QString& value) = 0;
    virtual int ReadInteger(const QString& section, const QString& name, int def);
    virtual void WriteInteger(const QString& section, const QString& name, int value);
    bool ReadBool(const QString& section, const QString& name, bool def);
    void WriteBool(const QString& section, const QString& name, bool value);
    virtual bool ValueExists(const QString& section, const QString& name) = 0;
};

class TRegistryIniFile : public TCustomIniFile {
public:
    // `key` below HKEY_CURRENT_USER ("Software\TolvaneStudio\Orlisk"), opened with
    // full access and created when missing. Raises when the store cannot be parsed.
    explicit TRegistryIniFile(const QString& key);

    QString FileName() const override { return key_; }
    QString ReadString(const QString& section, const QString& name, const QString& def) override;
    void WriteString(const QString& section, const QString& name, const QString& value) override;
    int ReadInteger(const QString& section, const QString& name, int def) override;
    void WriteInteger(const QString& section, const QString& name, int value) override;
    bool ValueExists(const QString& section, const QString& name) override;

    TRegistry& RegIniFile() { return reg_; }

private:
    QString subKey(const QString& section) const;

    QString key_;
    TRegistry reg_;
};

class TIniFile : public TCustomIniFile {
public:
    explicit TIniFile(const QString& fileName);

    QString FileName() const override { return file_; }
    QString ReadString(const QString& section, const QString& name, const QString& def) override;
    void WriteString(const QString& section, const QString& name, const QString& value) override;
    bool ValueExists(const QString& section, const QString& name) override;

private:
    QString file_;
};
