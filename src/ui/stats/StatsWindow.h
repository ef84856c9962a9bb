#pragma once
#include "base/Platform.h"

// What the window's commands reach beyond the statistics, given by its
// creator; a null entry does nothing.
struct StatsWindowLinks {
    void (*openOpponentTable)(HWND owner);                 // the opponent-profile table
    void (*chooseHistoryFilter)(HWND owner);               // the history filter, then a history
    void (*beforeProfileLoad)();  // before another record file opens
    void (*afterProfileLoad)();   // once it did
};

// Creates the statistics window, hidden and without owner, at its saved
// position, with its system menu, and fills its table once; null on failure.
HWND CreateStatsWindow(HINSTANCE instance, const StatsWindowLinks* links);
// Destroys it; its position goes to the settings file only with savePosition.
void DestroyStatsWindow(HWND window, bool savePosition);

// Rebuilds the title and every cell from the database. A failed query shows
// a message and stops there: cells not reached keep their previous values.
void RefreshStatsWindow(HWND window);

// Makes path the current record database. On success both change lists are
// emptied, every popup the window owns is closed and the table refreshed; on
// failure the previous database stays current and the user is told.
bool LoadProfile(HWND window, const char* path);
