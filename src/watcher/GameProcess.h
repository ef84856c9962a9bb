#pragma once
#include "base/Platform.h"

// The handle of the attached game's process. Only the watcher thread changes
// it; the main thread reads through it inside BeginGameRead / EndGameRead.

// For one read chain: returns the game process handle, or null while no game
// is attached, and keeps the watcher from closing it until EndGameRead.
// Always paired with EndGameRead, on any thread; not nested.
HANDLE BeginGameRead();
void EndGameRead();

// Watcher thread only: replaces the handle (null detaches), closing the old
// one once no read chain uses it.
void SetGameProcess(HANDLE process);
// Watcher thread only: the handle without the lock; only that thread writes it.
HANDLE AttachedGameProcess();
