#pragma once
#include "base/Platform.h"

// Creates the statistics window, hidden and without owner, and fills its
// table once; null on failure.
HWND CreateStatsWindow(HINSTANCE instance);

// Rebuilds the title and every cell from the database. A failed query shows
// a message and stops there: cells not reached keep their previous values.
void RefreshStatsWindow(HWND window);
