#pragma once
#include "base/Messages.h"
#include "watcher/BattleState.h"

// The background thread that finds the running game by its window, opens its
// process for reading, and polls selectors 0..8 ten times a second. It only
// reports, by posting WM_WATCHNOTIFY to the notification target; when the
// battle mode turns 5 it also takes the match's values at once (MatchEnd.h).

enum WatchNotifyKind : uint16_t {
    WATCH_STATE_CHANGED = 0,
    WATCH_VALUE_CHANGED = 1,
    WATCH_MATCH_ENDED = 2,  // lParam: a MatchEnd from the heap, the receiver frees it
};

enum WatchState : int32_t {
    WATCH_SEARCHING = 0,
    WATCH_ATTACHED = 1,
};

// Selectors 0..8 are polled.
const int32_t WATCHED_VALUE_COUNT = 9;

// Everything the watcher keeps, process-wide. The main thread sets thread,
// threadId, target and message before the thread runs; the watcher thread
// alone writes state, lastValues and the process handle.
struct WatcherState {
    HANDLE thread;                            // the watcher thread; null when not running
    DWORD threadId;                           // its id, for the quit message
    HWND target;                              // where reports go; none are posted while null
    UINT message;                             // the message a report is posted as
    volatile int32_t state;                   // WATCH_SEARCHING or WATCH_ATTACHED; readable any time
    volatile LONG stopRequested;              // set by StopWatcher: a thread without a queue misses WM_QUIT
    int32_t lastValues[WATCHED_VALUE_COUNT];  // each polled value as last reported
    bool firstPoll;                           // no poll since the attach yet
    HANDLE gameProcess;                       // the attached game; replaced only under gameProcessLock
    SRWLOCK gameProcessLock;                  // held shared by a read chain, so its handle stays open
    char nameBuffer[GAME_NAME_SIZE];          // the profile name read last, main thread only
};
extern WatcherState GameWatcher;

// Loads the game address table, sets the target and starts the thread.
// False when the thread could not be created.
bool StartWatcher(HWND target);
// Ends the thread and waits for it, whatever it is doing; only after a
// successful StartWatcher. Closes the game process handle.
void StopWatcher();

// The thread body; its argument is not used.
DWORD WINAPI WatcherThread(LPVOID);

