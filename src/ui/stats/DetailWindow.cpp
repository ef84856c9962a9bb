#include "ui/stats/DetailWindow.h"
#include "base/HeapAllocator.h"
#include "base/Messages.h"
#include "base/TextUtil.h"
#include "res/resource.h"
#include "store/ChangeHistory.h"
#include "store/MatchStore.h"
#include "store/RecordQueries.h"
#include "store/TimeStamp.h"
#include "store/CharacterNames.h"
#include "ui/stats/StatsMenu.h"
#include "ui/stats/StatsTable.h"
#include "ui/window/DpiScaling.h"
#include "ui/window/ListView.h"
#include "ui/window/WindowPlacement.h"
#include "ui/window/MessageBoxes.h"

#define ERROR_REFRESH "戦績表示の更新に失敗しました"
#define ERROR_CHANGE "戦績の変更に失敗しました"

// The window's filter and character, as window properties.
#define PROPERTY_FILTER "arFlt"
#define PROPERTY_CHARACTER "arP1ID"

const int32_t COLUMN_WINS = 2;
const int32_t COLUMN_LOSSES = 3;

static const MenuEntry menuEntries[] = {
    {IDM_DETAIL_REFRESH, "最新の情報に更新"}, {0, nullptr}, {IDM_DETAIL_UNDO, "元に戻す"},
    {IDM_DETAIL_REDO, "やり直し"},           {0, nullptr}, {IDM_DETAIL_COPY, "クリップボードに送る"},
    {0, nullptr},
};

static RecordFilter* WindowFilter(HWND window)
{
    return static_cast<RecordFilter*>(GetPropA(window, PROPERTY_FILTER));
}

static int32_t WindowCharacter(HWND window)
{
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(GetPropA(window, PROPERTY_CHARACTER)));
}

static void SetDetailTitle(HWND window, const RecordFilter* filter)
{
    TextBuffer title;
    title.InitFrom("詳細 - ");
    char text[FORMAT_TEXT_LIMIT];
    AppendFilterDays(&title, filter);
    if (filter->flags & FILTER_P1ID)
        title.Append(FormatText(text, "1P(%s) ", CharacterShortName(filter->p1id)));
    if (filter->flags & FILTER_P2NAME)
        title.Append(FormatText(text, "2P[%s] ", filter->p2name));
    SetWindowTextA(window, title.data);
    title.Release();
}

static void RefreshDetailWindow(HWND window)
{
    const RecordFilter* filter = WindowFilter(window);
    StatsRow rows[CHARACTER_COUNT];
    BeginTransaction();
    int32_t done = filter ? ComputeDetailRows(filter, rows) : 0;
    bool ok = done == DETAIL_QUERY_COUNT;
    EndTransaction(!ok);
    FillStatsList(GetDlgItem(window, IDC_STATS_LIST), rows, CHARACTER_COUNT, done);
    if (!ok)
        ShowError(window, ERROR_REFRESH);
}

// After every change made here: this window shows it, and the statistics
// window with every other window it owns.
static void ShowChange(HWND window)
{
    RefreshDetailWindow(window);
    PostMessageA(GetWindow(window, GW_OWNER), WM_RECORDCHANGED, reinterpret_cast<WPARAM>(window), 0);
}

