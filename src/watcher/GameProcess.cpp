#include "watcher/GameProcess.h"
#include "watcher/WatcherThread.h"

// The handle is written only under the exclusive lock, so that no read chain
// of the main thread ever uses a closed handle (whose value the system may
// already have given to another object).

HANDLE BeginGameRead()
{
    AcquireSRWLockShared(&GameWatcher.gameProcessLock);
    return GameWatcher.gameProcess;
}

void EndGameRead()
{
    ReleaseSRWLockShared(&GameWatcher.gameProcessLock);
}

void SetGameProcess(HANDLE process)
{
    AcquireSRWLockExclusive(&GameWatcher.gameProcessLock);
    HANDLE old = GameWatcher.gameProcess;
    GameWatcher.gameProcess = process;
    if (old)
        CloseHandle(old);
    ReleaseSRWLockExclusive(&GameWatcher.gameProcessLock);
}

HANDLE AttachedGameProcess()
{
    return GameWatcher.gameProcess;
}
