#include "platform/system/filenames.h"

namespace sys {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // U+DC80..U+DCFF carry the bytes 0x80..0xFF

bool IsEscapedByte(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The length of the valid UTF-8 sequence at `p` (shortest form, no surrogates, at
// most U+10FFFF) and its code point; 0 when the bytes there are no such sequence.
int ValidSequence(const unsigned char* p, qsizetype left, char32_t& cp) {
    const unsigned char b = p[0];
    int n;
    char32_t min;
    if (b < 0x80) {
        cp = b;
        return 1;
    } else if ((b & 0xE0) == 0xC0) {
        n = 2, cp = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        n = 3, cp = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        n = 4, cp = b & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (left < n) return 0;
    for (int i = 1; i < n; ++i) {
        if (!IsContinuation(p[i])) return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

void AppendUtf8(QByteArray& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

QString DecodeFileName(QByteArrayView bytes) {
    QString out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        char32_t cp = 0;
        const int n = ValidSequence(p + i, size - i, cp);
        if (n == 0) {
            out += QChar(static_cast<char16_t>(kEscapeBase + p[i]));
            ++i;
            continue;
        }
        if (cp < 0x10000) {
            out += QChar(static_cast<char16_t>(cp));
        } else {
            out += QChar(QChar::highSurrogate(cp));
            out += QChar(QChar::lowSurrogate(cp));
        }
        i += n;
    }
    return out;
}

QByteArray EncodeFileName(QStringView name) {
    QByteArray out;
    out.reserve(name.size());
    const qsizetype size = name.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = name[i].unicode();
        if (IsEscapedByte(c)) {
            out += static_cast<char>(c - kEscapeBase);
        } else if (QChar::isHighSurrogate(c) && i + 1 < size &&
                   QChar::isLowSurrogate(name[i + 1].unicode())) {
            AppendUtf8(out, QChar::surrogateToUcs4(c, name[i + 1].unicode()));
            ++i;
        } else if (QChar::isSurrogate(c)) {
            AppendUtf8(out, QChar::ReplacementCharacter);  // no name decodes to one
        } else {
            AppendUtf8(out, c);
        }
    }
    return out;
}

QString DisplayFileName(QStringView name) {
    QString out = name.toString();
    for (QChar& c : out)
        if (IsEscapedByte(c.unicode())) c = QChar::ReplacementCharacter;
    return out;
}

}  // namespace sys
