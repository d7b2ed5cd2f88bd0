// Fonts, string formats and text drawn into a layout rectangle.

#include "platform/gdiplus/gpgraphics.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

// The family to use for a name: the name itself when installed, else the default
// sans-serif. Every cell painted makes a font, so the lookup is remembered.
QString ResolveFamily(const QString& name) {
    static std::mutex mutex;
    static QHash<QString, QString> known;
    std::lock_guard<std::mutex> lock(mutex);
    const auto it = known.constFind(name);
    if (it != known.constEnd()) return *it;
    QString family = name;
    if (!QFontDatabase::hasFamily(name)) {
        // The family the font system really picks for a plain sans-serif font.
        QFont sans = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        sans.setStyleHint(QFont::SansSerif);
        family = QFontInfo(sans).family();
    }
    known.insert(name, family);
    return family;
}

// Pixels per unit at 96 dots per inch, the resolution GDI+ gives a screen.
double PixelsPerUnit(int unit) {
    switch (unit) {
    case UnitWorld:
    case UnitDisplay:
    case UnitPixel: return 1.0;
    case UnitPoint: return 96.0 / 72.0;
    case UnitInch: return 96.0;
    case UnitDocument: return 96.0 / 300.0;
    case UnitMillimeter: return 96.0 / 25.4;
    default: return 0.0;
    }
}

}  // namespace

TGPFont::TGPFont(const QString& familyName, float emSize, int style, int unit) {
    const double perUnit = PixelsPerUnit(unit);
    if (!(emSize > 0) || !std::isfinite(emSize) || perUnit == 0.0) {
        lastStatus_ = InvalidParameter;
        return;
    }
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        font_.setFamily(ResolveFamily(familyName));
    font_.setStyleHint(QFont::SansSerif);
    font_.setPixelSize(std::max(1, static_cast<int>(std::lround(emSize * perUnit))));
    font_.setBold((style & FontStyleBold) != 0);
    font_.setItalic((style & FontStyleItalic) != 0);
    font_.setUnderline((style & FontStyleUnderline) != 0);
    font_.setStrikeOut((style & FontStyleStrikeout) != 0);
}

TGPStringFormat::TGPStringFormat(int formatFlags, int /*language*/) : flags_(formatFlags) {}

GpStatus TGPStringFormat::SetTrimming(StringTrimming trimming) {
    if (trimming < StringTrimmingNone || trimming > StringTrimmingEllipsisPath)
        return InvalidParameter;
    trimming_ = trimming;
    return Ok;
}

GpStatus TGPStringFormat::SetAlignment(StringAlignment align) {
    if (align < StringAlignmentNear || align > StringAlignmentFar) return InvalidParameter;
    alignment_ = align;
    return Ok;
}

GpStatus TGPStringFormat::SetLineAlignment(StringAlignment align) {
    if (align < StringAlignmentNear || align > StringAlignmentFar) return InvalidParameter;
    lineAlignment_ = align;
    return Ok;
}

namespace {

double Aligned(StringAlignment align, double start, double room, double used) {
    switch (align) {
    case StringAlignmentCenter: return start + (room - used) / 2;
    case StringAlignmentFar: return start + room - used;
    default: return start;
    }
}

struct Line {
    QString text;
    double width;
};

// The lines shown: wrapped at words (a word longer than the line at characters) unless
// wrapping is off; only whole lines that fit the height; the last one shown carries
// the rest of the text, cut with an ellipsis when the trimming asks for one.
std::vector<Line> LayOut(const QString& text, const QFont& font, const QFontMetricsF& fm,
                         double width, double height, const TGPStringFormat& format) {
    const bool wrap = width > 0 && !(format.GetFormatFlags() & StringFormatFlagsNoWrap);
    const int maxLines =
        height > 0 ? std::max(1, static_cast<int>(std::floor(height / fm.lineSpacing()))) : INT32_MAX;

    std::vector<Line> lines;
    QString broken = text;  // spans index this one
    broken.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    broken.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(broken, font);
    QTextOption option;
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    std::vector<std::pair<int, int>> spans;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        if (wrap) line.setLineWidth(width);
        spans.emplace_back(line.textStart(), line.textLength());
    }
    layout.endLayout();

    const bool cut = static_cast<int>(spans.size()) > maxLines;
    const size_t shown = std::min(spans.size(), static_cast<size_t>(maxLines));
    const StringTrimming trimming = format.GetTrimming();
    const bool ellipsis = width > 0 && trimming >= StringTrimmingEllipsisCharacter;
    auto withoutBreaks = [](QString s) {
        s.replace(QChar::LineSeparator, QLatin1Char(' '));
        return s.trimmed();
    };
    for (size_t i = 0; i < shown; ++i) {
        QString s = withoutBreaks(broken.mid(spans[i].first, spans[i].second));
        if (ellipsis) {
            const bool rest = cut && i + 1 == shown;
            const QString candidate = rest ? withoutBreaks(broken.mid(spans[i].first)) : s;
            if (rest || fm.horizontalAdvance(candidate) > width)
                s = fm.elidedText(candidate,
                                  trimming == StringTrimmingEllipsisPath ? Qt::ElideMiddle
                                                                         : Qt::ElideRight,
                                  width);
        }
        lines.push_back({s, fm.horizontalAdvance(s)});
    }
    return lines;
}

}  // namespace

GpStatus TGPGraphics::DrawString(const QString& text, int length, const TGPFont* font,
                                 const TGPRectF& layoutRect, const TGPStringFormat* format,
                                 const TGPBrush* brush) {
    if (!painter_ || !font || !brush || font->GetLastStatus() != Ok)
        return SetStatus(InvalidParameter);
    if (length < -1) return SetStatus(InvalidParameter);
    const QString shownText = length < 0 ? text : text.left(length);
    if (shownText.isEmpty()) return Ok;

    static const TGPStringFormat defaultFormat;
    const TGPStringFormat& f = format ? *format : defaultFormat;
    const QFontMetricsF fm(font->Font(), painter_->device());
    const double x = layoutRect.X, y = layoutRect.Y;
    const double width = layoutRect.Width, height = layoutRect.Height;
    const std::vector<Line> lines = LayOut(shownText, font->Font(), fm, width, height, f);

    painter_->save();
    painter_->setFont(font->Font());
    painter_->setPen(QColor::fromRgba(brush->Argb()));
    if (width > 0 && height > 0 && !(f.GetFormatFlags() & StringFormatFlagsNoClip))
        painter_->setClipRect(QRectF(x, y, width, height), Qt::IntersectClip);
    const double total = fm.lineSpacing() * static_cast<double>(lines.size());
    double top = height > 0 ? Aligned(f.GetLineAlignment(), y, height, total) : y;
    for (const Line& line : lines) {
        const double left = width > 0 ? Aligned(f.GetAlignment(), x, width, line.width) : x;
        painter_->drawText(QPointF(left, top + fm.ascent()), line.text);
        top += fm.lineSpacing();
    }
    painter_->restore();
    return Ok;
}
