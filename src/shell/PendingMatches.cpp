#include "shell/PendingMatches.h"
#include "base/Messages.h"
#include "base/ProgramPaths.h"
#include "base/TextUtil.h"
#include "shell/AppState.h"
#include "shell/MainWindow.h"
#include "store/MatchStore.h"
#include "ui/window/MessageBoxes.h"

// Within the tray's 128-byte tip in code page 932.
#define PENDING_TIP "未保存の対戦結果が %u 件あります（記録ファイルに書き込めません）"
#define PENDING_FILE_NAME "未保存の対戦結果(%s) %04u%02u%02u-%02u%02u%02u%s.db"
#define ERROR_MATCHES_LOST "%u 件の対戦結果を保存できませんでした。"

// Rescue files made in the same second get a number.
const int RESCUE_NAME_TRIES = 10;

GrowArray<MatchRecord> PendingMatches;

// The refresh follows each stored match as it does a match stored at once.
static void AfterStored()
{
    if (App.statsWindow)
        PostMessageA(App.statsWindow, WM_RECORDCHANGED, 0, 0);
}

// The tip tells the player while matches wait, so that they can free the file
// before closing the tool; the timer runs just as long.
static void ShowPendingState()
{
    char tip[FORMAT_TEXT_LIMIT];
    if (PendingMatches.count)
        FormatText(tip, PENDING_TIP, PendingMatches.count);
    else
        lstrcpynA(tip, TRAY_TIP, sizeof tip);
    if (lstrcmpA(tip, App.trayIcon.szTip) != 0 && App.trayIcon.cbSize) {
        lstrcpynA(App.trayIcon.szTip, tip, sizeof App.trayIcon.szTip);
        if (App.trayIconShown)
            Shell_NotifyIconA(NIM_MODIFY, &App.trayIcon);
    }
    if (!App.mainWindow)
        return;
    if (PendingMatches.count)
        SetTimer(App.mainWindow, PENDING_RETRY_TIMER, PENDING_RETRY_INTERVAL_MS, nullptr);
    else
        KillTimer(App.mainWindow, PENDING_RETRY_TIMER);
}

// Stores waiting matches oldest first up to the first the file does not take.
static void FlushPendingMatches(int busyWaitMs)
{
    uint32_t done = 0;
    while (done < PendingMatches.count) {
        const MatchRecord* record = &PendingMatches.At(done);
        uint32_t outcome = StoreMatch(record, busyWaitMs);
        if (outcome == MATCH_NOT_WRITTEN)
            break;
        if (outcome == MATCH_STORED)
            AfterStored();
        ++done;
    }
    if (done == 0)
        return;
    PendingMatches.count -= done;
    memmove(PendingMatches.data, PendingMatches.data + done, PendingMatches.count * sizeof(MatchRecord));
    ShowPendingState();
}

bool StoreFinishedMatch(const MatchRecord* record)
{
    FlushPendingMatches(DATABASE_BUSY_TIMEOUT_MS);
    // Behind a match that still waits, a newer one would only jump the line.
    uint32_t outcome = PendingMatches.count ? MATCH_NOT_WRITTEN : StoreMatch(record, DATABASE_BUSY_TIMEOUT_MS);
    if (outcome == MATCH_STORED) {
        AfterStored();
    } else if (outcome == MATCH_NOT_WRITTEN) {
        PendingMatches.Append(*record);
        ShowPendingState();
    }
    return outcome != MATCH_REFUSED;
}

void RetryPendingMatches(bool briefly)
{
    // A try that waited the full time for another program's lock would stall
    // the windows every few seconds while the file stays busy.
    const int BRIEF_BUSY_WAIT_MS = 100;
    FlushPendingMatches(briefly ? BRIEF_BUSY_WAIT_MS : DATABASE_BUSY_TIMEOUT_MS);
}

// ModuleDirectory\未保存の対戦結果(record) date-time[-n].db, the first that is free.
static bool WriteRescueFile(const char* recordPath)
{
    char record[MAX_PATH];
    lstrcpynA(record, PathFindFileNameA(recordPath), sizeof record);
    PathRemoveExtensionA(record);
    SYSTEMTIME now;
    GetLocalTime(&now);
    TextBuffer path;
    path.Init();
    bool written = false;
    for (int n = 1; !written && n <= RESCUE_NAME_TRIES; ++n) {
        char number[16] = "";
        if (n > 1)
            wnsprintfA(number, sizeof number, "-%d", n);
        char name[FORMAT_TEXT_LIMIT];
        FormatText(name, PENDING_FILE_NAME, record, now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                   now.wSecond, number);
        path.Assign(ModuleDirectory.data);
        path.AppendPath(name);
        if (!PathFileExistsA(path.data))
            written = WriteNewRecordFile(path.data, PendingMatches.data, PendingMatches.count);
    }
    path.Release();
    return written;
}

void RescuePendingMatches(const char* recordPath)
{
    if (!PendingMatches.count)
        return;
    if (!WriteRescueFile(recordPath)) {
        char text[FORMAT_TEXT_LIMIT];
        FormatText(text, ERROR_MATCHES_LOST, PendingMatches.count);
        ShowError(nullptr, text);
    }
    PendingMatches.count = 0;
    ShowPendingState();
}
