#include "ui/history/OpponentTable.h"
#include "base/Messages.h"
#include "base/TextUtil.h"
#include "res/resource.h"
#include "store/RecordQueries.h"
#include "ui/history/HistoryWindow.h"
#include "ui/history/NoteDialog.h"
#include "store/StatsRows.h"
#include "ui/window/DpiScaling.h"
#include "ui/window/ListView.h"
#include "ui/window/WindowPlacement.h"

#define OPPONENT_TABLE_CAPTION "相手プロファイル"

static const ListColumn opponentColumns[] = {
    {0, 100, "相手"}, {1, 55, "対戦数"}, {1, 55, "勝"}, {1, 55, "負"}, {1, 55, "勝率"},
};
const int32_t OPPONENT_COLUMN_COUNT = sizeof opponentColumns / sizeof opponentColumns[0];

// How each column compares its cells.
static const int32_t comparisonKinds[OPPONENT_COLUMN_COUNT] = {COMPARE_TEXT, COMPARE_NUMBER, COMPARE_NUMBER,
                                                               COMPARE_NUMBER, COMPARE_NUMBER};

// One opponent's values, carried by its list item: the comparisons read
// them there, because the list's own sort by item position (LVM_SORTITEMSEX)
// hands out positions that do not match the cells while it sorts under Wine.
// Freed when the list deletes the item.
struct OpponentRow {
    char name[PROFILE_NAME_SIZE];  // the stored bytes, which the shown text need not give back
    char cells[OPPONENT_COLUMN_COUNT][12];  // [0] unused, then the numeric columns
};

static int CALLBACK CompareRows(LPARAM first, LPARAM second, LPARAM context)
{
    const ListSort* sort = reinterpret_cast<const ListSort*>(context);
    const OpponentRow* a = reinterpret_cast<const OpponentRow*>(first);
    const OpponentRow* b = reinterpret_cast<const OpponentRow*>(second);
    int32_t column = sort->column;
    return CompareListCells(column ? a->cells[column] : a->name, column ? b->cells[column] : b->name,
                            comparisonKinds[column]) *
           sort->direction;
}

// The window's sort, kept with it from initialisation to destruction.
static ListSort* TableSort(HWND window)
{
    return reinterpret_cast<ListSort*>(GetWindowLongPtrA(window, DWLP_USER));
}

static void SortTable(HWND window, HWND list)
{
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_SORTITEMS, reinterpret_cast<WPARAM>(TableSort(window)), reinterpret_cast<LPARAM>(CompareRows));
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

// Each opponent goes to the top of the list.
static void AddOpponentRow(const MatchRecord* row, void* context)
{
    HWND list = static_cast<HWND>(context);
    OpponentRow* values = static_cast<OpponentRow*>(Heap.Allocate(sizeof(OpponentRow)));
    lstrcpynA(values->name, row->p2name, PROFILE_NAME_SIZE);
    values->cells[0][0] = '\0';
    wsprintfA(values->cells[1], "%d", row->p1win + row->p2win);
    wsprintfA(values->cells[2], "%d", row->p1win);
    wsprintfA(values->cells[3], "%d", row->p2win);
    wsprintfA(values->cells[4], "%d", WinRate(row->p1win, row->p2win));
    char shown[PROFILE_NAME_SIZE];
    lstrcpynA(shown, values->name, PROFILE_NAME_SIZE);
    CutToWholeCharacters(shown, PROFILE_NAME_SIZE - 1);  // half a character is not shown
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = 0;
    item.pszText = shown;
    item.lParam = reinterpret_cast<LPARAM>(values);
    int index = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) {
        Heap.Free(values);
        return;
    }
    for (int32_t column = 1; column < OPPONENT_COLUMN_COUNT; ++column)
        SetCellText(list, index, column, values->cells[column]);
}

