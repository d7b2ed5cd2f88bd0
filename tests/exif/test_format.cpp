// Value formatting, every case with "." and with "," as the locale's decimal
// separator.
#include "exif/exif_format.h"
#include "tests/exif/exif_values.h"

#include <gtest/gtest.h>
#include <climits>

using namespace exif_test;

namespace {

QString Format(const QByteArray& value, uint16_t type, uint32_t tag) {
    return FormatPropertyValue(value.constData(), type, tag, static_cast<uint32_t>(value.size()));
}

struct Case {
    QByteArray value;
    uint16_t type;
    uint32_t tag;
    QString expected;  // with "." as separator
};

// Every case of the formatting rules, with the "." separator.
std::vector<Case> Cases() {
    return {
        // Unsigned rationals written as fractions.
        {Rational(1, 250), 5, 0x829A, "1/250"},
        {Rational(10, 4), 5, 0x829A, "2 1/2"},
        {Rational(3, 2), 5, 0x829A, "1 1/2"},
        {Rational(5, 10), 5, 0x829A, "1/2"},
        {Rational(72, 1), 5, 0x011A, "72"},
        {Rational(300, 1), 5, 0x011A, "300"},
        {Rational(0, 1), 5, 0x829A, ""},
        {Rational(4, 1), 5, 0x9202, "4"},  // the APEX aperture value is not converted
        // F-number, "0.0".
        {Rational(28, 10), 5, 0x829D, "2.8"},
        {Rational(56, 10), 5, 0x829D, "5.6"},
        {Rational(8, 1), 5, 0x829D, "8.0"},
        // Maximum lens aperture: (sqrt 2)^v, "0.00".
        {Rational(3, 1), 5, 0x9205, "2.83"},
        {Rational(0, 1), 5, 0x9205, "1.00"},
        // Focal length, general format.
        {Rational(185, 10), 5, 0x920A, "18.5"},
        {Rational(50, 1), 5, 0x920A, "50"},
        {Rational(1, 3), 5, 0x920A, "0.333333333333333"},
        // Shutter speed: 2^-v seconds, "0.0000".
        {SRational(8, 1), 10, 0x9201, "0.0039"},
        {SRational(10, 1), 10, 0x9201, "0.0010"},
        {SRational(0, 1), 10, 0x9201, "1.0000"},
        {SRational(-1, 1), 10, 0x9201, "2.0000"},
        // Other signed rationals, general format.
        {SRational(-1, 3), 10, 0x9204, "-0.333333333333333"},
        {SRational(0, 1), 10, 0x9204, "0"},
        {SRational(2, 3), 10, 0x9203, "0.666666666666667"},
        // Integers, unsigned.
        {Bytes(uint32_t{0xFFFFFFFF}), 4, 0x0100, "4294967295"},
        {Bytes(uint16_t{65535}), 3, 0x0100, "65535"},
        {Bytes(uint8_t{255}), 1, 0x0100, "255"},
        {Bytes(uint16_t{100}, uint16_t{200}), 3, 0x8827, "100"},
        // Text up to the first zero byte.
        {QByteArray("Canon\0junk", 10), 2, 0x010F, "Canon"},
        {QByteArray("\0", 1), 2, 0x010F, ""},
        // Types without a text.
        {Bytes(uint32_t{1}), 7, 0x9209, "N/A"},
        {Bytes(int32_t{-5}), 9, 0x9204, "N/A"},
        {Bytes(uint32_t{1}), 0, 0x0100, "N/A"},
        {Bytes(uint32_t{1}), 6, 0x0100, "N/A"},
        {Bytes(uint32_t{1}), 8, 0x0100, "N/A"},
        {Bytes(uint32_t{1}), 11, 0x0100, "N/A"},
        {Bytes(uint32_t{1}), 0xFFFF, 0x0100, "N/A"},
    };
}

QString WithComma(QString text) { return text.replace(u'.', u','); }

}  // namespace

TEST(FormatPropertyValue, EveryRuleWithPointAsSeparator) {
    ScopedNumericLocale locale("C");
    for (const Case& c : Cases())
        EXPECT_EQ(Format(c.value, c.type, c.tag), c.expected)
            << "type " << c.type << " tag " << std::hex << c.tag;
}

TEST(FormatPropertyValue, EveryRuleWithCommaAsSeparator) {
    ScopedNumericLocale locale("de_DE.UTF-8");
    if (!locale.Ok()) GTEST_SKIP() << "the locale de_DE.UTF-8 is not installed (scripts/deps.sh)";
    ASSERT_EQ(LocaleDecimalSeparator(), ",");
    for (const Case& c : Cases())
        EXPECT_EQ(Format(c.value, c.type, c.tag), WithComma(c.expected))
            << "type " << c.type << " tag " << std::hex << c.tag;
    EXPECT_EQ(Format(Rational(28, 10), 5, 0x829D), "2,8");
}

