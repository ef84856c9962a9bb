#include "ui/window/ListView.h"
#include "base/TextBuffer.h"
#include "base/TextUtil.h"
#include "ui/window/DpiScaling.h"

// The DPI that a list's column widths were last set for.
#define PROP_COLUMN_DPI "Vantory.ColumnDpi"

void SetUpListColumns(HWND list, const ListColumn* columns, int32_t count)
{
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    uint32_t dpi = WindowDpi(list);
    SetPropA(list, PROP_COLUMN_DPI, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(dpi)));
    for (int32_t i = 0; i < count; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = columns[i].alignment ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = MulDiv(columns[i].width, static_cast<int>(dpi), BASE_DPI);
        column.pszText = const_cast<char*>(columns[i].header);
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
}

void RescaleListColumns(HWND list, uint32_t dpi)
{
    uint32_t from = static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(GetPropA(list, PROP_COLUMN_DPI)));
    if (from == 0 || dpi == 0 || from == dpi)
        return;
    HWND header = ListView_GetHeader(list);
    int32_t columns = static_cast<int32_t>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int32_t i = 0; i < columns; ++i) {
        int width = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, i, 0));
        SendMessageA(list, LVM_SETCOLUMNWIDTH, i, MulDiv(width, static_cast<int>(dpi), static_cast<int>(from)));
    }
    SetPropA(list, PROP_COLUMN_DPI, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(dpi)));
}

void WidenToShowColumns(HWND window, HWND list)
{
    int32_t columns = static_cast<int32_t>(SendMessageA(ListView_GetHeader(list), HDM_GETITEMCOUNT, 0, 0));
    int needed = 0;
    for (int32_t i = 0; i < columns; ++i)
        needed += static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, i, 0));
    RECT client, frame, outer;
    GetClientRect(list, &client);
    int lack = needed - client.right;
    if (lack <= 0 || !GetWindowRect(list, &frame) || !GetWindowRect(window, &outer))
        return;
    SetWindowPos(list, nullptr, 0, 0, frame.right - frame.left + lack, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + lack, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int32_t AppendListRow(HWND list, const char* text)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<char*>(text);
    return static_cast<int32_t>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void SetCellText(HWND list, int32_t row, int32_t column, const char* text)
{
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

INT_PTR AnswerStripedListDraw(HWND dialog, LPARAM lParam)
{
    NMLVCUSTOMDRAW* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
    if (draw->nmcd.hdr.code != NM_CUSTOMDRAW)
        return FALSE;
    LRESULT result = CDRF_DODEFAULT;
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
        result = CDRF_NOTIFYITEMDRAW;
    } else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        draw->clrTextBk = draw->nmcd.dwItemSpec % 2 == 0 ? ROW_GREEN : ROW_WHITE;
        result = CDRF_NOTIFYSUBITEMDRAW;
    }
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

// Pixels of a column per byte of its text field.
const int32_t PIXELS_PER_BYTE = 7;

static void AppendField(TextBuffer* line, const ListColumn* column, const char* text)
{
    int32_t width = column->width / PIXELS_PER_BYTE;
    int32_t padding = width - static_cast<int32_t>(strlen(text));
    if (column->alignment == 0)
        line->Append(text);
    for (int32_t i = 0; i < padding; ++i)
        line->Append(" ");
    if (column->alignment != 0)
        line->Append(text);
}

void CopyListToClipboard(HWND list, const ListColumn* columns, int32_t count)
{
    TextBuffer text;
    text.Init();
    for (int32_t i = 0; i < count; ++i)
        AppendField(&text, &columns[i], columns[i].header);
    text.Append("\r\n");
    int32_t rows = static_cast<int32_t>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int32_t row = 0; row < rows; ++row) {
        for (int32_t i = 0; i < count; ++i) {
            char cell[64] = "";
            LVITEMA item = {};
            item.iSubItem = i;
            item.pszText = cell;
            item.cchTextMax = sizeof cell;
            SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
            AppendField(&text, &columns[i], cell);
        }
        text.Append("\r\n");
    }
    CopyTextToClipboard(text.data, static_cast<int>(text.length));
    text.Release();
}

void ClickListSort(ListSort* sort, int32_t column)
{
    sort->direction = sort->column == column ? -sort->direction : 1;
    sort->column = column;
}

// The number that a cell starts with; false when it starts with none.
static bool CellNumber(const char* text, double* value)
{
    const char* at = text;
    bool negative = *at == '-';
    at += negative;
    if (*at < '0' || *at > '9')
        return false;
    double number = 0;
    for (; *at >= '0' && *at <= '9'; ++at)
        number = number * 10 + (*at - '0');
    if (*at == ':') {
        double minutes = 0;
        for (++at; *at >= '0' && *at <= '9'; ++at)
            minutes = minutes * 10 + (*at - '0');
        number = number * 60 + minutes;
    } else if (*at == '.') {
        double scale = 1;
        for (++at; *at >= '0' && *at <= '9'; ++at)
            number += (*at - '0') * (scale /= 10);
    }
    *value = negative ? -number : number;
    return true;
}

int CompareListCells(const char* first, const char* second, int32_t kind)
{
    if (kind == COMPARE_TEXT)
        return lstrcmpA(first, second);
    double x = 0, y = 0;
    bool hasX = CellNumber(first, &x), hasY = CellNumber(second, &y);
    if (hasX != hasY)
        return hasX ? 1 : -1;
    return x < y ? -1 : x > y ? 1 : 0;
}

void ShowListSortArrow(HWND list, const ListSort* sort)
{
    HWND header = ListView_GetHeader(list);
    int32_t columns = static_cast<int32_t>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int32_t i = 0; i < columns; ++i) {
        HDITEMA item = {};
        item.mask = HDI_FORMAT;
        SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == sort->column)
            item.fmt |= sort->direction > 0 ? HDF_SORTUP : HDF_SORTDOWN;
        SendMessageA(header, HDM_SETITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
}
