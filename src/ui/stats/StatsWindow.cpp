#include "ui/stats/StatsWindow.h"
#include "res/resource.h"
#include "shell/AppState.h"
#include "base/TextUtil.h"
#include "shell/Globals.h"
#include "shell/Settings.h"
#include "store/RecordFilter.h"
#include "store/RecordQueries.h"
#include "ui/stats/CharacterNames.h"
#include "ui/stats/StatsTable.h"

#define STATS_TITLE_FORMAT "Vantory Rev.4 autorun - %s"
#define ERROR_REFRESH "戦績表示の更新に失敗しました"

// Rows below the twenty characters.
const int32_t ROW_SEPARATOR = 20;
const int32_t ROW_OVERALL = 21;
const int32_t ROW_LAST_30 = 22;
const int32_t ROW_LAST_50 = 23;
const int32_t ROW_LAST_100 = 24;
const int32_t CHARACTER_RECENT_LIMIT = 30;

// The period the table counts over, and the custom range of PERIOD_CUSTOM;
// never saved: every new window starts with all matches.
static int32_t statsPeriod;
static RecordFilter customRange;

static void SetUpStatsList(HWND list)
{
    SetUpListColumns(list, StatsColumns, STATS_COLUMN_COUNT);
    static const char* const summaryLabels[] = {"", "総合", "過去30戦", "過去50戦", "過去100戦"};
    for (int32_t row = 0; row <= ROW_LAST_100; ++row) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<char*>(row < CHARACTER_COUNT ? CharacterShortName(row)
                                                                : summaryLabels[row - CHARACTER_COUNT]);
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
}

// Window title from the profile's file name without folder and extension.
static void SetStatsTitle(HWND window)
{
    char name[SETTING_PATH_SIZE];
    lstrcpynA(name, PathFindFileNameA(DatabasePath.data), sizeof name);
    PathRemoveExtensionA(name);
    char title[FORMAT_TEXT_LIMIT];
    FormatText(title, STATS_TITLE_FORMAT, name);
    SetWindowTextA(window, title);
}

// Runs the filter, with the period applied, into the published pair matrix.
static bool QueryWithPeriod(RecordFilter* filter)
{
    ApplyPeriod(filter, statsPeriod, &customRange);
    return QueryPairTotals(filter);
}

static void SumCharacterRow(int32_t p1id, int32_t* wins, int32_t* losses)
{
    *wins = 0;
    *losses = 0;
    for (int32_t p2id = 0; p2id < CHARACTER_COUNT; ++p2id) {
        *wins += PairTotals[p1id * CHARACTER_COUNT + p2id].wins;
        *losses += PairTotals[p1id * CHARACTER_COUNT + p2id].losses;
    }
}

// Wins and losses over the whole matrix.
static void SumAllPairs(int32_t* wins, int32_t* losses)
{
    *wins = 0;
    *losses = 0;
    for (const PairResult& pair : PairTotals) {
        *wins += pair.wins;
        *losses += pair.losses;
    }
}

// All of the work of a refresh inside its transaction; false at the first failed query.
static bool RefreshCells(HWND list)
{
    RecordFilter filter;
    memset(&filter, 0, sizeof filter);
    if (!QueryWithPeriod(&filter))
        return false;
    int32_t totalWins = 0;
    int32_t totalLosses = 0;
    for (int32_t row = 0; row < CHARACTER_COUNT; ++row) {
        int32_t wins, losses;
        SumCharacterRow(row, &wins, &losses);
        FillStatsRow(list, row, wins, losses);
        totalWins += wins;
        totalLosses += losses;
    }
    FillStatsRow(list, ROW_OVERALL, totalWins, totalLosses);

    for (int32_t id = 0; id < CHARACTER_COUNT; ++id) {
        memset(&filter, 0, sizeof filter);
        filter.flags = FILTER_P1ID | FILTER_LIMIT;
        filter.p1id = id;
        filter.limit = CHARACTER_RECENT_LIMIT;
        if (!QueryWithPeriod(&filter))
            return false;
        int32_t wins, losses;
        SumCharacterRow(id, &wins, &losses);
        char text[16];
        wnsprintfA(text, sizeof text, "(%d%%)", WinRate(wins, losses));
        SetCellText(list, id, 5, text);
    }

    static const int32_t recentCounts[] = {30, 50, 100};
    for (int32_t i = 0; i < 3; ++i) {
        memset(&filter, 0, sizeof filter);
        filter.flags = FILTER_LIMIT;
        filter.limit = recentCounts[i];
        if (!QueryWithPeriod(&filter))
            return false;
        int32_t wins, losses;
        SumAllPairs(&wins, &losses);
        FillStatsRow(list, ROW_LAST_30 + i, wins, losses);
    }
    return true;
}

void RefreshStatsWindow(HWND window)
{
    SetStatsTitle(window);
    BeginTransaction();
    bool ok = RefreshCells(GetDlgItem(window, IDC_STATS_LIST));
    EndTransaction(!ok);
    if (!ok)
        MessageBoxA(window, ERROR_REFRESH, nullptr, MB_ICONERROR);
}

static INT_PTR CALLBACK StatsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        if (!GetSystemMenu(window, FALSE))
            return TRUE;
        statsPeriod = PERIOD_ALL;
        memset(&customRange, 0, sizeof customRange);
        SetUpStatsList(GetDlgItem(window, IDC_STATS_LIST));
        RefreshStatsWindow(window);
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        LRESULT result = 0;
        if (header->idFrom == IDC_STATS_LIST && header->code == NM_CUSTOMDRAW)
            result = StripeListRows(reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
        SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_COMMAND:
        SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_SYSCOMMAND:
        // The close box only hides the window; it lives until shutdown.
        if ((wParam & 0xFFF0) == SC_CLOSE)
            ShowWindow(window, SW_HIDE);
        return FALSE;
    case WM_RECORDCHANGED:
        RefreshStatsWindow(window);
        return FALSE;
    }
    return FALSE;
}

HWND CreateStatsWindow()
{
    return CreateDialogParamA(App.instance, MAKEINTRESOURCEA(IDD_STATS), nullptr, StatsWindowProc, 0);
}
