#pragma once
// Property values as the image services deliver them (host byte order), and a scoped
// numeric locale for the decimal separator.

#include <QByteArray>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <string>

namespace exif_test {

template <class... T>
QByteArray Bytes(T... values) {
    QByteArray out;
    (out.append(reinterpret_cast<const char*>(&values), sizeof values), ...);
    return out;
}
inline QByteArray Rational(uint32_t n, uint32_t d) { return Bytes(n, d); }
inline QByteArray SRational(int32_t n, int32_t d) { return Bytes(n, d); }

// LC_NUMERIC set to `name` for the object's life; Ok() is false when the system does
// not have that locale.
class ScopedNumericLocale {
public:
    explicit ScopedNumericLocale(const char* name) {
        const char* now = std::setlocale(LC_NUMERIC, nullptr);
        previous_ = now ? now : "C";
        ok_ = std::setlocale(LC_NUMERIC, name) != nullptr;
    }
    ~ScopedNumericLocale() { std::setlocale(LC_NUMERIC, previous_.c_str()); }
    bool Ok() const { return ok_; }

private:
    std::string previous_;
    bool ok_ = false;
};

}  // namespace exif_test
