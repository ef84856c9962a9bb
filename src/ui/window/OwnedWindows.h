#pragma once
#include "base/Platform.h"

// Destroys every top-level window of this thread that owner owns and that
// has the popup, border or system-menu style: the windows a profile load
// must close.
void CloseOwnedWindows(HWND owner);
