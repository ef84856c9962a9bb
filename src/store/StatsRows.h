#pragma once
#include "store/RecordQueries.h"

// The numbers of the statistics and detail windows, computed from the pair
// result matrix of each query.

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

// Computes the twenty rows of a detail window: row c counts the matches of
// filter (which holds the window's character and period) against opponent
// character c, its recent numbers the 30 newest of them. Returns how many of
// its DETAIL_QUERY_COUNT queries succeeded, like ComputeStatsRows.
const int32_t DETAIL_QUERY_COUNT = 21;
int32_t ComputeDetailRows(const RecordFilter* filter, StatsRow rows[CHARACTER_COUNT]);

// Computes the statistics window's rows over what period selects (a filter
// with the period already applied, so that every query counts the same
// days). Runs inside the caller's transaction and stops at the first failed
// query; returns how many queries succeeded, STATS_QUERY_COUNT when all did.
int32_t ComputeStatsRows(const RecordFilter* period, StatsRow rows[STATS_ROW_COUNT]);
