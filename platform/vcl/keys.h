#pragma once
// Keys as the form code sees them: virtual-key codes and shift states with the
// values of the platform the program was designed on, mapped from Qt's keys.

#include <Qt>
#include <cstdint>

using TShiftState = unsigned;
enum : unsigned {
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,
    ssRight = 0x10,
    ssMiddle = 0x20,
    ssDouble = 0x40,
};

// Letters and digits are their upper-case ASCII codes ('A' = 0x41, '0' = 0x30).
enum : uint16_t {
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,  // Alt
    VK_PAUSE = 0x13,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_F1 = 0x70,
    VK_F2 = 0x71,
    VK_F3 = 0x72,
    VK_F4 = 0x73,
    VK_F5 = 0x74,
    VK_F6 = 0x75,
    VK_F7 = 0x76,
    VK_F8 = 0x77,
    VK_F9 = 0x78,
    VK_F10 = 0x79,
    VK_F11 = 0x7A,
    VK_F12 = 0x7B,
};

// The virtual-key code of a Qt key (Qt::Key), 0 when it has none.
uint16_t VirtualKeyFromQt(int qtKey);
// The Qt key of a virtual-key code, 0 when it has none.
int QtKeyFromVirtualKey(uint16_t virtualKey);
// Keyboard modifiers (and mouse buttons, when given) as a shift state.
TShiftState ShiftStateFromQt(Qt::KeyboardModifiers modifiers,
                             Qt::MouseButtons buttons = Qt::NoButton);
