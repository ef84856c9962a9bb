#include "ui/history/HistoryWindow.h"
#include "base/GrowArray.h"
#include "base/TextBuffer.h"
#include "base/TextUtil.h"
#include "res/resource.h"
#include "store/RecordQueries.h"
#include "store/TimeStamp.h"
#include "store/CharacterNames.h"
#include "ui/window/DpiScaling.h"
#include "ui/history/NoteDialog.h"
#include "ui/window/ListView.h"
#include "ui/window/WindowPlacement.h"
#include <stdlib.h>

HistoryFilterSettings HistoryFilter;

static const ListColumn historyColumns[] = {
    {0, 130, "タイムスタンプ"}, {0, 100, "1Pプロフ"}, {0, 70, "1Pキャラ"}, {1, 56, "1P勝"},
    {0, 100, "2Pプロフ"},       {0, 70, "2Pキャラ"},  {1, 56, "2P勝"},
};
const int32_t HISTORY_COLUMN_COUNT = sizeof historyColumns / sizeof historyColumns[0];

// One window's rows in the order shown: oldest first until a header click
// sorts them.
typedef GrowArray<MatchRecord> HistoryRows;

// Everything a history window owns, from initialisation to destruction.
struct HistoryView {
    HistoryRows rows;
    ListSort sort;
    bool opponentNamePart;  // the opponent's name is a part of the name, not the whole
    SYSTEMTIME readAt;      // when the rows were read: the window never reads again
};

// What the query's row handler keeps: the C side of a part-of-a-name
// condition, and the count, which then can only be applied after it.
struct RowCollector {
    HistoryRows* rows;
    const char* namePart;  // null: every row the query selects
    int32_t limit;         // -1: no limit
};

static void AddHistoryRow(const MatchRecord* row, void* context)
{
    RowCollector* collector = static_cast<RowCollector*>(context);
    if (collector->namePart && !NameHasPart(row->p2name, collector->namePart))
        return;
    if (collector->limit >= 0 && collector->rows->count >= static_cast<uint32_t>(collector->limit))
        return;
    collector->rows->Append(*row);
}

// The query delivers the newest first; the list shows the oldest first.
static void PutOldestFirst(HistoryRows* rows)
{
    for (uint32_t i = 0, j = rows->count; i + 1 < j; ++i, --j) {
        MatchRecord first = rows->data[i];
        rows->data[i] = rows->data[j - 1];
        rows->data[j - 1] = first;
    }
}

// The row shown at a list position, or null outside the rows.
static const MatchRecord* RowAt(HistoryView* view, int position)
{
    if (!view || position < 0 || static_cast<uint32_t>(position) >= view->rows.count)
        return nullptr;
    return &view->rows.At(static_cast<uint32_t>(position));
}

void CharacterCellText(int32_t id, char* text)
{
    if (id >= 0 && id < CHARACTER_COUNT)
        lstrcpynA(text, CharacterShortName(id), 16);
    else
        wsprintfA(text, "(%d)", id);
}

static bool Won(const MatchRecord* row)
{
    return row->p1win > row->p2win;
}

// Older records may hold a name that ends in half a character: that byte is
// no character and is not shown.
static void NameCellText(const char* name, char* text)
{
    lstrcpynA(text, name, PROFILE_NAME_SIZE);
    CutToWholeCharacters(text, PROFILE_NAME_SIZE - 1);
}

static void CellText(const MatchRecord* row, int column, char* text)
{
    SYSTEMTIME time = {};
    switch (column) {
    case 0:
        LocalTimeFromTimestamp(row->timestamp, &time);
        wsprintfA(text, "%d/%02d/%02d %02d:%02d:%02d", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute, time.wSecond);
        break;
    case 1:
        NameCellText(row->p1name, text);
        break;
    case 2:
        CharacterCellText(row->p1id, text);
        break;
    case 3:
        wsprintfA(text, "%d", row->p1win);
        break;
    case 4:
        NameCellText(row->p2name, text);
        break;
    case 5:
        CharacterCellText(row->p2id, text);
        break;
    case 6:
        wsprintfA(text, "%d", row->p2win);
        break;
    }
}

