#pragma once
// Shortcuts as the form code stores them: a virtual-key code (keys.h) in the low
// byte, plus scShift, scCtrl and scAlt. Ctrl+Del is scCtrl + VK_DELETE = 16430; a
// one-key shortcut is the key code alone ('R' = 0x52, Enter = VK_RETURN = 0x0D).

#include "platform/vcl/keys.h"

#include <QString>
#include <cstdint>

using TShortCut = uint16_t;
constexpr TShortCut scNone = 0;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

// The shortcut of a key with the Shift, Ctrl and Alt parts of a shift state (mouse
// buttons are ignored); scNone for a key code that does not fit the low byte.
TShortCut ShortCut(uint16_t key, TShiftState shift);
// Splits a shortcut into its key code and its shift state (ssShift, ssCtrl, ssAlt).
void ShortCutToKey(TShortCut shortCut, uint16_t& key, TShiftState& shift);
// The shortcut's text as a menu shows it: "Ctrl+Del", "Shift+F5", "R", "Enter";
// empty for scNone.
QString ShortCutToText(TShortCut shortCut);
