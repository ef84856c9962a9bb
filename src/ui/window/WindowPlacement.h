#pragma once
#include "base/Platform.h"

// A window that reopens where a monitor no longer is (the external screen
// of last week) must still be seen. frame is a window rectangle in screen
// coordinates: when most of it lies inside the work area of the monitor it
// overlaps most, it is left exactly as it is and false is returned;
// otherwise it is moved, keeping its size, inside the work area of the
// nearest monitor (its top left corner first when it does not fit), and
// true is returned.
bool MoveOntoVisibleMonitor(RECT* frame);
// The same for a window where it stands now.
void KeepWindowVisible(HWND window);
// A window opened from another (its owner) starts a title bar's height down
// and right of it, further while a window of this thread already starts
// there, so that it never covers the other exactly; then kept visible.
void CascadeFromOwner(HWND window);
