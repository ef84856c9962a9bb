#include "store/RecordSummaries.h"
#include "store/RecordTotals.h"
#include "store/StoreState.h"
#include "store/TimeStamp.h"
#include <sqlite3.h>

// Each summary reads the record's sums in memory (RecordTotals): the totals
// kept whole, the recent days, the newest results and the player's
// characters against an opponent from its rows in time stamp order, so that
// a look-up costs no read of the file.

// A record another program holds is skipped after a brief wait: the
// summaries run between the game's scenes and must not stall the tool.
const int SUMMARY_BUSY_WAIT_MS = 100;

// The sums, made current within that wait; false when they cannot be.
static bool SumsForLookUp()
{
    sqlite3* connection = RecordConnection();
    if (!connection)
        return false;
    sqlite3_busy_timeout(connection, SUMMARY_BUSY_WAIT_MS);
    bool ok = CurrentTotals();
    sqlite3_busy_timeout(connection, DATABASE_BUSY_TIMEOUT_MS);
    return ok;
}

// The first row of the recent days before now.
static uint32_t FirstRecentRow(int64_t now)
{
    return FirstTotalsRow(now - RECENT_DAYS * DAY_TICKS);
}

// 1 won, -1 lost, 0 neither: the player's two rounds first.
static int32_t Outcome(const TotalsRow* row)
{
    return row->won ? 1 : row->lost ? -1 : 0;
}

static void Count(WinLoss* tally, int32_t outcome)
{
    if (outcome > 0)
        ++tally->wins;
    else if (outcome < 0)
        ++tally->losses;
}

// The characters with the most won or lost matches into summary, a tie to
// the lower id; those without any are left out.
static void KeepMostPlayed(WinLoss* byCharacter, OpponentSummary* summary)
{
    while (summary->characterCount < OWN_CHARACTERS_KEPT) {
        int32_t most = -1, mostPlayed = 0;
        for (int32_t id = 0; id < CHARACTER_COUNT; ++id)
            if (byCharacter[id].wins + byCharacter[id].losses > mostPlayed) {
                most = id;
                mostPlayed = byCharacter[id].wins + byCharacter[id].losses;
            }
        if (most < 0)
            return;
        CharacterResults* kept = &summary->characters[summary->characterCount++];
        kept->p1id = most;
        kept->results = byCharacter[most];
        memset(&byCharacter[most], 0, sizeof byCharacter[most]);
    }
}

bool SummariseOpponent(const char* name, int64_t now, OpponentSummary* summary)
{
    memset(summary, 0, sizeof *summary);
    uint32_t index = 0;
    if (!SumsForLookUp())
        return false;
    if (!FindTotalsOpponent(name, &index))
        return true;
    GrowArray<TotalsRow>* rows = &RecordStore.totals.rows;
    const TotalsOpponent* opponent = &RecordStore.totals.opponents.At(index);
    summary->met = opponent->rows;
    summary->allTime = opponent->results;
    // Its rows are spread over the whole record: one pass takes both.
    WinLoss byCharacter[CHARACTER_COUNT];
    memset(byCharacter, 0, sizeof byCharacter);
    uint32_t firstRecent = FirstRecentRow(now);
    for (uint32_t i = 0; i < rows->count; ++i) {
        const TotalsRow* row = &rows->At(i);
        if (row->opponent != index)
            continue;
        if (i >= firstRecent)
            Count(&summary->recent, Outcome(row));
        if (row->p1id != NO_CHARACTER)
            Count(&byCharacter[row->p1id], Outcome(row));
    }
    KeepMostPlayed(byCharacter, summary);
    // Newest first, until five results or its last row.
    uint32_t seen = 0;
    for (uint32_t i = rows->count; i > 0 && seen < opponent->rows && summary->lastCount < LAST_RESULTS_KEPT;) {
        const TotalsRow* row = &rows->At(--i);
        if (row->opponent != index)
            continue;
        ++seen;
        if (!summary->lastMet)
            summary->lastMet = row->timestamp;
        int32_t outcome = Outcome(row);
        if (outcome)
            summary->last[summary->lastCount++] = outcome > 0 ? 'W' : 'L';
    }
    return true;
}

bool SummariseCharacter(int32_t p1id, int64_t now, CharacterSummary* summary)
{
    memset(summary, 0, sizeof *summary);
    if (p1id < 0 || p1id >= CHARACTER_COUNT || !SumsForLookUp())
        return false;
    summary->allTime = RecordStore.totals.characters[p1id];
    GrowArray<TotalsRow>* rows = &RecordStore.totals.rows;
    for (uint32_t i = FirstRecentRow(now); i < rows->count; ++i) {
        const TotalsRow* row = &rows->At(i);
        if (row->p1id == p1id) {
            summary->recent.wins += row->won;
            summary->recent.losses += row->lost;
        }
    }
    return true;
}

bool SummariseAgainstCharacter(int32_t p2id, WinLoss* results)
{
    memset(results, 0, sizeof *results);
    if (p2id < 0 || p2id >= CHARACTER_COUNT || !SumsForLookUp())
        return false;
    // The pair matrix's column: the rows with a character on both sides.
    for (int32_t p1id = 0; p1id < CHARACTER_COUNT; ++p1id) {
        const PairResult* pair = &RecordStore.totals.pairs[p1id * CHARACTER_COUNT + p2id];
        results->wins += pair->wins;
        results->losses += pair->losses;
    }
    return true;
}

bool SummariseSession(int64_t now, CurrentSession* summary)
{
    memset(summary, 0, sizeof *summary);
    if (!SumsForLookUp())
        return false;
    GrowArray<TotalsRow>* rows = &RecordStore.totals.rows;
    int64_t after = now;  // the match (or moment) after the row at hand
    bool streakOpen = true;
    for (uint32_t i = rows->count; i > 0;) {
        const TotalsRow* row = &rows->At(--i);
        int64_t timestamp = row->timestamp;
        if (StartsNewSession(timestamp, after))
            break;
        after = timestamp;
        int32_t outcome = Outcome(row);
        Count(&summary->results, outcome);
        // Matches that count neither way neither carry nor break a streak.
        if (!outcome)
            continue;
        if (streakOpen && (summary->streak == 0 || (summary->streak > 0) == (outcome > 0)))
            summary->streak += outcome;
        else
            streakOpen = false;
    }
    return true;
}
