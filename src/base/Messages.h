#pragma once
#include "base/Platform.h"

// The program's private window messages, all posted within the process.
const UINT WM_TRAYNOTIFY = 32769;     // tray icon callback; lParam = mouse message
const UINT WM_RECORDCHANGED = 32770;  // to the statistics window: the record changed, refresh
// From the watcher thread to the hidden main window:
//   wParam low word  kind: WATCH_STATE_CHANGED, WATCH_VALUE_CHANGED or WATCH_MATCH_ENDED
//   wParam high word the new watchState, or the GameValue selector
//   lParam           0, the new value, or the match's values (the receiver frees them)
const UINT WM_WATCHNOTIFY = 32778;
