#pragma once
#include "base/Platform.h"
#include "ui/stats/StatsWindow.h"

#define MAIN_WINDOW_CLASS "DuzaveRarozorodi"

// Registers the hidden main window's class; false when that fails.
bool RegisterMainWindowClass(HINSTANCE instance);
// Creates the hidden main window, which starts everything else (database,
// tray icon, statistics window, watcher). Null when start-up was refused.
HWND CreateMainWindow();
// The main thread's message loop; returns the exit code.
int RunMessageLoop();

// Shows the tray picture of a watcher state (0 searching, 1 attached); state 0
// also runs the detached handling.
void ApplyTrayState(uint32_t state);

// What the tool's statistics window reaches beyond the statistics: the
// opponent table and histories, and the waiting matches when the record
// file changes.
extern const StatsWindowLinks ToolStatsLinks;
