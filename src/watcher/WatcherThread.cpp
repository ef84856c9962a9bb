#include "watcher/WatcherThread.h"
#include "base/HeapAllocator.h"
#include "watcher/BattleState.h"
#include "watcher/GameAddressTable.h"
#include "watcher/GameProcess.h"
#include "watcher/MatchEnd.h"

WatcherState GameWatcher = {nullptr, 0, nullptr, 0, WATCH_SEARCHING, 0, {}, false, nullptr, SRWLOCK_INIT, {}};

// Only what the tool uses: it reads the game and waits for its end.
static const DWORD GAME_PROCESS_RIGHTS = PROCESS_VM_READ | SYNCHRONIZE;
static const DWORD POLL_PERIOD_MS = 100;
// A game whose process cannot be opened is tried again at most this often.
static const DWORD OPEN_RETRY_MS = 1000;

static void Notify(WatchNotifyKind kind, int32_t high, int32_t value)
{
    if (GameWatcher.target)
        PostMessageA(GameWatcher.target, GameWatcher.message, MAKEWPARAM(kind, high), static_cast<LPARAM>(value));
}

// Searching: attaches when the game's window is found and its process opens.
static void TryAttach(DWORD* lastFailedOpen, bool* openFailed)
{
    if (*openFailed && GetTickCount() - *lastFailedOpen < OPEN_RETRY_MS)
        return;
    HWND window = FindWindowA(GameAddresses.windowClass, GameAddresses.windowTitle);
    if (!window)
        return;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = processId ? OpenProcess(GAME_PROCESS_RIGHTS, FALSE, processId) : nullptr;
    if (!process) {
        *openFailed = true;
        *lastFailedOpen = GetTickCount();
        return;
    }
    *openFailed = false;
    SetGameProcess(process);
    for (int32_t i = 0; i < WATCHED_VALUE_COUNT; ++i)
        GameWatcher.lastValues[i] = 0;
    GameWatcher.firstPoll = true;
    GameWatcher.state = WATCH_ATTACHED;
    Notify(WATCH_STATE_CHANGED, WATCH_ATTACHED, 0);
}

// The values of a match that has just ended travel with the report, so
// that neither a busy main thread nor the next match can change them.
static void ReportMatchEnd()
{
    MatchEnd* end = static_cast<MatchEnd*>(Heap.Allocate(sizeof(MatchEnd)));
    CaptureMatchEnd(GameWatcher.firstPoll, end);
    if (!GameWatcher.target || !PostMessageA(GameWatcher.target, GameWatcher.message,
                                             MAKEWPARAM(WATCH_MATCH_ENDED, 0), reinterpret_cast<LPARAM>(end)))
        Heap.Free(end);
}

// Attached: detaches when the game has ended, else reports changed values.
static void Poll()
{
    if (WaitForSingleObject(AttachedGameProcess(), 0) != WAIT_TIMEOUT) {
        SetGameProcess(nullptr);
        GameWatcher.state = WATCH_SEARCHING;
        Notify(WATCH_STATE_CHANGED, WATCH_SEARCHING, 0);
        return;
    }
    for (int32_t i = 0; i < WATCHED_VALUE_COUNT; ++i) {
        int32_t v = ReadGameValue(i);
        if (v == GAME_VALUE_UNREADABLE) {
            // Forgotten, so that it is reported again once it reads as non-zero.
            GameWatcher.lastValues[i] = 0;
        } else if (v != GameWatcher.lastValues[i]) {
            Notify(WATCH_VALUE_CHANGED, i, v);
            if (i == BattleMode && v == BATTLE_MODE_MATCH_ENDED)
                ReportMatchEnd();
            GameWatcher.lastValues[i] = v;
        }
    }
    GameWatcher.firstPoll = false;
}

static VOID CALLBACK WakeUp(ULONG_PTR)
{
}

DWORD WINAPI WatcherThread(LPVOID)
{
    GameWatcher.state = WATCH_SEARCHING;
    DWORD lastFailedOpen = 0;
    bool openFailed = false;
    for (;;) {
        MSG message;
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) && message.message == WM_QUIT)
            break;
        if (GameWatcher.stopRequested)
            break;
        if (GameWatcher.state == WATCH_SEARCHING)
            TryAttach(&lastFailedOpen, &openFailed);
        else
            Poll();
        SleepEx(POLL_PERIOD_MS, TRUE);
    }
    return 0;
}

bool StartWatcher(HWND target)
{
    LoadGameAddressTable();
    GameWatcher.target = target;
    GameWatcher.message = WM_WATCHNOTIFY;
    GameWatcher.stopRequested = 0;
    GameWatcher.state = WATCH_SEARCHING;
    GameWatcher.thread = CreateThread(nullptr, 0, WatcherThread, nullptr, 0, &GameWatcher.threadId);
    return GameWatcher.thread != nullptr;
}

void StopWatcher()
{
    InterlockedExchange(&GameWatcher.stopRequested, 1);
    PostThreadMessageA(GameWatcher.threadId, WM_QUIT, 0, 0);
    QueueUserAPC(WakeUp, GameWatcher.thread, 0);
    WaitForSingleObject(GameWatcher.thread, INFINITE);
    CloseHandle(GameWatcher.thread);
    GameWatcher.thread = nullptr;
    GameWatcher.threadId = 0;
    // No thread watches the game any more: its handle must not outlive that,
    // or reads would still reach a game that nothing reports on.
    SetGameProcess(nullptr);
    GameWatcher.state = WATCH_SEARCHING;
}
