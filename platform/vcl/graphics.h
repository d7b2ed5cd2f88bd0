#pragma once
// Colours and fonts as the forms describe them.

#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>

// A colour: 0x00BBGGRR, or a system colour 0xFF0000nn (nn: the system colour index)
// that follows the style's palette.
using TColor = int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clWindow = static_cast<TColor>(0xFF000005);
constexpr TColor clWindowText = static_cast<TColor>(0xFF000008);
constexpr TColor clHighlight = static_cast<TColor>(0xFF00000D);
constexpr TColor clHighlightText = static_cast<TColor>(0xFF00000E);
constexpr TColor clBtnFace = static_cast<TColor>(0xFF00000F);
constexpr TColor clGrayText = static_cast<TColor>(0xFF000011);
constexpr TColor clBtnText = static_cast<TColor>(0xFF000012);

// The colour as Qt paints it (system colours from the application's palette).
QColor ColorToQColor(TColor color);
// The plain 0x00BBGGRR value of a colour (system colours resolved).
TColor ColorToRGB(TColor color);
TColor QColorToColor(const QColor& color);

// A font by family and height: a negative height is the character height in pixels
// (-11 is 8 points at 96 pixels per inch), a positive one the cell height. A family
// that is not installed ("Tahoma", "MS Shell Dlg 2") falls back to the default
// sans-serif.
QFont MakeFont(const QString& family, int height, bool bold = false);
