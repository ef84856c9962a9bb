#include "ui/stats/StatsTable.h"

const ListColumn StatsColumns[STATS_COLUMN_COUNT] = {
    {0, 80, "名前"}, {1, 55, "対戦数"}, {1, 55, "勝"}, {1, 55, "負"}, {1, 55, "勝率"}, {1, 55, "過去30"},
};

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

void SetCellText(HWND list, int32_t row, int32_t column, const char* text)
{
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

int32_t WinRate(int32_t wins, int32_t losses)
{
    int32_t played = wins + losses;
    return MulDiv(wins, 100, played ? played : 1);
}

void FillStatsRow(HWND list, int32_t row, int32_t wins, int32_t losses)
{
    char text[16];
    wnsprintfA(text, sizeof text, "%d", wins + losses);
    SetCellText(list, row, 1, text);
    wnsprintfA(text, sizeof text, "%d", wins);
    SetCellText(list, row, 2, text);
    wnsprintfA(text, sizeof text, "%d", losses);
    SetCellText(list, row, 3, text);
    wnsprintfA(text, sizeof text, "%d%%", WinRate(wins, losses));
    SetCellText(list, row, 4, text);
}

LRESULT StripeListRows(NMLVCUSTOMDRAW* draw)
{
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        draw->clrTextBk = (draw->nmcd.dwItemSpec % 2 == 0) ? RGB(208, 220, 208) : RGB(255, 255, 255);
        return CDRF_NOTIFYSUBITEMDRAW;
    }
    return CDRF_DODEFAULT;
}
