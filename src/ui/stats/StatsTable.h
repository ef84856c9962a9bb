#pragma once
#include "base/TextBuffer.h"
#include "store/RecordFilter.h"
#include "store/StatsRows.h"
#include "ui/window/ListView.h"

// The six-column table of the statistics and detail windows: name, matches,
// wins, losses, win rate, and the win rate of a character's last 30.
const int32_t STATS_COLUMN_COUNT = 6;
extern const ListColumn StatsColumns[STATS_COLUMN_COUNT];

// Writes the cells that the first queriesDone queries computed, leaving all
// others as they are: rowCount is STATS_ROW_COUNT for the statistics window,
// CHARACTER_COUNT for a detail window.
void FillStatsList(HWND list, const StatsRow* rows, int32_t rowCount, int32_t queriesDone);
// Writes columns 1 to 4 of a row, and column 5 ("(n%)") when withRecent.
void FillStatsRow(HWND list, int32_t row, const StatsRow* numbers, bool withRecent);

// The days a filter is bounded by, as the window titles name them:
// "2009/12/28から" and "2010/01/03まで", each when set.
void AppendFilterDays(TextBuffer* title, const RecordFilter* filter);
