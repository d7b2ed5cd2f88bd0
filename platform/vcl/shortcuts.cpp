#include "platform/vcl/shortcuts.h"

#include <array>
#include <utility>

TShortCut ShortCut(uint16_t key, TShiftState shift) {
    if (key == 0 || key > 0xFF) return scNone;
    TShortCut s = key;
    if (shift & ssShift) s |= scShift;
    if (shift & ssCtrl) s |= scCtrl;
    if (shift & ssAlt) s |= scAlt;
    return s;
}

void ShortCutToKey(TShortCut shortCut, uint16_t& key, TShiftState& shift) {
    key = shortCut & 0xFF;
    shift = 0;
    if (shortCut & scShift) shift |= ssShift;
    if (shortCut & scCtrl) shift |= ssCtrl;
    if (shortCut & scAlt) shift |= ssAlt;
}

namespace {
// The names a menu shows for the keys that are not letters, digits or F-keys.
constexpr std::array<std::pair<uint16_t, const char*>, 16> kKeyNames{{
    {VK_BACK, "BkSp"},
    {VK_TAB, "Tab"},
    {VK_RETURN, "Enter"},
    {VK_ESCAPE, "Esc"},
    {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"},
    {VK_NEXT, "PgDn"},
    {VK_END, "End"},
    {VK_HOME, "Home"},
    {VK_LEFT, "Left"},
    {VK_UP, "Up"},
    {VK_RIGHT, "Right"},
    {VK_DOWN, "Down"},
    {VK_INSERT, "Ins"},
    {VK_DELETE, "Del"},
    {VK_PAUSE, "Pause"},
}};

QString KeyName(uint16_t key) {
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return QString(QChar(key));
    if (key >= VK_F1 && key <= VK_F12) return QStringLiteral("F%1").arg(key - VK_F1 + 1);
    for (const auto& [vk, name] : kKeyNames)
        if (vk == key) return QString::fromLatin1(name);
    return {};
}
}  // namespace

QString ShortCutToText(TShortCut shortCut) {
    uint16_t key = 0;
    TShiftState shift = 0;
    ShortCutToKey(shortCut, key, shift);
    const QString name = KeyName(key);
    if (name.isEmpty()) return {};
    QString text;
    if (shift & ssShift) text += QStringLiteral("Shift+");
    if (shift & ssCtrl) text += QStringLiteral("Ctrl+");
    if (shift & ssAlt) text += QStringLiteral("Alt+");
    return text + name;
}
