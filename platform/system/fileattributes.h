#pragma once
// The read-only attribute of a file: on Linux, the owner's write permission is clear.

#include <QString>
#include <optional>

// Whether the owner's write permission of `path` is clear (a symbolic link followed);
// nullopt when the file cannot be examined.
std::optional<bool> IsReadOnly(const QString& path);

// Adds the owner's write permission and keeps every other bit (group, others, set-id,
// sticky). False when the mode cannot be read or changed.
bool ClearReadOnly(const QString& path);
