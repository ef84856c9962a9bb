#include "ui/history/HistoryWindow.h"
#include "base/GrowArray.h"
#include "base/TextUtil.h"
#include "res/resource.h"
#include "store/RecordQueries.h"
#include "store/TimeStamp.h"
#include "store/CharacterNames.h"
#include "ui/window/DpiScaling.h"
#include "ui/window/ListView.h"

HistoryFilterSettings HistoryFilter;

static const ListColumn historyColumns[] = {
    {0, 130, "タイムスタンプ"}, {0, 100, "1Pプロフ"}, {0, 70, "1Pキャラ"}, {1, 40, "1P勝"},
    {0, 100, "2Pプロフ"},       {0, 70, "2Pキャラ"},  {1, 40, "2P勝"},
};
const int32_t HISTORY_COLUMN_COUNT = sizeof historyColumns / sizeof historyColumns[0];

// One window's rows, newest first as the query delivers them; the list
// (owner data) asks for its cells from here, the oldest at the top.
typedef GrowArray<MatchRecord> HistoryRows;

static void AddHistoryRow(const MatchRecord* row, void* context)
{
    static_cast<HistoryRows*>(context)->Append(*row);
}

// The row shown at a list position, or null outside the rows.
static const MatchRecord* RowAt(HistoryRows* rows, int position)
{
    if (!rows || position < 0 || static_cast<uint32_t>(position) >= rows->count)
        return nullptr;
    return &rows->At(rows->count - 1 - static_cast<uint32_t>(position));
}

static void FreeRows(HistoryRows* rows)
{
    rows->Clear();
    Heap.Free(rows);
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

static void AnswerCellRequest(HistoryRows* rows, NMLVDISPINFOA* info)
{
    const MatchRecord* row = RowAt(rows, info->item.iItem);
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
static LRESULT AnswerCustomDraw(HistoryRows* rows, NMLVCUSTOMDRAW* draw)
{
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYITEMDRAW;
    if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT)
        return CDRF_DODEFAULT;
    const MatchRecord* row = RowAt(rows, static_cast<int>(draw->nmcd.dwItemSpec));
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

static HistoryRows* Rows(HWND window)
{
    return reinterpret_cast<HistoryRows*>(GetWindowLongPtrA(window, DWLP_USER));
}

static void InitHistoryWindow(HWND window)
{
    HistoryRows* rows = static_cast<HistoryRows*>(Heap.Allocate(sizeof(HistoryRows)));
    rows->Init();
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(rows));
    HWND list = GetDlgItem(window, IDC_HISTORY_LIST);
    SetUpListColumns(list, historyColumns, HISTORY_COLUMN_COUNT);
    WidenToShowColumns(window, list);
    RecordFilter filter;
    BuildFilter(&filter);
    // A failed query leaves the rows read before it.
    QueryHistory(&filter, AddHistoryRow, rows);
    rows->Trim();
    SendMessageA(list, LVM_SETITEMCOUNT, rows->count, 0);
    ShowWindow(window, SW_SHOW);
}

static INT_PTR CALLBACK HistoryWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitHistoryWindow(window);
        return TRUE;
    case WM_NOTIFY: {
        NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
        LRESULT result = 0;
        if (header->idFrom == IDC_HISTORY_LIST) {
            if (header->code == NM_CUSTOMDRAW)
                result = AnswerCustomDraw(Rows(window), reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
            else if (header->code == LVN_GETDISPINFOA)
                AnswerCellRequest(Rows(window), reinterpret_cast<NMLVDISPINFOA*>(lParam));
        }
        SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            DestroyWindow(window);
        SetWindowLongPtrA(window, DWLP_MSGRESULT, 0);
        return TRUE;
    case WM_DPICHANGED:
        HandleDpiChanged(window, wParam, lParam);
        return FALSE;
    case WM_DESTROY: {
        // The list may still ask for cells while it goes: it gets none.
        HistoryRows* rows = Rows(window);
        SetWindowLongPtrA(window, DWLP_USER, 0);
        if (rows)
            FreeRows(rows);
        return FALSE;
    }
    }
    return FALSE;
}

bool OpenHistoryWindow(HWND owner)
{
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
    return CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_HISTORY), owner, HistoryWindowProc, 0) != nullptr;
}
