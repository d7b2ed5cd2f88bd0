#include "platform/vcl/graphics.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>

namespace {
QPalette::ColorRole RoleOf(int index) {
    switch (index) {
    case 0x05: return QPalette::Base;
    case 0x08: return QPalette::Text;
    case 0x0D: return QPalette::Highlight;
    case 0x0E: return QPalette::HighlightedText;
    case 0x0F: return QPalette::Button;
    case 0x12: return QPalette::ButtonText;
    default: return QPalette::Window;
    }
}
}  // namespace

QColor ColorToQColor(TColor color) {
    const auto bits = static_cast<uint32_t>(color);
    if ((bits & 0xFF000000u) == 0xFF000000u) {
        const int index = static_cast<int>(bits & 0xFFu);
        const QPalette palette = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                     ? QGuiApplication::palette()
                                     : QPalette();
        if (index == 0x11) return palette.color(QPalette::Disabled, QPalette::Text);
        return palette.color(QPalette::Active, RoleOf(index));
    }
    return QColor(static_cast<int>(bits & 0xFF), static_cast<int>((bits >> 8) & 0xFF),
                  static_cast<int>((bits >> 16) & 0xFF));
}

TColor QColorToColor(const QColor& color) {
    return static_cast<TColor>(static_cast<uint32_t>(color.red()) |
                               (static_cast<uint32_t>(color.green()) << 8) |
                               (static_cast<uint32_t>(color.blue()) << 16));
}

TColor ColorToRGB(TColor color) { return QColorToColor(ColorToQColor(color)); }

QFont MakeFont(const QString& family, int height, bool bold) {
    QFont font;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (QFontDatabase::families().contains(family, Qt::CaseInsensitive))
            font.setFamily(family);
        else
            font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    }
    font.setStyleHint(QFont::SansSerif);
    // A cell height includes the internal leading, roughly a fifth of it.
    const int pixels = height < 0 ? -height : (height * 4 + 2) / 5;
    if (pixels > 0) font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}