static void AnswerCellRequest(HistoryView* view, NMLVDISPINFOA* info)
{
    const MatchRecord* row = RowAt(view, info->item.iItem);
    if (!row)
        return;
    if (info->item.mask & LVIF_TEXT) {
        char text[64] = "";
        CellText(row, info->item.iSubItem, text);
        lstrcpynA(info->item.pszText, text, info->item.cchTextMax);
    }
    if (info->item.mask & LVIF_PARAM)
        info->item.lParam = Won(row) ? 1 : 0;
}

// Won matches pale green, every other row white; the item stage colours
// the whole row.
static LRESULT AnswerCustomDraw(HistoryView* view, NMLVCUSTOMDRAW* draw)
{
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYITEMDRAW;
    if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT)
        return CDRF_DODEFAULT;
    const MatchRecord* row = RowAt(view, static_cast<int>(draw->nmcd.dwItemSpec));
    draw->clrTextBk = row && Won(row) ? ROW_GREEN : ROW_WHITE;
    return CDRF_NOTIFYSUBITEMDRAW;
}

static void BuildFilter(RecordFilter* filter)
{
    memset(filter, 0, sizeof *filter);
    const HistoryFilterSettings& settings = HistoryFilter;
    if (settings.ownNameOn) {
        filter->flags |= FILTER_P1NAME;
        lstrcpynA(filter->p1name, settings.ownName, PROFILE_NAME_SIZE);
    }
    if (settings.opponentNameOn) {
        filter->flags |= FILTER_P2NAME;
        lstrcpynA(filter->p2name, settings.opponentName, PROFILE_NAME_SIZE);
    }
    if (settings.ownCharacterOn) {
        filter->flags |= FILTER_P1ID;
        filter->p1id = settings.ownCharacter;
    }
    if (settings.opponentCharacterOn) {
        filter->flags |= FILTER_P2ID;
        filter->p2id = settings.opponentCharacter;
    }
    if (settings.startOn) {
        filter->flags |= FILTER_BEGIN;
        filter->begin = settings.start;
    }
    if (settings.endOn) {
        filter->flags |= FILTER_END;
        filter->end = settings.end;
    }
    if (settings.countOn) {
        filter->flags |= FILTER_LIMIT;
        filter->limit = settings.count;
    }
}

static HistoryView* View(HWND window)
{
    return reinterpret_cast<HistoryView*>(GetWindowLongPtrA(window, DWLP_USER));
}

// The sort that qsort's comparison reads, as it takes no context; the
// windows live on the main thread alone.
static const ListSort* sorting;

// Times by their stamps, other columns by their cells; equal cells keep
// the order of time.
static int CompareRows(const void* a, const void* b)
{
    const MatchRecord* x = static_cast<const MatchRecord*>(a);
    const MatchRecord* y = static_cast<const MatchRecord*>(b);
    int order = 0;
    if (sorting->column > 0) {
        char first[64] = "", second[64] = "";
        CellText(x, sorting->column, first);
        CellText(y, sorting->column, second);
        order = CompareListCells(first, second, historyColumns[sorting->column].alignment) * sorting->direction;
    }
    if (order)
        return order;
    int time = x->timestamp < y->timestamp ? -1 : x->timestamp > y->timestamp;
    return sorting->column == 0 ? time * sorting->direction : time;
}

// A header click. The selection belongs to positions, not rows, so it goes.
static void SortHistory(HistoryView* view, HWND list, int32_t column)
{
    if (column < 0 || column >= HISTORY_COLUMN_COUNT)
        return;
    ClickListSort(&view->sort, column);
    sorting = &view->sort;
    if (view->rows.count > 1)
        qsort(view->rows.data, view->rows.count, sizeof(MatchRecord), CompareRows);
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    ShowListSortArrow(list, &view->sort);
    SendMessageA(list, LVM_ENSUREVISIBLE, 0, FALSE);  // the first of the new order
    InvalidateRect(list, nullptr, FALSE);
}

