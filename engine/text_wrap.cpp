#include "engine/common.h"

// The runtime library's text wrapping, as the program's boxes were laid out with it:
// line break CR LF, break characters tab, space and "-". Positions are 1-based like
// the routine this reproduces, so the column arithmetic reads the same; every access
// goes through at(), which is bounded by the text's length.

namespace {

constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';

bool IsBreakChar(char16_t c) { return c == u'\t' || c == u' ' || c == u'-'; }
bool IsQuoteChar(char16_t c) { return c == u'\'' || c == u'"'; }

}  // namespace

QString WrapText(const QString& Line, int MaxCol) {
    const qsizetype lineLen = Line.size();
    auto at = [&](qsizetype pos) -> char16_t {
        return pos >= 1 && pos <= lineLen ? Line[pos - 1].unicode() : u'\0';
    };
    // Whether an existing CR LF line break starts at pos.
    auto breakAt = [&](qsizetype pos) { return at(pos) == kCr && at(pos + 1) == kLf; };

    QString result;
    result.reserve(lineLen + lineLen / 16 + 8);
    qsizetype col = 1, pos = 1, linePos = 1, breakPos = 0;
    char16_t quoteChar = 0;
    bool existingBreak = false;

    while (pos <= lineLen) {
        const char16_t curChar = at(pos);
        if (IsQuoteChar(curChar)) {
            if (quoteChar == 0)
                quoteChar = curChar;
            else if (curChar == quoteChar)
                quoteChar = 0;
        }
        if (quoteChar == 0) {
            if (curChar == kCr) {
                existingBreak = breakAt(pos);
                if (existingBreak) {
                    ++pos;  // onto the LF, which becomes the break position
                    breakPos = pos;
                }
            }
            if (!existingBreak && IsBreakChar(curChar)) breakPos = pos;
        }

        ++pos;
        ++col;

        if (quoteChar == 0 && (existingBreak || (col > MaxCol && breakPos > linePos))) {
            col = 1;
            result += QStringView(Line).mid(linePos - 1, breakPos - linePos + 1);
            if (!IsQuoteChar(curChar)) {
                // Pass over the run of break characters and line breaks that follows;
                // a new line break is added only when text follows and the run does
                // not already end in one.
                while (pos <= lineLen) {
                    if (IsBreakChar(at(pos))) {
                        ++pos;
                        existingBreak = false;
                    } else if (breakAt(pos)) {
                        pos += 2;
                        existingBreak = true;
                    } else {
                        break;
                    }
                }
                if (pos <= lineLen && !existingBreak) result += QStringLiteral("\r\n");
            }
            ++breakPos;
            linePos = breakPos;
            pos = linePos;
            existingBreak = false;
        }
    }
    result += QStringView(Line).mid(linePos - 1);
    return result;
}
