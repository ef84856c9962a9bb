#pragma once
#include "store/RecordFilter.h"
#include "ui/window/ListView.h"

// The six-column table of the statistics and detail windows: name, matches,
// wins, losses, win rate, and the win rate of a character's last 30.
const int32_t STATS_COLUMN_COUNT = 6;
extern const ListColumn StatsColumns[STATS_COLUMN_COUNT];

// Rows of the statistics window: the twenty characters, a separator, all
// matches, and the last 30, 50 and 100.
const int32_t STATS_ROW_COUNT = 25;
const int32_t ROW_SEPARATOR = 20;
const int32_t ROW_OVERALL = 21;
const int32_t ROW_LAST_30 = 22;

// The numbers of one row; the recent ones fill column 5 of character rows.
struct StatsRow {
    int32_t wins;
    int32_t losses;
    int32_t recentWins;
    int32_t recentLosses;
};

// Win rate in whole percent, halves rounded up; 0 when nothing was played.
int32_t WinRate(int32_t wins, int32_t losses);

// The queries of one computation: the period, twenty characters' last 30,
// and the last 30, 50 and 100.
const int32_t STATS_QUERY_COUNT = 24;

// Computes the statistics window's rows over what period selects (a filter
// with the period already applied, so that every query counts the same
// days). Runs inside the caller's transaction and stops at the first failed
// query; returns how many queries succeeded, STATS_QUERY_COUNT when all did.
int32_t ComputeStatsRows(const RecordFilter* period, StatsRow* rows);

// Writes the cells that the first queriesDone queries of ComputeStatsRows
// computed, leaving all others as they are.
void FillStatsList(HWND list, const StatsRow* rows, int32_t queriesDone);
// Writes columns 1 to 4 of a row, and column 5 ("(n%)") when withRecent.
void FillStatsRow(HWND list, int32_t row, const StatsRow* numbers, bool withRecent);
