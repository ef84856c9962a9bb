#include "watcher/GameProcess.h"

// Written only under the exclusive lock, so that no read chain of the main
// thread ever uses a closed handle (whose value the system may already have
// given to another object).
static HANDLE gameProcess;
static SRWLOCK gameProcessLock = SRWLOCK_INIT;

HANDLE BeginGameRead()
{
    AcquireSRWLockShared(&gameProcessLock);
    return gameProcess;
}

void EndGameRead()
{
    ReleaseSRWLockShared(&gameProcessLock);
}

void SetGameProcess(HANDLE process)
{
    AcquireSRWLockExclusive(&gameProcessLock);
    HANDLE old = gameProcess;
    gameProcess = process;
    if (old)
        CloseHandle(old);
    ReleaseSRWLockExclusive(&gameProcessLock);
}

HANDLE AttachedGameProcess()
{
    return gameProcess;
}
