#pragma once
// The current user's registry (HKEY_CURRENT_USER), kept as one file in the REGEDIT4
// text format: $XDG_CONFIG_HOME/TolvaneStudio/Orlisk.reg ($HOME/.config when
// XDG_CONFIG_HOME is unset or not absolute; the password file's home without HOME).
//
// Keys are paths written with "\" ("Software\TolvaneStudio\Orlisk\Main"); key and
// value names compare without regard to case and keep the case they were first
// written with. Values are typed: string (REG_SZ, "name"="text", or hex(1): when the
// text holds a line break), expandable string (REG_EXPAND_SZ, hex(2): UTF-16LE bytes),
// DWORD (dword:0000001f). Every other value, key outside HKEY_CURRENT_USER and
// comment is kept byte for byte when the file is rewritten.
//
// Every call reads the file anew under a shared lock; every write is one
// read-modify-write under an exclusive lock, written to a temporary file that is
// synced and renamed over the store, so concurrent writers of other processes and a
// crash at any point lose nothing that was written before. A store file that cannot
// be parsed is never rewritten: reads and writes raise ERegistryException naming the
// file and the line.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

// One value's type and contents: `text` for rdString and rdExpandString, `dword` for
// rdInteger; other types carry nothing readable.
struct TRegValue {
    TRegDataType type = rdUnknown;
    QString text;
    uint32_t dword = 0;
};

class TRegistry {
public:
    // Root HKEY_CURRENT_USER, no key open, the store file of the current environment.
    TRegistry();
    // The same on another store file (tests, tools).
    explicit TRegistry(const QString& storeFile);

    // Opens `key` (absolute when it starts with "\" or no key is open, else relative
    // to the open key). A missing key is created when `canCreate`, else false. False
    // too when the key cannot be created. Raises on an unparsable store.
    bool OpenKey(const QString& key, bool canCreate);
    void CloseKey();
    // The open key's path without a leading "\" (empty: the root).
    QString CurrentPath() const { return current_; }
    bool KeyExists(const QString& key);

    bool ValueExists(const QString& name);
    // rdUnknown when the value is missing.
    TRegDataType GetDataType(const QString& name);
    // REG_SZ or REG_EXPAND_SZ text; "" when missing; another type raises
    // ERegistryException "Invalid data type for '%s'".
    QString ReadString(const QString& name);
    // REG_DWORD; a missing value raises "Failed to get data for '%s'", another type
    // "Invalid data type for '%s'".
    int ReadInteger(const QString& name);
    // Writes (replacing a value of any type); a failure raises ERegistryException
    // "Failed to set data for '%s'". The open key is created again if it vanished.
    void WriteString(const QString& name, const QString& value);
    void WriteExpandString(const QString& name, const QString& value);
    void WriteInteger(const QString& name, int value);
    // False when there was no such value.
    bool DeleteValue(const QString& name);

    // For the INI view of a key: a value of `subKey` (relative to the open key, or
    // the open key itself when empty). Reading never creates the key; nullopt when the
    // key or the value is missing.
    std::optional<TRegValue> ReadValue(const QString& subKey, const QString& name);
    // One read-modify-write under the lock: `update` sees the current value (nullopt
    // when missing) and returns the value to store. Creates `subKey` as needed.
    // Failures raise "Failed to set data for '%s'".
    void UpdateValue(const QString& subKey, const QString& name,
                     const std::function<TRegValue(const std::optional<TRegValue>&)>& update);

    const QString& StoreFile() const { return file_; }
    // The store file of the current environment.
    static QString DefaultStoreFile();

private:
    QString absolute(const QString& key) const;

    QString file_;
    QString current_;
    bool open_ = false;
};
