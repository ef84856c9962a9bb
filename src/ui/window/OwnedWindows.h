#pragma once
#include "base/Platform.h"

// Destroys every top-level window of this thread that owner owns and that
// has the popup, border or system-menu style: the windows a profile load
// must close.
void CloseOwnedWindows(HWND owner);
// Posts message to every top-level window of this thread that owner owns,
// but not to except (the window that made a change shows it already).
void PostToOwnedWindows(HWND owner, UINT message, HWND except);