// The wins or losses cell under the mouse: its row, and whether it is the
// wins column; false over any other cell.
static bool HitResultCell(HWND list, int32_t* row, bool* wins)
{
    LVHITTESTINFO hit = {};
    GetCursorPos(&hit.pt);
    ScreenToClient(list, &hit.pt);
    if (SendMessageA(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0 || hit.iItem < 0)
        return false;
    if (hit.iSubItem != COLUMN_WINS && hit.iSubItem != COLUMN_LOSSES)
        return false;
    *row = hit.iItem;
    *wins = hit.iSubItem == COLUMN_WINS;
    return true;
}

static void AddMatch(HWND window, int32_t opponent, bool won)
{
    MatchRecord record;
    memset(&record, 0, sizeof record);
    record.timestamp = CurrentTimestamp();
    record.p1id = WindowCharacter(window);
    record.p1win = won ? 2 : 0;
    record.p2id = opponent;
    record.p2win = won ? 0 : 2;
    if (StoreMatch(&record, DATABASE_BUSY_TIMEOUT_MS) == MATCH_STORED)
        ShowChange(window);
}

// Removes the newest won or lost match against opponent within the window's range.
static void RemoveMatch(HWND window, int32_t opponent, bool won)
{
    const RecordFilter* filter = WindowFilter(window);
    if (!filter) {
        MessageBoxA(nullptr, ERROR_CHANGE, nullptr, MB_OK);
        return;
    }
    RecordFilter newest = *filter;
    newest.flags |= FILTER_P2ID | (won ? FILTER_P1WIN : FILTER_P2WIN);
    newest.p2id = opponent;
    newest.p1win = 2;
    newest.p2win = 2;
    MatchRecord record;
    if (!QueryLatestRecord(&newest, &record))
        return;
    BeginTransaction();
    bool deleted = DeleteRecord(record.timestamp);
    if (!EndTransaction(!deleted))
        return;
    RecordChange(CHANGE_DELETED, &record);
    ShowChange(window);
}

static void OnListNotify(HWND window, const NMHDR* header)
{
    if (header->code != NM_DBLCLK && header->code != NM_RDBLCLK)
        return;
    int32_t row;
    bool wins;
    if (!HitResultCell(header->hwndFrom, &row, &wins))
        return;
    if (header->code == NM_DBLCLK)
        AddMatch(window, row, wins);
    else
        RemoveMatch(window, row, wins);
}

static void OnMenuCommand(HWND window, WPARAM id)
{
    if ((id & 0xFFF0) == SC_CLOSE) {
        DestroyWindow(window);
    } else if (id == IDM_DETAIL_REFRESH) {
        RefreshDetailWindow(window);
    } else if (id == IDM_DETAIL_UNDO || id == IDM_DETAIL_REDO) {
        id == IDM_DETAIL_UNDO ? UndoChange() : RedoChange();
        ShowChange(window);
    } else if (id == IDM_DETAIL_COPY) {
        CopyListToClipboard(GetDlgItem(window, IDC_STATS_LIST), StatsColumns, STATS_COLUMN_COUNT);
    }
}

// The window keeps a copy of the filter it was made with, freed with it.
static BOOL OnInitDialog(HWND window, const RecordFilter* made)
{
    RecordFilter* filter = static_cast<RecordFilter*>(Heap.Allocate(sizeof(RecordFilter)));
    *filter = *made;
    if (filter->flags & FILTER_P1ID)
        SetPropA(window, PROPERTY_CHARACTER, reinterpret_cast<HANDLE>(static_cast<intptr_t>(filter->p1id)));
    SetPropA(window, PROPERTY_FILTER, filter);
    if (!AddMenuEntries(window, menuEntries, ARRAYSIZE(menuEntries), 0))
        return FALSE;
    SetDetailTitle(window, filter);
    HWND list = GetDlgItem(window, IDC_STATS_LIST);
    SetUpListColumns(list, StatsColumns, STATS_COLUMN_COUNT);
    WidenToShowColumns(window, list);
    for (int32_t c = 0; c < CHARACTER_COUNT; ++c)
        AppendListRow(list, CharacterShortName(c));
    RefreshDetailWindow(window);
    return TRUE;
}

static INT_PTR CALLBACK DetailWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    UpdateUndoItems(window, message, wParam, IDM_DETAIL_UNDO, IDM_DETAIL_REDO);
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(window, reinterpret_cast<const RecordFilter*>(lParam));
    case WM_DPICHANGED:
        HandleDpiChanged(window, wParam, lParam);
        return FALSE;
    case WM_RECORDCHANGED:
        RefreshDetailWindow(window);
        return TRUE;
    case WM_DESTROY:
        if (WindowFilter(window))
            Heap.Free(WindowFilter(window));
        RemovePropA(window, PROPERTY_FILTER);
        RemovePropA(window, PROPERTY_CHARACTER);
        SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_STATS_LIST && AnswerStripedListDraw(window, lParam))
            return TRUE;
        if (header->idFrom == IDC_STATS_LIST)
            OnListNotify(window, header);
        SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    case WM_COMMAND:
        SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_SYSCOMMAND:
        OnMenuCommand(window, wParam);
        return FALSE;
    }
    return FALSE;
}

HWND OpenDetailWindow(HWND owner, int32_t p1id, int32_t period, const RecordFilter* customRange)
{
    RecordFilter filter;
    memset(&filter, 0, sizeof filter);
    filter.flags = FILTER_P1ID;
    filter.p1id = p1id;
    ApplyPeriod(&filter, period, customRange);
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
    HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_STATS), owner, DetailWindowProc,
                                     reinterpret_cast<LPARAM>(&filter));
    if (window) {
        CascadeFromOwner(window);
        ShowWindow(window, SW_SHOW);
    }
    return window;
}
