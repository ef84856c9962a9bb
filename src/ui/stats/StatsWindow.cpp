#include "ui/stats/StatsWindow.h"
#include "base/Messages.h"
#include "base/Settings.h"
#include "base/TextUtil.h"
#include "res/resource.h"
#include "store/RecordDatabase.h"
#include "ui/stats/CharacterNames.h"
#include "ui/stats/StatsTable.h"
#include "ui/window/MessageBoxes.h"

#define STATS_TITLE_FORMAT "Vantory Rev.4 autorun - %s"
#define ERROR_REFRESH "戦績表示の更新に失敗しました"

// The period the table counts over, and the custom range of PERIOD_CUSTOM;
// never saved: every new window starts with all matches.
static int32_t statsPeriod;
static RecordFilter customRange;

static void SetUpStatsList(HWND list)
{
    SetUpListColumns(list, StatsColumns, STATS_COLUMN_COUNT);
    static const char* const summaryLabels[] = {"", "総合", "過去30戦", "過去50戦", "過去100戦"};
    for (int32_t row = 0; row < STATS_ROW_COUNT; ++row)
        AppendListRow(list, row < CHARACTER_COUNT ? CharacterShortName(row) : summaryLabels[row - CHARACTER_COUNT]);
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

void RefreshStatsWindow(HWND window)
{
    SetStatsTitle(window);
    // The period's bounds are taken once, so that a refresh across midnight
    // counts one day in all of its queries.
    RecordFilter period;
    memset(&period, 0, sizeof period);
    ApplyPeriod(&period, statsPeriod, &customRange);
    StatsRow rows[STATS_ROW_COUNT];
    BeginTransaction();
    int32_t done = ComputeStatsRows(&period, rows);
    bool ok = done == STATS_QUERY_COUNT;
    EndTransaction(!ok);
    FillStatsList(GetDlgItem(window, IDC_STATS_LIST), rows, done);
    if (!ok)
        ShowError(window, ERROR_REFRESH);
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
    case WM_NOTIFY:
        if (AnswerStripedListDraw(window, lParam))
            return TRUE;
        SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);
        return TRUE;
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

HWND CreateStatsWindow(HINSTANCE instance)
{
    return CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_STATS), nullptr, StatsWindowProc, 0);
}
