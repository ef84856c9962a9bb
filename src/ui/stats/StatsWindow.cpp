#include "ui/stats/StatsWindow.h"
#include "base/Messages.h"
#include "base/Settings.h"
#include "base/TextUtil.h"
#include "res/resource.h"
#include "store/ChangeHistory.h"
#include "store/RecordDatabase.h"
#include "ui/shortcuts/ShortcutList.h"
#include "store/CharacterNames.h"
#include "ui/stats/CustomRangeDialog.h"
#include "ui/stats/DetailWindow.h"
#include "ui/stats/StatsMenu.h"
#include "ui/stats/StatsTable.h"
#include "ui/window/DpiScaling.h"
#include "ui/window/MessageBoxes.h"
#include "ui/window/OwnedWindows.h"
#include "ui/window/FileDialog.h"
#include "ui/window/WindowPlacement.h"

#define STATS_TITLE_FORMAT "Vantory Rev.4 autorun - %s"
#define ERROR_REFRESH "戦績表示の更新に失敗しました"

// The one statistics window's state.
struct StatsWindowState {
    int32_t period;            // what the table counts over; never saved, each window starts with all
    RecordFilter customRange;  // the range of PERIOD_CUSTOM
    HMENU menu;                // the system menu with the window's own entries
    StatsWindowLinks links;    // what its commands reach beyond the statistics
};
static StatsWindowState statsState;

static const MenuEntry menuEntries[] = {
    {IDM_LOAD_PROFILE, "プロファイルを読み込む"},
    {0, nullptr},
    {IDM_PERIOD_FIRST + PERIOD_ALL, "全ての対戦"},
    {IDM_PERIOD_FIRST + PERIOD_TODAY, "今日の対戦"},
    {IDM_PERIOD_FIRST + PERIOD_YESTERDAY, "昨日の対戦"},
    {IDM_PERIOD_CUSTOM, "カスタム対戦"},
    {0, nullptr},
    {IDM_UNDO, "元に戻す"},
    {IDM_REDO, "やり直し"},
    {0, nullptr},
    {IDM_OPPONENT_TABLE, "相手プロファイル表"},
    {IDM_HISTORY, "過去対戦履歴表"},
    {0, nullptr},
    {IDM_COPY_TABLE, "クリップボードに送る"},
    {0, nullptr},
};

static void SetUpStatsList(HWND window, HWND list)
{
    SetUpListColumns(list, StatsColumns, STATS_COLUMN_COUNT);
    WidenToShowColumns(window, list);
    static const char* const summaryLabels[] = {"", "総合", "過去30戦", "過去50戦", "過去100戦"};
    for (int32_t row = 0; row < STATS_ROW_COUNT; ++row)
        AppendListRow(list, row < CHARACTER_COUNT ? CharacterShortName(row) : summaryLabels[row - CHARACTER_COUNT]);
}

