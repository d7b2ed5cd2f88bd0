#pragma once
// The text of one EXIF property value, as the property dialog shows it: integers in
// decimal, text as it stands, rationals as reduced fractions, or as decimals for the
// F-number, the lens aperture, the focal length and the shutter speed. Decimals use
// the decimal separator of the user's locale (LC_NUMERIC, LC_ALL).

#include <QString>
#include <cstdint>

// The text shown for a value that cannot be read as its type says (too short, no
// bytes at all, an unknown type) and for a rational whose denominator is 0.
inline const QString kValueNotAvailable = QStringLiteral("N/A");

// The first element of a value of `ValueLength` bytes at `Value` (host byte order),
// by its property type: 1 BYTE, 2 ASCII, 3 SHORT, 4 LONG, 5 RATIONAL, 10 SRATIONAL;
// every other type gives "N/A". Reads no byte at or past `ValueLength`: a value too
// short for its first element gives "N/A" (ASCII without a zero byte gives all its
// bytes). The tag chooses the format of rationals (0x829D, 0x9205, 0x920A, 0x9201).
QString FormatPropertyValue(const void* Value, uint16_t ValueType, uint32_t TagId,
                            uint32_t ValueLength);

// Numerator / Denominator as a reduced mixed number: "2 1/2", "1/250", "72"; the
// empty text for 0/n; "N/A" for a zero denominator.
QString FractionText(uint32_t Numerator, uint32_t Denominator);

// Greatest common divisor for A, B > 0; A when B = 0; 1 when A = 0.
uint32_t Gcd(uint32_t A, uint32_t B);

// The decimal separator of the process's numeric locale ("." in the C locale).
QString LocaleDecimalSeparator();

// Number formats with that separator, no thousands separator. Fixed: rounded to
// `decimals` places ("0.0" has one). General: at most 15 significant digits, no
// trailing zeros, scientific ("1.5E20", "1E-6") outside 0.00001 <= |v| < 1E15.
QString FormatFixed(long double v, int decimals);
QString FormatGeneral(long double v);