// A count with its thousands marked: 1,234.
static void GroupedCount(uint32_t count, char* text)
{
    char digits[16];
    int length = wsprintfA(digits, "%u", count), out = 0;
    for (int i = 0; i < length; ++i) {
        if (i > 0 && (length - i) % 3 == 0)
            text[out++] = ',';
        text[out++] = digits[i];
    }
    text[out] = '\0';
}

// "1,234 件  612勝 598敗  勝率 50.6%  2026/12/08 17:20 時点": a match is won
// or lost only when one side took its two rounds; the moment says why a
// newer match is missing.
static void FormatHistoryTotals(const HistoryRows* rows, const SYSTEMTIME* readAt, char* text)
{
    uint32_t wins = 0, losses = 0;
    for (uint32_t i = 0; i < rows->count; ++i) {
        wins += rows->data[i].p1win == 2;
        losses += rows->data[i].p2win == 2;
    }
    char count[16], won[16], lost[16], rate[16] = "-";
    GroupedCount(rows->count, count);
    GroupedCount(wins, won);
    GroupedCount(losses, lost);
    if (wins + losses > 0) {
        uint64_t tenths = (static_cast<uint64_t>(wins) * 1000 + (wins + losses) / 2) / (wins + losses);
        wsprintfA(rate, "%u.%u%%", static_cast<uint32_t>(tenths / 10), static_cast<uint32_t>(tenths % 10));
    }
    wsprintfA(text, "%s 件  %s勝 %s敗  勝率 %s  %d/%02d/%02d %02d:%02d 時点", count, won, lost, rate, readAt->wYear,
              readAt->wMonth, readAt->wDay, readAt->wHour, readAt->wMinute);
}

// Ctrl+C: the selected rows in the order shown, cells split by tabs.
static void CopySelectedRows(HistoryView* view, HWND list)
{
    TextBuffer text;
    text.Init();
    int position = -1;
    while ((position = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, position, LVNI_SELECTED))) >= 0) {
        const MatchRecord* row = RowAt(view, position);
        if (!row)
            break;
        for (int32_t column = 0; column < HISTORY_COLUMN_COUNT; ++column) {
            char cell[64] = "";
            CellText(row, column, cell);
            text.Append(cell);
            text.Append(column + 1 < HISTORY_COLUMN_COUNT ? "\t" : "\r\n");
        }
    }
    if (text.length > 0)
        CopyTextToClipboard(text.data, static_cast<int>(text.length));
    text.Release();
}

