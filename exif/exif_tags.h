#pragma once
// The EXIF and TIFF tags the property dialog knows: number, English label and, for
// enumerated tags, the names of their values. Labels and names are never translated.

#include <QString>
#include <cstdint>
#include <optional>
#include <span>

struct TExifValueName {
    uint16_t value;
    const char* name;
};

struct TExifTag {
    uint32_t number;
    const char* label;
    std::span<const TExifValueName> names;  // empty: the value is formatted
};

// All known tags, in ascending order of their numbers.
std::span<const TExifTag> ExifTags();
// The tag of that number, or nullptr.
const TExifTag* FindExifTag(uint32_t id);

struct TExifRow {
    QString label;
    QString value;
};

// The row of one property item: its tag's label and its value as text (the value's
// name when the tag has one for the 16-bit number in the value's first two bytes,
// else FormatPropertyValue). No row for a tag outside the table. Reads no byte at or
// past `length`; an enumerated value shorter than two bytes shows "N/A".
std::optional<TExifRow> DescribeExifProperty(uint32_t id, uint16_t type, uint32_t length,
                                             const void* value);
