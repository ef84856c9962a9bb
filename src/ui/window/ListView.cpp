#include "ui/window/ListView.h"
#include "base/TextBuffer.h"
#include "base/TextUtil.h"

void SetUpListColumns(HWND list, const ListColumn* columns, int32_t count)
{
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    for (int32_t i = 0; i < count; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = columns[i].alignment ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = columns[i].width;
        column.pszText = const_cast<char*>(columns[i].header);
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
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
