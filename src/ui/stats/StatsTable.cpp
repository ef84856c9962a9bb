#include "ui/stats/StatsTable.h"
#include "store/RecordQueries.h"

const ListColumn StatsColumns[STATS_COLUMN_COUNT] = {
    {0, 80, "名前"}, {1, 55, "対戦数"}, {1, 55, "勝"}, {1, 55, "負"}, {1, 55, "勝率"}, {1, 55, "過去30"},
};

const int32_t CHARACTER_RECENT_LIMIT = 30;
static const int32_t recentCounts[] = {30, 50, 100};

int32_t WinRate(int32_t wins, int32_t losses)
{
    int32_t played = wins + losses;
    return MulDiv(wins, 100, played ? played : 1);
}

// Sums the pair matrix over the player's characters first to last.
static void SumPairs(int32_t first, int32_t last, int32_t* wins, int32_t* losses)
{
    *wins = 0;
    *losses = 0;
    for (int32_t i = first * CHARACTER_COUNT; i < (last + 1) * CHARACTER_COUNT; ++i) {
        *wins += PairTotals[i].wins;
        *losses += PairTotals[i].losses;
    }
}

int32_t ComputeStatsRows(const RecordFilter* period, StatsRow* rows)
{
    memset(rows, 0, sizeof(StatsRow) * STATS_ROW_COUNT);
    if (!QueryPairTotals(period))
        return 0;
    for (int32_t id = 0; id < CHARACTER_COUNT; ++id)
        SumPairs(id, id, &rows[id].wins, &rows[id].losses);
    SumPairs(0, CHARACTER_COUNT - 1, &rows[ROW_OVERALL].wins, &rows[ROW_OVERALL].losses);
    int32_t done = 1;

    for (int32_t id = 0; id < CHARACTER_COUNT; ++id, ++done) {
        // Without a decided match in the period the last 30 hold none either,
        // and looking for them would scan the whole record.
        if (rows[id].wins + rows[id].losses == 0)
            continue;
        RecordFilter filter = *period;
        filter.flags |= FILTER_P1ID | FILTER_LIMIT;
        filter.p1id = id;
        filter.limit = CHARACTER_RECENT_LIMIT;
        if (!QueryPairTotals(&filter))
            return done;
        SumPairs(id, id, &rows[id].recentWins, &rows[id].recentLosses);
    }

    for (int32_t i = 0; i < 3; ++i, ++done) {
        RecordFilter filter = *period;
        filter.flags |= FILTER_LIMIT;
        filter.limit = recentCounts[i];
        if (!QueryPairTotals(&filter))
            return done;
        StatsRow* row = &rows[ROW_LAST_30 + i];
        SumPairs(0, CHARACTER_COUNT - 1, &row->wins, &row->losses);
    }
    return done;
}

void FillStatsList(HWND list, const StatsRow* rows, int32_t queriesDone)
{
    if (queriesDone < 1)
        return;
    for (int32_t id = 0; id < CHARACTER_COUNT; ++id)
        FillStatsRow(list, id, &rows[id], id + 2 <= queriesDone);
    FillStatsRow(list, ROW_OVERALL, &rows[ROW_OVERALL], false);
    for (int32_t i = 0; i < 3 && 1 + CHARACTER_COUNT + i < queriesDone; ++i)
        FillStatsRow(list, ROW_LAST_30 + i, &rows[ROW_LAST_30 + i], false);
}

void FillStatsRow(HWND list, int32_t row, const StatsRow* numbers, bool withRecent)
{
    char text[16];
    wnsprintfA(text, sizeof text, "%d", numbers->wins + numbers->losses);
    SetCellText(list, row, 1, text);
    wnsprintfA(text, sizeof text, "%d", numbers->wins);
    SetCellText(list, row, 2, text);
    wnsprintfA(text, sizeof text, "%d", numbers->losses);
    SetCellText(list, row, 3, text);
    wnsprintfA(text, sizeof text, "%d%%", WinRate(numbers->wins, numbers->losses));
    SetCellText(list, row, 4, text);
    if (withRecent) {
        wnsprintfA(text, sizeof text, "(%d%%)", WinRate(numbers->recentWins, numbers->recentLosses));
        SetCellText(list, row, 5, text);
    }
}
