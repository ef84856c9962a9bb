#pragma once
#include "base/Platform.h"

// Sizes in this program are written for 96 DPI (100 % display scaling); a
// window scales them by its own DPI, which differs from monitor to monitor.
const uint32_t BASE_DPI = 96;

// Sent by Windows 8.1 and later, above the programs' target version.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The window's DPI: GetDpiForWindow where Windows has it (10, 1607 and
// later), else the screen's, which is 96 for a program Windows scales itself.
uint32_t WindowDpi(HWND window);
// A 96-DPI pixel count at the window's DPI.
int32_t ScaleForWindow(HWND window, int32_t pixels);

// WM_DPICHANGED (the window moved to a monitor of another scaling): takes
// the rectangle Windows suggests and rescales every list's columns. A dialog
// procedure still returns FALSE after it, so that the dialog manager
// rescales the controls and their font as well.
void HandleDpiChanged(HWND window, WPARAM wParam, LPARAM lParam);