// Fills the list again from the whole record, unsorted. Drawing waits for
// the end: a list that draws after every insertion is slow on big records.
static void FillTable(HWND list)
{
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    RecordFilter everything;
    memset(&everything, 0, sizeof everything);
    QueryOpponentTotals(&everything, AddOpponentRow, list);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

static void OnColumnClick(HWND window, HWND list, int32_t column)
{
    if (column < 0 || column >= OPPONENT_COLUMN_COUNT || !TableSort(window))
        return;
    ClickListSort(TableSort(window), column);
    SortTable(window, list);
}

// The opponent at the selection mark, as its stored bytes: the list's text
// goes through the system's conversion and need not come back as it was stored.
static const char* SelectedOpponent(HWND list)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = static_cast<int>(SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0));
    if (item.iItem < 0 || !SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) || !item.lParam)
        return nullptr;
    return reinterpret_cast<const OpponentRow*>(item.lParam)->name;
}

// The history of the opponent at the selection mark, within what the filter
// dialog stored last.
static void OpenOpponentHistory(HWND window, HWND list)
{
    const char* name = SelectedOpponent(list);
    if (!name)
        return;
    memcpy(HistoryFilter.opponentName, name, PROFILE_NAME_SIZE);
    HistoryFilter.opponentNameOn = true;
    OpenHistoryWindow(GetWindow(window, GW_OWNER));
}

static void InitOpponentTable(HWND window)
{
    SetWindowTextA(window, OPPONENT_TABLE_CAPTION);
    HMENU menu = GetSystemMenu(window, FALSE);
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, IDM_REFRESH_OPPONENTS, "最新の情報に更新");
    InsertMenuA(menu, 1, MF_BYPOSITION | MF_STRING, IDM_OPPONENT_NOTE, "選んだ相手のメモ(&N)...");
    InsertMenuA(menu, 2, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
    ListSort* sort = static_cast<ListSort*>(Heap.Allocate(sizeof(ListSort)));
    sort->column = 0;
    sort->direction = 1;
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(sort));
    HWND list = GetDlgItem(window, IDC_STATS_LIST);
    SetUpListColumns(list, opponentColumns, OPPONENT_COLUMN_COUNT);
    WidenToShowColumns(window, list);
    FillTable(list);
    SortTable(window, list);
}

static INT_PTR CALLBACK OpponentTableProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND list = GetDlgItem(window, IDC_STATS_LIST);
    switch (message) {
    case WM_INITDIALOG:
        InitOpponentTable(window);
        return TRUE;
    case WM_NOTIFY: {
        NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom != list) {
            SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        if (header->code == NM_CUSTOMDRAW)
            return AnswerStripedListDraw(window, lParam);
        if (header->code == LVN_COLUMNCLICK)
            OnColumnClick(window, list, reinterpret_cast<NMLISTVIEW*>(lParam)->iSubItem);
        else if (header->code == NM_DBLCLK)
            OpenOpponentHistory(window, list);
        else if (header->code == LVN_DELETEITEM)
            Heap.Free(reinterpret_cast<void*>(reinterpret_cast<NMLISTVIEW*>(lParam)->lParam));
        SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_OPPONENT_NOTE && SelectedOpponent(list)) {
            // A copy: a change while the dialog is open fills the list again.
            char name[PROFILE_NAME_SIZE];
            memcpy(name, SelectedOpponent(list), PROFILE_NAME_SIZE);
            EditOpponentNote(window, name);
            return TRUE;
        }
        if ((wParam & 0xFFF0) != IDM_REFRESH_OPPONENTS)
            return FALSE;
        FillTable(list);
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(window);
        return TRUE;
    case WM_DPICHANGED:
        HandleDpiChanged(window, wParam, lParam);
        return FALSE;
    case WM_RECORDCHANGED:
        // A change elsewhere: the rows as the record now is, in the player's order.
        FillTable(list);
        SortTable(window, list);
        return TRUE;
    case WM_DESTROY:
        if (TableSort(window))
            Heap.Free(TableSort(window));
        SetWindowLongPtrA(window, DWLP_USER, 0);
        return FALSE;
    }
    return FALSE;
}

HWND OpenOpponentTable(HWND owner)
{
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
    HWND table = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_STATS), owner, OpponentTableProc, 0);
    if (table) {
        CascadeFromOwner(table);
        ShowWindow(table, SW_SHOW);
    }
    return table;
}
