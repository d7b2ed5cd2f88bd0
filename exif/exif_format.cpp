#include "exif/exif_format.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <string>

namespace {

// The first `sizeof(T)` bytes at `offset`, when the value holds them.
template <class T>
bool ReadAt(const void* value, uint32_t length, uint32_t offset, T& out) {
    if (!value || length < offset || length - offset < sizeof(T)) return false;
    std::memcpy(&out, static_cast<const unsigned char*>(value) + offset, sizeof(T));
    return true;
}

// Digits from to_chars carry "." whatever the locale; the user's separator goes in.
QString WithSeparator(const std::string& digits) {
    QString text = QString::fromLatin1(digits.data(), static_cast<qsizetype>(digits.size()));
    const qsizetype dot = text.indexOf(u'.');
    if (dot >= 0) text.replace(dot, 1, LocaleDecimalSeparator());
    return text;
}

QString NonFiniteText(long double v) {
    if (std::isnan(v)) return QStringLiteral("NAN");
    return v < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

QString RationalText(uint32_t n, uint32_t d, uint32_t tag) {
    if (d == 0) return kValueNotAvailable;  // never divide by zero
    const long double v = static_cast<long double>(n) / static_cast<long double>(d);
    switch (tag) {
    case 0x829D: return FormatFixed(v, 1);  // F-number
    case 0x9205:  // maximum lens aperture: APEX value to f-number
        return FormatFixed(std::pow(std::sqrt(2.0L), v), 2);
    case 0x920A: return FormatGeneral(v);  // focal length
    default: return FractionText(n, d);
    }
}

QString SignedRationalText(int32_t n, int32_t d, uint32_t tag) {
    if (d == 0) return kValueNotAvailable;
    const long double v = static_cast<long double>(n) / static_cast<long double>(d);
    if (tag == 0x9201) return FormatFixed(std::exp2(-v), 4);  // shutter speed: APEX to seconds
    return FormatGeneral(v);
}

QString AsciiText(const char* bytes, uint32_t length) {
    if (!bytes || length == 0) return kValueNotAvailable;
    // Up to the first zero byte; text without one ends where the value ends.
    const void* zero = std::memchr(bytes, 0, length);
    const size_t size = zero ? static_cast<size_t>(static_cast<const char*>(zero) - bytes) : length;
    return QString::fromLocal8Bit(bytes, static_cast<qsizetype>(size));
}

}  // namespace

QString LocaleDecimalSeparator() {
    const std::lconv* conv = std::localeconv();
    if (!conv || !conv->decimal_point || !*conv->decimal_point) return QStringLiteral(".");
    return QString::fromLocal8Bit(conv->decimal_point);
}

QString FormatFixed(long double v, int decimals) {
    if (!std::isfinite(v)) return NonFiniteText(v);
    if (v == 0) v = 0;  // no "-0"
    // Enough room for the largest extended value written out in full.
    std::string buffer(5000 + static_cast<size_t>(decimals), '\0');
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v,
                                      std::chars_format::fixed, decimals);
    buffer.resize(static_cast<size_t>(result.ptr - buffer.data()));
    return WithSeparator(buffer);
}

QString FormatGeneral(long double v) {
    if (!std::isfinite(v)) return NonFiniteText(v);
    if (v == 0) return QStringLiteral("0");
    // Rounded to 15 significant digits first: the rounding decides the exponent.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v,
                                      std::chars_format::scientific, 14);
    const std::string sci(buffer, result.ptr);
    const size_t e = sci.find('e');
    const bool negative = sci[0] == '-';
    std::string digits;
    for (size_t i = negative ? 1 : 0; i < e; ++i)
        if (sci[i] != '.') digits += sci[i];
    const int exponent = std::stoi(sci.substr(e + 1));
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string text = negative ? "-" : "";
    if (exponent >= -5 && exponent < 15) {
        if (exponent >= 0) {
            const size_t whole = static_cast<size_t>(exponent) + 1;
            if (digits.size() <= whole) {
                text += digits + std::string(whole - digits.size(), '0');
            } else {
                text += digits.substr(0, whole) + "." + digits.substr(whole);
            }
        } else {
            text += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
        }
    } else {
        text += digits.substr(0, 1);
        if (digits.size() > 1) text += "." + digits.substr(1);
        text += "E" + std::to_string(exponent);
    }
    return WithSeparator(text);
}

uint32_t Gcd(uint32_t A, uint32_t B) {
    if (A == 0) return 1;
    // Euclid's steps; B mod A = 0 ends them (and B = 0 gives A).
    while (B % A != 0) {
        const uint32_t next = B;
        B = A % B;  // B is not 0 here: 0 mod A would have ended the loop
        A = next;
    }
    return A;
}

QString FractionText(uint32_t Numerator, uint32_t Denominator) {
    if (Denominator == 0) return kValueNotAvailable;
    const uint32_t g = Gcd(Numerator, Denominator);
    const uint32_t n = Numerator / g;
    const uint32_t d = Denominator / g;
    const uint32_t whole = n / d;
    const uint32_t rest = n % d;
    QString text;
    if (whole != 0) text = QString::number(whole) + u' ';
    if (rest != 0) text += QString::number(rest) + u'/' + QString::number(d);
    return text.trimmed();
}

QString FormatPropertyValue(const void* Value, uint16_t ValueType, uint32_t TagId,
                            uint32_t ValueLength) {
    switch (ValueType) {
    case 1: {
        uint8_t v;
        return ReadAt(Value, ValueLength, 0, v) ? QString::number(v) : kValueNotAvailable;
    }
    case 2: return AsciiText(static_cast<const char*>(Value), ValueLength);
    case 3: {
        uint16_t v;
        return ReadAt(Value, ValueLength, 0, v) ? QString::number(v) : kValueNotAvailable;
    }
    case 4: {
        uint32_t v;
        return ReadAt(Value, ValueLength, 0, v) ? QString::number(v) : kValueNotAvailable;
    }
    case 5: {
        uint32_t n, d;
        if (!ReadAt(Value, ValueLength, 0, n) || !ReadAt(Value, ValueLength, 4, d))
            return kValueNotAvailable;
        return RationalText(n, d, TagId);
    }
    case 10: {
        int32_t n, d;
        if (!ReadAt(Value, ValueLength, 0, n) || !ReadAt(Value, ValueLength, 4, d))
            return kValueNotAvailable;
        return SignedRationalText(n, d, TagId);
    }
    default: return kValueNotAvailable;
    }
}
