#pragma once
#include "base/Platform.h"
#include <commctrl.h>

// One column of a list: alignment 0 left or 1 right, width in pixels, header.
struct ListColumn {
    int32_t alignment;
    int32_t width;
    const char* header;
};

const int32_t STATS_COLUMN_COUNT = 6;
// Name, matches, wins, losses, win rate, win rate of the last 30.
extern const ListColumn StatsColumns[STATS_COLUMN_COUNT];

// Grid lines, full-row select and the given columns, in order.
void SetUpListColumns(HWND list, const ListColumn* columns, int32_t count);
// Sets the text of one cell.
void SetCellText(HWND list, int32_t row, int32_t column, const char* text);
// Win rate in whole percent, halves rounded up; 0 when nothing was played.
int32_t WinRate(int32_t wins, int32_t losses);
// Columns 1 to 4 of a row: matches, wins, losses, win rate.
void FillStatsRow(HWND list, int32_t row, int32_t wins, int32_t losses);
// The custom-draw answer that stripes a list pale green and white.
LRESULT StripeListRows(NMLVCUSTOMDRAW* draw);
