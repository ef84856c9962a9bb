// Times the statistics window's two table commands on generated record files
// of 10,000 to 1,000,000 matches against 1,000 opponent names:
// - "過去対戦履歴表": from the menu command, and from OK in the filter dialog
//   (all criteria off), to a painted history window of every match;
// - "相手プロファイル表": from the menu command to a painted, sorted table.
// The filter dialog itself takes Wine about two seconds to appear, so the
// time from OK is the cost of the window. Medians of the runs.
// Usage: HistoryBench [runs] [largest size]
#include "res/resource.h"
#include "shell/Globals.h"
#include "store/RecordDatabase.h"
#include "store/TimeStamp.h"
#include "ui/history/HistoryWindow.h"
#include "shell/MainWindow.h"
#include "bench/support/GeneratedRecord.h"
#include <commctrl.h>
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace {

const int OPPONENT_NAMES = 1000;

struct Search {
    HWND owner;
    const char* caption;
    HWND found;
};

BOOL CALLBACK FindOwned(HWND window, LPARAM context)
{
    Search* search = reinterpret_cast<Search*>(context);
    char caption[64] = "";
    GetWindowTextA(window, caption, sizeof caption);
    if (GetWindow(window, GW_OWNER) == search->owner && IsWindowVisible(window) &&
        strcmp(caption, search->caption) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindOwned(DWORD thread, HWND owner, const char* caption)
{
    Search search = {owner, caption, nullptr};
    EnumThreadWindows(thread, FindOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Paints the window and its list now; returns the list's row count.
int Paint(HWND window, int listId)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return static_cast<int>(SendDlgItemMessageA(window, listId, LVM_GETITEMCOUNT, 0, 0));
}

// One history window from the menu: times from the command and from OK (ms).
bool TimeHistory(HWND stats, int matches, double* fromMenu, double* fromOk)
{
    double okAt = 0;
    DWORD thread = GetCurrentThreadId();
    std::thread answerer([&] {
        HWND dialog = nullptr;
        for (int i = 0; i < 1000 && !dialog; ++i, Sleep(5))
            dialog = FindOwned(thread, stats, "対戦履歴フィルタの設定");
        // OK counts from when the dialog's own loop answers messages.
        DWORD_PTR answer;
        SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
        okAt = Seconds();
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    double start = Seconds();
    SendMessageA(stats, WM_SYSCOMMAND, IDM_HISTORY, 0);
    HWND history = FindOwned(thread, stats, "対戦履歴");
    int rows = history ? Paint(history, IDC_HISTORY_LIST) : -1;
    double end = Seconds();
    answerer.join();
    *fromMenu = (end - start) * 1000;
    *fromOk = (end - okAt) * 1000;
    if (history)
        DestroyWindow(history);
    if (rows != matches)
        printf("history window %p with %d rows\n", static_cast<void*>(history), rows);
    return rows == matches;
}

// The window alone, as OK and the opponent table's double-click open it.
bool TimeOpenHistory(HWND stats, int matches, double* elapsed)
{
    double start = Seconds();
    OpenHistoryWindow(stats);
    HWND history = FindOwned(GetCurrentThreadId(), stats, "対戦履歴");
    int rows = history ? Paint(history, IDC_HISTORY_LIST) : -1;
    *elapsed = (Seconds() - start) * 1000;
    if (history)
        DestroyWindow(history);
    return rows == matches;
}

bool TimeOpponentTable(HWND stats, double* fromMenu, int* rows)
{
    double start = Seconds();
    SendMessageA(stats, WM_SYSCOMMAND, IDM_OPPONENT_TABLE, 0);
    HWND table = FindOwned(GetCurrentThreadId(), stats, "相手プロファイル");
    *rows = table ? Paint(table, IDC_STATS_LIST) : -1;
    *fromMenu = (Seconds() - start) * 1000;
    if (table)
        DestroyWindow(table);
    return *rows == OPPONENT_NAMES;
}

}  // namespace

int main(int argc, char** argv)
{
    CreateGlobals();
    InitCommonControls();
    int runs = argc > 1 ? atoi(argv[1]) : 3;
    int largest = argc > 2 ? atoi(argv[2]) : 1000000;
    std::string folder = BenchFolder("historybench");
    printf("%9s | %-28s | %-28s | %-28s | %-20s\n", "matches", "history: menu->painted ms",
           "history: OK->painted ms", "history: window alone ms", "opponents: menu->painted ms");
    bool ok = true;
    for (int size : {10000, 100000, 1000000}) {
        if (size > largest)
            break;
        std::string path = folder + "\\bench" + std::to_string(size) + ".db";
        DeleteFileA(path.c_str());  // left by a run that failed in a folder of the same name
        ok = SetDatabasePath(path.c_str()) && OpenRecordDatabase() && GenerateRecord(RecordConnection(), size, SHAPE_EVEN, OPPONENT_NAMES, 600000000LL);
        HWND stats = ok ? CreateStatsWindow(GetModuleHandleA(nullptr), &ToolStatsLinks) : nullptr;
        if (stats)
            ShowWindow(stats, SW_SHOW);  // the user works its menu
        if (!stats) {
            printf("generating %d matches or the statistics window failed\n", size);
            ok = false;
            break;
        }
        std::vector<double> menuTimes, okTimes, tableTimes, openTimes;
        int opponents = 0;
        for (int run = 0; ok && run < runs; ++run) {
            double fromMenu, fromOk, table, open;
            bool history = TimeHistory(stats, size, &fromMenu, &fromOk);
            bool opponentTable = history && TimeOpponentTable(stats, &table, &opponents);
            ok = opponentTable && TimeOpenHistory(stats, size, &open);
            if (!ok)
                printf("run %d: history %d, opponent table %d (%d rows), window alone %d\n", run, history,
                       opponentTable, opponents, ok);
            openTimes.push_back(open);
            menuTimes.push_back(fromMenu);
            okTimes.push_back(fromOk);
            tableTimes.push_back(table);
        }
        if (!ok) {
            printf("%9d: a window was missing or not filled\n", size);
            break;
        }
        auto range = [](const std::vector<double>& t) {
            char text[64];
            snprintf(text, sizeof text, "%8.0f (%.0f-%.0f)", Median(t), *std::min_element(t.begin(), t.end()),
                     *std::max_element(t.begin(), t.end()));
            return std::string(text);
        };
        printf("%9d | %-28s | %-28s | %-28s | %-20s (%d rows)\n", size, range(menuTimes).c_str(),
               range(okTimes).c_str(), range(openTimes).c_str(), range(tableTimes).c_str(), opponents);
        fflush(stdout);
        DestroyStatsWindow(stats, false);
        CloseRecordDatabase();
        DeleteFileA(path.c_str());
    }
    CloseRecordDatabase();
    RemoveDirectoryA(folder.c_str());
    ReleaseGlobals();
    return ok ? 0 : 1;
}
