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

const int32_t MATRIX_SIZE = CHARACTER_COUNT * CHARACTER_COUNT;

// Sums the pair matrix entries first, first + step, ... before end: a row of
// the player's character with step 1, an opponent's column with step 20.
static void SumPairs(int32_t first, int32_t end, int32_t step, int32_t* wins, int32_t* losses)
{
    *wins = 0;
    *losses = 0;
    for (int32_t i = first; i < end; i += step) {
        *wins += PairTotals[i].wins;
        *losses += PairTotals[i].losses;
    }
}

static void SumCharacter(int32_t p1id, int32_t* wins, int32_t* losses)
{
    SumPairs(p1id * CHARACTER_COUNT, (p1id + 1) * CHARACTER_COUNT, 1, wins, losses);
}

static void SumOpponent(int32_t p2id, int32_t* wins, int32_t* losses)
{
    SumPairs(p2id, MATRIX_SIZE, CHARACTER_COUNT, wins, losses);
}

// Without a decided match in the period the last 30 hold none either, and
// looking for them would scan the whole record.
static bool NeedsRecentQuery(const StatsRow* row)
{
    return row->wins + row->losses != 0;
}

// The 30 newest matches of one character of the player (FILTER_P1ID) or
// against one opponent character (FILTER_P2ID) within base, as row's recent
// numbers. False when the query failed.
static bool QueryRecent(const RecordFilter* base, uint32_t flag, int32_t id, StatsRow* row)
{
    if (!NeedsRecentQuery(row))
        return true;
    RecordFilter recent = *base;
    recent.flags |= flag | FILTER_LIMIT;
    recent.limit = CHARACTER_RECENT_LIMIT;
    if (flag == FILTER_P1ID)
        recent.p1id = id;
    else
        recent.p2id = id;
    if (!QueryPairTotals(&recent))
        return false;
    if (flag == FILTER_P1ID)
        SumCharacter(id, &row->recentWins, &row->recentLosses);
    else
        SumOpponent(id, &row->recentWins, &row->recentLosses);
    return true;
}

int32_t ComputeDetailRows(const RecordFilter* filter, StatsRow* rows)
{
    memset(rows, 0, sizeof(StatsRow) * CHARACTER_COUNT);
    if (!QueryPairTotals(filter))
        return 0;
    for (int32_t c = 0; c < CHARACTER_COUNT; ++c)
        SumOpponent(c, &rows[c].wins, &rows[c].losses);
    int32_t done = 1;
    for (int32_t c = 0; c < CHARACTER_COUNT; ++c, ++done)
        if (!QueryRecent(filter, FILTER_P2ID, c, &rows[c]))
            return done;
    return done;
}

int32_t ComputeStatsRows(const RecordFilter* period, StatsRow* rows)
{
    memset(rows, 0, sizeof(StatsRow) * STATS_ROW_COUNT);
    if (!QueryPairTotals(period))
        return 0;
    for (int32_t id = 0; id < CHARACTER_COUNT; ++id)
        SumCharacter(id, &rows[id].wins, &rows[id].losses);
    SumPairs(0, MATRIX_SIZE, 1, &rows[ROW_OVERALL].wins, &rows[ROW_OVERALL].losses);
    int32_t done = 1;
    for (int32_t id = 0; id < CHARACTER_COUNT; ++id, ++done)
        if (!QueryRecent(period, FILTER_P1ID, id, &rows[id]))
            return done;

    for (int32_t i = 0; i < 3; ++i, ++done) {
        RecordFilter filter = *period;
        filter.flags |= FILTER_LIMIT;
        filter.limit = recentCounts[i];
        if (!QueryPairTotals(&filter))
            return done;
        StatsRow* row = &rows[ROW_LAST_30 + i];
        SumPairs(0, MATRIX_SIZE, 1, &row->wins, &row->losses);
    }
    return done;
}

void FillStatsList(HWND list, const StatsRow* rows, int32_t rowCount, int32_t queriesDone)
{
    if (queriesDone < 1)
        return;
    for (int32_t id = 0; id < CHARACTER_COUNT; ++id)
        FillStatsRow(list, id, &rows[id], id + 2 <= queriesDone);
    if (rowCount <= CHARACTER_COUNT)
        return;
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
