#pragma once
#include "base/Platform.h"

// The program's private window messages, all posted within the process.
const UINT WM_TRAYNOTIFY = 32769;     // tray icon callback; lParam = mouse message
const UINT WM_RECORDCHANGED = 32770;  // to the statistics window: the record changed, refresh
// From the watcher thread to the hidden main window:
//   wParam low word  kind: WATCH_STATE_CHANGED or WATCH_VALUE_CHANGED
//   wParam high word the new watchState, or the GameValue selector
//   lParam           0, or the new value
const UINT WM_WATCHNOTIFY = 32778;
