#pragma once
#include "base/Messages.h"

// The background thread that finds the running game by its window, opens its
// process for reading, and polls selectors 0..8 ten times a second. It only
// reports, by posting WM_WATCHNOTIFY to the notification target.

enum WatchNotifyKind : uint16_t {
    WATCH_STATE_CHANGED = 0,
    WATCH_VALUE_CHANGED = 1,
};

enum WatchState : int32_t {
    WATCH_SEARCHING = 0,
    WATCH_ATTACHED = 1,
};

// Selectors 0..8 are polled.
const int32_t WATCHED_VALUE_COUNT = 9;

// Process-wide watcher state. The main thread sets the thread fields and the
// target before the thread runs; watchState is written by the watcher only
// and may be read by the main thread at any time; lastValues belongs to the
// watcher thread.
extern HANDLE watcherThreadHandle;  // null when not running
extern DWORD watcherThreadId;
extern HWND watchTarget;            // no message is posted while null
extern UINT watchMessage;
extern volatile int32_t watchState;
extern int32_t lastValues[WATCHED_VALUE_COUNT];

// Loads the game address table, sets the target and starts the thread.
// False when the thread could not be created.
bool StartWatcher(HWND target);
// Ends the thread and waits for it, whatever it is doing; only after a
// successful StartWatcher. Closes the game process handle.
void StopWatcher();

// The thread body; its argument is not used.
DWORD WINAPI WatcherThread(LPVOID);

