#pragma once
// The window messages a form reacts to when its window is sized, moved, maximised,
// restored or minimised, with their Linux meanings:
//
//   WM_MOVE        every move of the window (the program's own and the window
//                  system's);
//   WM_SIZE        every resize; when one change of geometry moves and resizes the
//                  window (a border dragged at the left or top), WM_MOVE comes first;
//   WM_EXITSIZEMOVE the end of an interactive resize: the first quiet 250 ms after
//                  resize events that came from the window system while the window
//                  was in the normal state (not those of a maximise or restore, nor
//                  those the program asked for);
//   WM_SYSCOMMAND  a maximise (SC_MAXIMIZE), restore (SC_RESTORE) or minimise
//                  (SC_MINIMIZE) done by the window system, delivered once the
//                  window has its new size (after the resize events of the change,
//                  or 100 ms of quiet). A state set by the program sends none.
//
// Each message reaches the form's message method (TForm::WMSize ...) on the GUI
// thread, after the event that caused it has been handled, guarded like every event.

#include <cstdint>

struct TMessage {
    unsigned Msg = 0;
    uintptr_t WParam = 0;
    intptr_t LParam = 0;
    intptr_t Result = 0;
};

enum : unsigned {
    WM_MOVE = 0x0003,
    WM_SIZE = 0x0005,
    WM_SYSCOMMAND = 0x0112,
    WM_EXITSIZEMOVE = 0x0232,
};

// WM_SYSCOMMAND's command, in wParam's bits 4..15 (the low four bits are the
// system's own).
enum : unsigned {
    SC_MINIMIZE = 0xF020,
    SC_MAXIMIZE = 0xF030,
    SC_RESTORE = 0xF120,
};

// WM_SIZE's wParam; its lParam holds the client width (low 16 bits) and height.
// WM_MOVE's lParam holds the client area's screen position the same way.
enum : unsigned { SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2 };
