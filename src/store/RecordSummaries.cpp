#include "store/RecordSummaries.h"
#include "store/RecordQueries.h"
#include "store/TimeStamp.h"
#include <sqlite3.h>

// The record file has no index but the time stamp's, and keeps it so: each
// summary is one pass over the table, newest first along the primary key.

// A record another program holds is skipped after a brief wait: the
// summaries run between the game's scenes and must not stall the tool.
const int SUMMARY_BUSY_WAIT_MS = 100;

static sqlite3_stmt* Prepare(const char* sql)
{
    sqlite3* connection = RecordConnection();
    sqlite3_stmt* statement = nullptr;
    if (!connection)
        return nullptr;
    sqlite3_busy_timeout(connection, SUMMARY_BUSY_WAIT_MS);
    if (sqlite3_prepare_v2(connection, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        sqlite3_busy_timeout(connection, DATABASE_BUSY_TIMEOUT_MS);
        return nullptr;
    }
    return statement;
}

static void Finish(sqlite3_stmt* statement)
{
    sqlite3_finalize(statement);
    sqlite3_busy_timeout(RecordConnection(), DATABASE_BUSY_TIMEOUT_MS);
}

// 1 won, -1 lost, 0 neither, from the player's and the opponent's rounds.
static int32_t Outcome(sqlite3_stmt* statement, int column)
{
    if (sqlite3_column_int(statement, column) == 2)
        return 1;
    return sqlite3_column_int(statement, column + 1) == 2 ? -1 : 0;
}

static void Count(WinLoss* tally, int32_t outcome)
{
    if (outcome > 0)
        ++tally->wins;
    else if (outcome < 0)
        ++tally->losses;
}

bool SummariseOpponent(const char* name, int64_t now, OpponentSummary* summary)
{
    memset(summary, 0, sizeof *summary);
    // The name is bound, never written into the statement: profile names
    // hold quotes, percent signs and bytes that are no text at all.
    sqlite3_stmt* statement =
        Prepare("SELECT timestamp, p1win, p2win FROM " RECORD_TABLE " WHERE p2name = ?1 AND " COUNTABLE_RESULT_SQL
                " ORDER BY timestamp DESC");
    if (!statement)
        return false;
    sqlite3_bind_text(statement, 1, name, static_cast<int>(strnlen(name, PROFILE_NAME_SIZE)), SQLITE_STATIC);
    int64_t recentFrom = now - RECENT_DAYS * DAY_TICKS;
    int result;
    while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
        int64_t timestamp = sqlite3_column_int64(statement, 0);
        int32_t outcome = Outcome(statement, 1);
        if (!summary->lastMet)
            summary->lastMet = timestamp;
        Count(&summary->allTime, outcome);
        if (timestamp >= recentFrom)
            Count(&summary->recent, outcome);
        if (outcome && summary->lastCount < LAST_RESULTS_KEPT)
            summary->last[summary->lastCount++] = outcome > 0 ? 'W' : 'L';
    }
    Finish(statement);
    return result == SQLITE_DONE;
}

bool SummariseCharacter(int32_t p1id, int64_t now, CharacterSummary* summary)
{
    memset(summary, 0, sizeof *summary);
    sqlite3_stmt* statement = Prepare(
        "SELECT total(p1win = 2), total(p2win = 2), total(timestamp >= ?2 AND p1win = 2), "
        "total(timestamp >= ?2 AND p2win = 2) FROM " RECORD_TABLE " WHERE p1id = ?1 AND " COUNTABLE_RESULT_SQL);
    if (!statement)
        return false;
    sqlite3_bind_int(statement, 1, p1id);
    sqlite3_bind_int64(statement, 2, now - RECENT_DAYS * DAY_TICKS);
    bool ok = sqlite3_step(statement) == SQLITE_ROW;
    if (ok) {
        summary->allTime.wins = sqlite3_column_int(statement, 0);
        summary->allTime.losses = sqlite3_column_int(statement, 1);
        summary->recent.wins = sqlite3_column_int(statement, 2);
        summary->recent.losses = sqlite3_column_int(statement, 3);
    }
    Finish(statement);
    return ok;
}

bool SummariseSession(int64_t now, CurrentSession* summary)
{
    memset(summary, 0, sizeof *summary);
    sqlite3_stmt* statement = Prepare("SELECT timestamp, p1win, p2win FROM " RECORD_TABLE " WHERE " COUNTABLE_RESULT_SQL
                                      " ORDER BY timestamp DESC");
    if (!statement)
        return false;
    int64_t after = now;  // the match (or moment) after the row at hand
    bool streakOpen = true;
    int result;
    while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
        int64_t timestamp = sqlite3_column_int64(statement, 0);
        if (StartsNewSession(timestamp, after)) {
            result = SQLITE_DONE;
            break;
        }
        after = timestamp;
        int32_t outcome = Outcome(statement, 1);
        Count(&summary->results, outcome);
        // Matches that count neither way neither carry nor break a streak.
        if (!outcome)
            continue;
        if (streakOpen && (summary->streak == 0 || (summary->streak > 0) == (outcome > 0)))
            summary->streak += outcome;
        else
            streakOpen = false;
    }
    Finish(statement);
    return result == SQLITE_DONE;
}
