// CPU time of the watcher thread while it is attached to the game stand-in
// (th123stub.exe beside this program) and polls it.
// Usage: WatcherBench [SECONDS]   (default 30)
#include "base/ProgramPaths.h"
#include "shell/Globals.h"
#include "watcher/BattleState.h"
#include "watcher/GameProcess.h"
#include "watcher/WatcherThread.h"
#include <stdio.h>
#include <stdlib.h>

static int valueNotices;
static int stateNotices;
static int attached;

static LRESULT CALLBACK TargetProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_WATCHNOTIFY) {
        if (LOWORD(wParam) == WATCH_STATE_CHANGED) {
            ++stateNotices;
            attached = HIWORD(wParam);
        } else if (LOWORD(wParam) == WATCH_MATCH_ENDED) {
            Heap.Free(reinterpret_cast<void*>(lParam));
        } else {
            ++valueNotices;
        }
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

static void PumpFor(DWORD ms, bool untilAttached)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        DWORD elapsed = GetTickCount() - start;
        if ((untilAttached && attached) || elapsed >= ms)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    }
}

static double ThreadCpuMs(HANDLE thread)
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(thread, &created, &exited, &kernel, &user))
        return -1;
    ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
    ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
    return static_cast<double>(k.QuadPart + u.QuadPart) / 10000.0;
}

// Starts the stand-in with its input on a pipe that this process keeps: the
// stand-in ends when this process does. Waits for its start line.
static bool StartStandIn(const char* folder, HANDLE* process, HANDLE* input)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE childIn, childOut, fromChild;
    if (!CreatePipe(&childIn, input, &inherit, 0) || !CreatePipe(&fromChild, &childOut, &inherit, 0))
        return false;
    SetHandleInformation(*input, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(fromChild, HANDLE_FLAG_INHERIT, 0);
    char line[2048];
    wnsprintfA(line, sizeof line, "\"%s\\th123stub.exe\" -ini \"%s\"", ModuleDirectory.data, folder);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = childOut;
    PROCESS_INFORMATION info = {};
    BOOL ok = CreateProcessA(nullptr, line, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    CloseHandle(childIn);
    CloseHandle(childOut);
    if (!ok)
        return false;
    CloseHandle(info.hThread);
    *process = info.hProcess;
    char c;
    DWORD got;
    while (ReadFile(fromChild, &c, 1, &got, nullptr) && got == 1 && c != '\n')
        putchar(c);
    putchar('\n');
    CloseHandle(fromChild);
    // Values that every chain reads through to the end.
    const char* setup = "scene 13\ncomm 4\nmode 1\nlchar 3\nrchar 7\nlwin 1\nrwin 1\npeer 0x0100007F\n"
                        "dest 2\ndestaddr 0x0200A8C0\n";
    DWORD written;
    WriteFile(*input, setup, static_cast<DWORD>(strlen(setup)), &written, nullptr);
    return true;
}

int main(int argc, char** argv)
{
    CreateGlobals();
    int seconds = argc > 1 ? atoi(argv[1]) : 30;
    if (seconds <= 0)
        seconds = 30;

    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    PathRemoveFileSpecA(path);
    char temp[MAX_PATH], folder[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    wnsprintfA(folder, sizeof folder, "%svty-bench-%lu", temp, GetCurrentProcessId());
    CreateDirectoryA(folder, nullptr);

    ModuleDirectory.Assign(path);
    HANDLE game = nullptr, gameInput = nullptr;
    if (!StartStandIn(folder, &game, &gameInput)) {
        printf("cannot start th123stub.exe\n");
        return 1;
    }
    // The address table is read from beside the tool: here, the stand-in's folder.
    ModuleDirectory.Assign(folder);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = TargetProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VtyWatcherBench";
    RegisterClassA(&wc);
    HWND target = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                  nullptr);
    if (!StartWatcher(target)) {
        printf("cannot start the watcher\n");
        return 1;
    }
    PumpFor(10000, true);
    if (!attached) {
        printf("the watcher did not attach\n");
        return 1;
    }
    PumpFor(1000, false);  // let the first changes through

    double cpuStart = ThreadCpuMs(GameWatcher.thread);
    DWORD wallStart = GetTickCount();
    PumpFor(static_cast<DWORD>(seconds) * 1000, false);
    double cpuEnd = ThreadCpuMs(GameWatcher.thread);
    DWORD wallMs = GetTickCount() - wallStart;
    bool stillAttached = attached != 0;

    // Where a poll's time goes: each step timed on this thread.
    const int rounds = 3000;
    HANDLE self = GetCurrentThread();
    printf("cost of each step of a poll, on this thread (%d rounds):\n", rounds);
    double pollTotal = 0;
    for (int32_t selector = 0; selector < WATCHED_VALUE_COUNT; ++selector) {
        double before = ThreadCpuMs(self);
        for (int i = 0; i < rounds; ++i)
            ReadGameValue(selector);
        double us = (ThreadCpuMs(self) - before) * 1000.0 / rounds;
        pollTotal += us;
        printf("  ReadGameValue(%d): %.1f us\n", selector, us);
    }
    HANDLE process = BeginGameRead();
    EndGameRead();
    double before = ThreadCpuMs(self);
    for (int i = 0; i < rounds; ++i)
        WaitForSingleObject(process, 0);
    double waitUs = (ThreadCpuMs(self) - before) * 1000.0 / rounds;
    before = ThreadCpuMs(self);
    for (int i = 0; i < rounds; ++i) {
        MSG msg;
        PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_NOREMOVE);
    }
    double peekUs = (ThreadCpuMs(self) - before) * 1000.0 / rounds;
    printf("  process handle test: %.1f us, message queue look: %.1f us\n", waitUs, peekUs);
    printf("  sum of one poll's steps: %.1f us\n", pollTotal + waitUs + peekUs);
    StopWatcher();

    double cpuMs = cpuEnd - cpuStart;
    // One poll per 100 ms period (plus the poll's own time, which is tiny).
    double polls = wallMs / 100.0;
    printf("attached for %.1f s, %s, %d value notices\n", wallMs / 1000.0,
           stillAttached ? "still attached" : "DETACHED", valueNotices);
    printf("watcher thread CPU time: %.2f ms in total\n", cpuMs);
    printf("  per minute: %.2f ms (%.4f %% of one core)\n", cpuMs * 60000.0 / wallMs, cpuMs * 100.0 / wallMs);
    printf("  per poll:   %.1f us (about %.0f polls)\n", cpuMs * 1000.0 / polls, polls);

    CloseHandle(gameInput);  // the stand-in ends with its input
    WaitForSingleObject(game, 5000);
    CloseHandle(game);
    char ini[MAX_PATH];
    wnsprintfA(ini, sizeof ini, "%s\\SWRSAddr.ini", folder);
    DeleteFileA(ini);
    RemoveDirectoryA(folder);
    ReleaseGlobals();
    return stillAttached ? 0 : 1;
}