// The position is applied only when both coordinates were saved, and only
// where the window can be seen: the monitor it was saved on may be gone.
static void RestorePosition(HWND window)
{
    int32_t x = ReadSettingInt(SECTION_STATS_WINDOW, KEY_WINDOW_X, NO_SAVED_POSITION);
    int32_t y = ReadSettingInt(SECTION_STATS_WINDOW, KEY_WINDOW_Y, NO_SAVED_POSITION);
    if (x == NO_SAVED_POSITION || y == NO_SAVED_POSITION)
        return;
    RECT frame;
    GetWindowRect(window, &frame);
    OffsetRect(&frame, x - frame.left, y - frame.top);
    MoveOntoVisibleMonitor(&frame);
    SetWindowPos(window, nullptr, frame.left, frame.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static void SavePosition(HWND window)
{
    RECT frame;
    GetWindowRect(window, &frame);
    WriteSettingInt(SECTION_STATS_WINDOW, KEY_WINDOW_X, frame.left);
    WriteSettingInt(SECTION_STATS_WINDOW, KEY_WINDOW_Y, frame.top);
}

// Window title from the profile's file name without folder and extension,
// then the period shown when it is not all time, so that a glance tells
// whose numbers these are.
static void SetStatsTitle(HWND window)
{
    char name[SETTING_PATH_SIZE];
    lstrcpynA(name, PathFindFileNameA(DatabasePath.data), sizeof name);
    PathRemoveExtensionA(name);
    char text[FORMAT_TEXT_LIMIT];
    TextBuffer title;
    title.InitFrom(FormatText(text, STATS_TITLE_FORMAT, name));
    if (statsState.period == PERIOD_TODAY || statsState.period == PERIOD_YESTERDAY) {
        title.Append(statsState.period == PERIOD_TODAY ? "（今日の対戦）" : "（昨日の対戦）");
    } else if (statsState.period == PERIOD_CUSTOM) {
        const RecordFilter* range = &statsState.customRange;
        title.Append("（");
        AppendFilterDays(&title, range);
        if (range->flags & FILTER_P2NAME)
            title.Append(FormatText(text, "2P[%s]", range->p2name));
        if (!(range->flags & (FILTER_BEGIN | FILTER_END | FILTER_P2NAME)))
            title.Append("カスタム対戦");
        title.Append("）");
    }
    SetWindowTextA(window, title.data);
    title.Release();
}

void RefreshStatsWindow(HWND window)
{
    SetStatsTitle(window);
    // The period's bounds are taken once, so that a refresh across midnight
    // counts one day in all of its queries.
    RecordFilter period;
    memset(&period, 0, sizeof period);
    ApplyPeriod(&period, statsState.period, &statsState.customRange);
    StatsRow rows[STATS_ROW_COUNT];
    BeginTransaction();
    int32_t done = ComputeStatsRows(&period, rows);
    bool ok = done == STATS_QUERY_COUNT;
    EndTransaction(!ok);
    FillStatsList(GetDlgItem(window, IDC_STATS_LIST), rows, STATS_ROW_COUNT, done);
    if (!ok)
        ShowError(window, ERROR_REFRESH);
}

// Every open window shows the record as it is now: this one, and the detail
// windows and opponent tables it owns (but the one that made the change).
static void ShowRecordChange(HWND window, HWND changedBy)
{
    RefreshStatsWindow(window);
    PostToOwnedWindows(window, WM_RECORDCHANGED, changedBy);
}

static void SetPeriod(HWND window, int32_t period)
{
    for (int32_t p = PERIOD_ALL; p <= PERIOD_CUSTOM; ++p)
        CheckMenuItem(statsState.menu, IDM_PERIOD_FIRST + p, MF_BYCOMMAND | (p == period ? MF_CHECKED : MF_UNCHECKED));
    statsState.period = period;
    RefreshStatsWindow(window);
}

bool LoadProfile(HWND window, const char* path)
{
    TextBuffer previous;
    previous.InitFrom(DatabasePath.data);
    if (statsState.links.beforeProfileLoad)
        statsState.links.beforeProfileLoad();
    bool opened = SetDatabasePath(path) && OpenRecordDatabase();
    if (opened) {
        // The report tool, started when the game has gone, reads the record
        // in use from the settings: they must name it now, not at exit.
        WriteSettingText(SECTION_GENERAL, KEY_PROFILE, DatabasePath.data);
        RedoList.Clear();
        UndoList.Clear();
        // After the lists are emptied, so that what it stores can be undone.
        if (statsState.links.afterProfileLoad)
            statsState.links.afterProfileLoad();
        CloseOwnedWindows(window);
        RefreshStatsWindow(window);
    } else {
        SetDatabasePath(previous.data);
        ShowError(window, ERROR_PROFILE_MAPPING);
    }
    previous.Release();
    return opened;
}

static void OnMenuCommand(HWND window, WPARAM id)
{
    if (id == IDM_LOAD_PROFILE) {
        char path[SETTING_PATH_SIZE] = "";
        if (ChooseRecordFile(window, path, sizeof path))
            LoadProfile(window, path);
    } else if (id >= IDM_PERIOD_FIRST + PERIOD_ALL && id <= IDM_PERIOD_FIRST + PERIOD_YESTERDAY) {
        int32_t period = static_cast<int32_t>(id - IDM_PERIOD_FIRST);
        if (period != statsState.period)
            SetPeriod(window, period);
    } else if (id == IDM_PERIOD_CUSTOM) {
        if (ChooseCustomRange(window, &statsState.customRange))
            SetPeriod(window, PERIOD_CUSTOM);
    } else if (id == IDM_UNDO || id == IDM_REDO) {
        // The refresh follows whatever undo or redo reported.
        id == IDM_UNDO ? UndoChange() : RedoChange();
        ShowRecordChange(window, nullptr);
    } else if (id == IDM_OPPONENT_TABLE && statsState.links.openOpponentTable) {
        statsState.links.openOpponentTable(window);
    } else if (id == IDM_HISTORY && statsState.links.chooseHistoryFilter) {
        statsState.links.chooseHistoryFilter(window);
    } else if (id == IDM_COPY_TABLE) {
        CopyListToClipboard(GetDlgItem(window, IDC_STATS_LIST), StatsColumns, STATS_COLUMN_COUNT);
    }
}

static void OnShortcutCommand(HWND window, UINT id)
{
    ShortcutEntry entry;
    if (id <= ID_SHORTCUT_LAST && GetShortcut(id - ID_SHORTCUT_FIRST, &entry))
        LoadProfile(window, entry.path);
}

// A double-click on a character row opens one more detail window for it.
static LRESULT OnNotify(HWND window, const NMHDR* header)
{
    if (header->idFrom != IDC_STATS_LIST || header->code != NM_DBLCLK)
        return 0;
    int32_t row = static_cast<int32_t>(SendMessageA(header->hwndFrom, LVM_GETSELECTIONMARK, 0, 0));
    if (row >= 0 && row < CHARACTER_COUNT)
        OpenDetailWindow(window, row, statsState.period, &statsState.customRange);
    return 1;
}

static INT_PTR CALLBACK StatsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    UpdateUndoItems(window, message, wParam, IDM_UNDO, IDM_REDO);
    switch (message) {
    case WM_INITDIALOG:
        statsState.menu = GetSystemMenu(window, FALSE);
        if (!AddMenuEntries(window, menuEntries, ARRAYSIZE(menuEntries), IDM_PERIOD_FIRST + PERIOD_ALL))
            return TRUE;
        RestorePosition(window);
        statsState.period = PERIOD_ALL;
        memset(&statsState.customRange, 0, sizeof statsState.customRange);
        SetUpStatsList(window, GetDlgItem(window, IDC_STATS_LIST));
        RefreshStatsWindow(window);
        return TRUE;
    case WM_DESTROY:
        SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_NOTIFY:
        if (AnswerStripedListDraw(window, lParam))
            return TRUE;
        SetWindowLongPtrA(window, DWLP_MSGRESULT, OnNotify(window, reinterpret_cast<const NMHDR*>(lParam)));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) >= ID_SHORTCUT_FIRST)
            OnShortcutCommand(window, LOWORD(wParam));
        SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_SYSCOMMAND:
        // The close box only hides the window; it lives until shutdown.
        if ((wParam & 0xFFF0) == SC_CLOSE)
            ShowWindow(window, SW_HIDE);
        else
            OnMenuCommand(window, wParam);
        return FALSE;
    case WM_RECORDCHANGED:
        ShowRecordChange(window, reinterpret_cast<HWND>(wParam));
        return FALSE;
    case WM_DPICHANGED:
        HandleDpiChanged(window, wParam, lParam);
        return FALSE;
    }
    return FALSE;
}

HWND CreateStatsWindow(HINSTANCE instance, const StatsWindowLinks* links)
{
    statsState.links = *links;
    return CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_STATS), nullptr, StatsWindowProc, 0);
}

void DestroyStatsWindow(HWND window, bool savePosition)
{
    if (savePosition)
        SavePosition(window);
    DestroyWindow(window);
}