TEST(FormatPropertyValue, ZeroDenominatorsNeverDivide) {
    // Every rational format, 0/0 included: a text, no failure, no trap.
    for (uint32_t tag : {0x829Au, 0x829Du, 0x9205u, 0x920Au, 0x9206u}) {
        EXPECT_EQ(Format(Rational(0, 0), 5, tag), "N/A") << std::hex << tag;
        EXPECT_EQ(Format(Rational(7, 0), 5, tag), "N/A") << std::hex << tag;
    }
    for (uint32_t tag : {0x9201u, 0x9203u, 0x9204u}) {
        EXPECT_EQ(Format(SRational(0, 0), 10, tag), "N/A") << std::hex << tag;
        EXPECT_EQ(Format(SRational(-7, 0), 10, tag), "N/A") << std::hex << tag;
    }
    EXPECT_EQ(FractionText(0, 0), "N/A");
    EXPECT_EQ(FractionText(5, 0), "N/A");
}

TEST(FormatPropertyValue, ShortValuesReadNothingPastTheirLength) {
    // The value lies at the very end of its buffer, so a read past it would leave it
    // (the sanitizer build sees that); the text is "N/A".
    const QByteArray full = Rational(28, 10) + SRational(8, 1) + Bytes(uint32_t{7});
    struct Short {
        uint16_t type;
        uint32_t length;
    };
    for (const Short& s : {Short{1, 0}, Short{2, 0}, Short{3, 1}, Short{4, 3}, Short{5, 7},
                           Short{5, 4}, Short{10, 7}, Short{10, 0}}) {
        const QByteArray value = full.left(s.length);
        std::unique_ptr<char[]> exact(new char[s.length + 1]);
        std::memcpy(exact.get(), value.constData(), s.length);
        EXPECT_EQ(FormatPropertyValue(exact.get(), s.type, 0x829D, s.length), "N/A")
            << "type " << s.type << " length " << s.length;
    }
    EXPECT_EQ(FormatPropertyValue(nullptr, 4, 0x0100, 4), "N/A");
    // Text without a zero byte ends where its value ends.
    const char text[5] = {'N', 'I', 'K', 'O', 'N'};
    EXPECT_EQ(FormatPropertyValue(text, 2, 0x010F, 5), "NIKON");
}

TEST(FormatPropertyValue, ExtremeRationalsGiveATextWithoutFailing) {
    ScopedNumericLocale locale("C");
    EXPECT_EQ(Format(SRational(INT32_MIN, 1), 10, 0x9201), "INF");
    EXPECT_EQ(Format(SRational(INT32_MAX, 1), 10, 0x9201), "0.0000");
    EXPECT_EQ(Format(Rational(UINT32_MAX, 1), 5, 0x9205), "INF");
    EXPECT_EQ(Format(Rational(UINT32_MAX, 1), 5, 0x829A), "4294967295");
    EXPECT_EQ(Format(Rational(UINT32_MAX, UINT32_MAX - 1), 5, 0x829A), "1 1/4294967294");
    EXPECT_EQ(Format(SRational(INT32_MIN, -1), 10, 0x9204), "2147483648");
    EXPECT_EQ(Format(SRational(1, INT32_MIN), 10, 0x9204), "-4.65661287307739E-10");
}

TEST(GeneralFormat, FixedOrScientificByMagnitude) {
    ScopedNumericLocale locale("C");
    EXPECT_EQ(FormatGeneral(0.00001L), "0.00001");
    EXPECT_EQ(FormatGeneral(0.000001L), "1E-6");
    EXPECT_EQ(FormatGeneral(123456789012345.0L), "123456789012345");
    EXPECT_EQ(FormatGeneral(1234567890123456.0L), "1.23456789012346E15");
    EXPECT_EQ(FormatGeneral(999999999999999.9L), "1E15");
    EXPECT_EQ(FormatGeneral(-2.5L), "-2.5");
    EXPECT_EQ(FormatGeneral(-0.0L), "0");
    EXPECT_EQ(FormatFixed(2.25L, 1), "2.2");  // ties on the exact binary value: to even
}

TEST(FractionText, ReducesToAMixedNumber) {
    EXPECT_EQ(FractionText(10, 4), "2 1/2");
    EXPECT_EQ(FractionText(1, 250), "1/250");
    EXPECT_EQ(FractionText(300, 1), "300");
    EXPECT_EQ(FractionText(600, 2), "300");
    EXPECT_EQ(FractionText(0, 1), "");
    EXPECT_EQ(FractionText(0, 7), "");
    EXPECT_EQ(FractionText(7, 7), "1");
}

TEST(Gcd, EuclidWithTheRuleForZero) {
    EXPECT_EQ(Gcd(10, 4), 2u);
    EXPECT_EQ(Gcd(4, 10), 2u);
    EXPECT_EQ(Gcd(17, 5), 1u);
    EXPECT_EQ(Gcd(0, 5), 1u);
    EXPECT_EQ(Gcd(0, 0), 1u);
    EXPECT_EQ(Gcd(9, 0), 9u);
    EXPECT_EQ(Gcd(UINT32_MAX, UINT32_MAX - 1), 1u);
    // Consecutive Fibonacci numbers take the most steps.
    EXPECT_EQ(Gcd(1836311903u, 2971215073u), 1u);
}
