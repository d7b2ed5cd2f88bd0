#pragma once
// A file's times, saved before a rewrite and given back after it. Linux keeps an
// access and a modification time, both with nanoseconds; the birth time cannot be
// set, so it is neither saved nor restored. Reading the times needs no write access,
// so a read-only file keeps its times too.

#include <QString>
#include <ctime>

struct FileTimes {
    timespec access{};
    timespec modification{};
};

// The times of `path` (a symbolic link followed); false when it cannot be examined.
bool GetFileTimes(const QString& path, FileTimes& times);

// Sets both times exactly (to the nanosecond, a symbolic link followed). False when
// this user may not set them: only the owner may, even where anyone may write the
// file. Any other failure raises EOSError with the system's error ("System Error.
// Code: 2." and its text for a missing file).
bool SetFileTimes(const QString& path, const FileTimes& times);