static LRESULT OnListNotify(HWND window, NMHDR* header)
{
    HistoryView* view = View(window);
    if (header->code == NM_CUSTOMDRAW)
        return AnswerCustomDraw(view, reinterpret_cast<NMLVCUSTOMDRAW*>(header));
    if (header->code == LVN_GETDISPINFOA)
        AnswerCellRequest(view, reinterpret_cast<NMLVDISPINFOA*>(header));
    else if (view && header->code == LVN_COLUMNCLICK)
        SortHistory(view, header->hwndFrom, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
    else if (view && header->code == LVN_KEYDOWN && reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == 'C' &&
             GetKeyState(VK_CONTROL) < 0)
        CopySelectedRows(view, header->hwndFrom);
    return 0;
}

// The list takes all but the bottom line, where the totals stand.
static void LayOut(HWND window)
{
    RECT client, units = {4, 2, 0, 12};  // margin, gap, -, line height in dialog units
    GetClientRect(window, &client);
    MapDialogRect(window, &units);
    int listHeight = client.bottom > units.bottom ? client.bottom - units.bottom : 0;
    MoveWindow(GetDlgItem(window, IDC_HISTORY_LIST), 0, 0, client.right, listHeight, TRUE);
    MoveWindow(GetDlgItem(window, IDC_HISTORY_TOTALS), units.left, listHeight + units.top,
               client.right > 2 * units.left ? client.right - 2 * units.left : 0, units.bottom - units.top, TRUE);
}

static void ReadRows(HistoryView* view)
{
    RecordFilter filter;
    BuildFilter(&filter);
    RowCollector collector = {&view->rows, nullptr, -1};
    if ((filter.flags & FILTER_P2NAME) && view->opponentNamePart && filter.p2name[0]) {
        // The SQL cannot tell a character boundary; the count follows the check.
        filter.flags |= FILTER_P2NAME_PART;
        collector.namePart = filter.p2name;
        if (filter.flags & FILTER_LIMIT)
            collector.limit = filter.limit;
        filter.flags &= ~FILTER_LIMIT;
    }
    GetLocalTime(&view->readAt);
    // A failed query leaves the rows read before it.
    QueryHistory(&filter, AddHistoryRow, &collector);
    view->rows.Trim();
    PutOldestFirst(&view->rows);
}

static void InitHistoryWindow(HWND window, bool opponentNamePart)
{
    HistoryView* view = static_cast<HistoryView*>(Heap.Allocate(sizeof(HistoryView)));
    view->rows.Init();
    view->sort.column = 0;  // the order of time, as the rows come
    view->sort.direction = 1;
    view->opponentNamePart = opponentNamePart;
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(view));
    HWND list = GetDlgItem(window, IDC_HISTORY_LIST);
    SetUpListColumns(list, historyColumns, HISTORY_COLUMN_COUNT);
    ShowListSortArrow(list, &view->sort);
    ReadRows(view);
    char totals[128];
    FormatHistoryTotals(&view->rows, &view->readAt, totals);
    SetDlgItemTextA(window, IDC_HISTORY_TOTALS, totals);
    SendMessageA(list, LVM_SETITEMCOUNT, view->rows.count, 0);
    LayOut(window);
    // With its rows, so that the vertical scroll bar hides no column.
    WidenToShowColumns(window, list);
    // The newest match, at the bottom, is the one a player looks for.
    if (view->rows.count > 0)
        SendMessageA(list, LVM_ENSUREVISIBLE, view->rows.count - 1, FALSE);
    InsertMenuA(GetSystemMenu(window, FALSE), 0, MF_BYPOSITION | MF_STRING, IDM_OPPONENT_NOTE,
                "選んだ相手のメモ(&N)...");
    InsertMenuA(GetSystemMenu(window, FALSE), 1, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    CascadeFromOwner(window);
    ShowWindow(window, SW_SHOW);
}

// The note on the opponent of the selected row, by the name as stored.
static void EditSelectedOpponentNote(HWND window)
{
    int position = static_cast<int>(SendDlgItemMessageA(window, IDC_HISTORY_LIST, LVM_GETSELECTIONMARK, 0, 0));
    const MatchRecord* row = RowAt(View(window), position);
    if (row && row->p2name[0]) {
        char name[PROFILE_NAME_SIZE];
        memcpy(name, row->p2name, PROFILE_NAME_SIZE);
        EditOpponentNote(window, name);
    }
}

static void KeepMinimumSize(HWND window, MINMAXINFO* limits)
{
    limits->ptMinTrackSize.x = ScaleForWindow(window, 240);
    limits->ptMinTrackSize.y = ScaleForWindow(window, 120);
}

static INT_PTR CALLBACK HistoryWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitHistoryWindow(window, lParam != 0);
        return TRUE;
    case WM_NOTIFY: {
        NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
        LRESULT result = header->idFrom == IDC_HISTORY_LIST ? OnListNotify(window, header) : 0;
        SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            DestroyWindow(window);
        SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_SIZE:
        LayOut(window);
        return FALSE;
    case WM_GETMINMAXINFO:
        KeepMinimumSize(window, reinterpret_cast<MINMAXINFO*>(lParam));
        return FALSE;
    case WM_DPICHANGED:
        HandleDpiChanged(window, wParam, lParam);
        return FALSE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != IDM_OPPONENT_NOTE)
            return FALSE;
        EditSelectedOpponentNote(window);
        return TRUE;
    case WM_DESTROY: {
        // The list may still ask for cells while it goes: it gets none.
        HistoryView* view = View(window);
        SetWindowLongPtrA(window, DWLP_USER, 0);
        if (view) {
            view->rows.Clear();
            Heap.Free(view);
        }
        return FALSE;
    }
    }
    return FALSE;
}

bool OpenHistoryWindow(HWND owner, bool opponentNamePart)
{
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
    return CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_HISTORY), owner, HistoryWindowProc,
                              opponentNamePart ? 1 : 0) != nullptr;
}
