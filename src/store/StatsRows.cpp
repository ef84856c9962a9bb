#include "store/StatsRows.h"

const int32_t CHARACTER_RECENT_LIMIT = 30;
static const int32_t recentCounts[] = {30, 50, 100};

int32_t WinRate(int32_t wins, int32_t losses)
{
    int32_t played = wins + losses;
    return MulDiv(wins, 100, played ? played : 1);
}

// Sums the pair matrix entries first, first + step, ... before end: a row of
// the player's character with step 1, an opponent's column with step 20.
static void SumPairs(const PairMatrix totals, int32_t first, int32_t end, int32_t step, int32_t* wins,
                     int32_t* losses)
{
    *wins = 0;
    *losses = 0;
    for (int32_t i = first; i < end; i += step) {
        *wins += totals[i].wins;
        *losses += totals[i].losses;
    }
}

static void SumCharacter(const PairMatrix totals, int32_t p1id, int32_t* wins, int32_t* losses)
{
    SumPairs(totals, p1id * CHARACTER_COUNT, (p1id + 1) * CHARACTER_COUNT, 1, wins, losses);
}

static void SumOpponent(const PairMatrix totals, int32_t p2id, int32_t* wins, int32_t* losses)
{
    SumPairs(totals, p2id, MATRIX_SIZE, CHARACTER_COUNT, wins, losses);
}

// Without a decided match in the period the last 30 hold none either, and
// looking for them would scan the whole record.
static bool NeedsRecentQuery(const StatsRow* row)
{
    return row->wins + row->losses != 0;
}

// The numbers of one character of the player (axis FILTER_P1ID) or against
// one opponent character (FILTER_P2ID) in a pair matrix.
static void SumAxis(const PairMatrix totals, uint32_t axis, int32_t id, int32_t* wins, int32_t* losses)
{
    if (axis == FILTER_P1ID)
        SumCharacter(totals, id, wins, losses);
    else
        SumOpponent(totals, id, wins, losses);
}

// The 30 newest matches of one character on axis within base, as row's
// recent numbers. False when the query failed.
static bool QueryRecent(const RecordFilter* base, uint32_t axis, int32_t id, StatsRow* row)
{
    if (!NeedsRecentQuery(row))
        return true;
    RecordFilter recent = *base;
    recent.flags |= axis | FILTER_LIMIT;
    recent.limit = CHARACTER_RECENT_LIMIT;
    if (axis == FILTER_P1ID)
        recent.p1id = id;
    else
        recent.p2id = id;
    PairMatrix totals;
    if (!QueryPairTotals(&recent, totals))
        return false;
    SumAxis(totals, axis, id, &row->recentWins, &row->recentLosses);
    return true;
}

// Rows 0 to 19, one per character on axis, with their last 30; totals gets
// the matrix of filter. Returns how many queries succeeded, at most 21.
static int32_t ComputeCharacterRows(const RecordFilter* filter, uint32_t axis, StatsRow* rows, PairMatrix totals)
{
    if (!QueryPairTotals(filter, totals))
        return 0;
    for (int32_t id = 0; id < CHARACTER_COUNT; ++id)
        SumAxis(totals, axis, id, &rows[id].wins, &rows[id].losses);
    int32_t done = 1;
    for (int32_t id = 0; id < CHARACTER_COUNT; ++id, ++done)
        if (!QueryRecent(filter, axis, id, &rows[id]))
            return done;
    return done;
}

int32_t ComputeDetailRows(const RecordFilter* filter, StatsRow* rows)
{
    memset(rows, 0, sizeof(StatsRow) * CHARACTER_COUNT);
    PairMatrix totals;
    return ComputeCharacterRows(filter, FILTER_P2ID, rows, totals);
}

int32_t ComputeStatsRows(const RecordFilter* period, StatsRow* rows)
{
    memset(rows, 0, sizeof(StatsRow) * STATS_ROW_COUNT);
    PairMatrix totals;
    int32_t done = ComputeCharacterRows(period, FILTER_P1ID, rows, totals);
    if (done == 0)
        return 0;
    SumPairs(totals, 0, MATRIX_SIZE, 1, &rows[ROW_OVERALL].wins, &rows[ROW_OVERALL].losses);
    if (done < 1 + CHARACTER_COUNT)
        return done;
    for (int32_t i = 0; i < 3; ++i, ++done) {
        RecordFilter filter = *period;
        filter.flags |= FILTER_LIMIT;
        filter.limit = recentCounts[i];
        if (!QueryPairTotals(&filter, totals))
            return done;
        StatsRow* row = &rows[ROW_LAST_30 + i];
        SumPairs(totals, 0, MATRIX_SIZE, 1, &row->wins, &row->losses);
    }
    return done;
}
