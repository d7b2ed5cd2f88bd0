#pragma once
// Where the settings live: an INI file beside the executable when the executable
// lies on a removable drive (the program carried on a stick takes its settings
// along), else the current user's registry key "Software\TolvaneStudio\Orlisk".

#include "platform/system/inifiles.h"

#include <QString>
#include <memory>
#include <sys/types.h>

inline const QString kSettingsKey = QStringLiteral("Software\\TolvaneStudio\\Orlisk");

// Whether the executable's file system lies on a block device whose sysfs
// "removable" flag is 1: its own, its disk's for a partition, or that of a device
// beneath it (device mapper, RAID). Anything else, network and virtual file systems
// included, is false.
bool IsOnRemovableDrive();

// Decided anew at each call by IsOnRemovableDrive(): a TIniFile on PortableIniPath()
// or a TRegistryIniFile on kSettingsKey (created when missing).
std::unique_ptr<TCustomIniFile> OpenSettingsStore();

// The registry store on kSettingsKey whatever the drive: for the one value that
// always lives in the registry (DisplayCropWarning).
std::unique_ptr<TRegistryIniFile> OpenRegistrySettings();

// The setting "Language" as a path to open: portable mode stores it relative to the
// executable's folder ("lang/german.lng"), so a relative value is taken there; an
// absolute or empty value is returned unchanged.
QString ResolveStoredLanguage(const QString& stored);

// The executable's path with its extension replaced by ".ini" (".ini" appended when
// it has none).
QString PortableIniPath();

// The pieces above, open for tests.
QString IniPathForExecutable(const QString& executable);
// The removable test for `device` against a sysfs tree at `sysfsRoot` ("/sys").
bool IsBlockDeviceRemovable(const QString& sysfsRoot, dev_t device);
