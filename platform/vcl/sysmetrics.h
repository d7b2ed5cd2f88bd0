#pragma once
// GetSystemMetrics with the Linux meanings of the few values the program asks for.

enum : int {
    SM_CXSCREEN = 0,   // width of the primary screen
    SM_CYSCREEN = 1,   // height of the primary screen
    SM_CXVSCROLL = 2,  // width of a vertical scroll bar: the style's scroll-bar extent
};

// 0 for any other index, and without a GUI application.
int GetSystemMetrics(int nIndex);
