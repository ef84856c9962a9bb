#pragma once
#include "base/Platform.h"
#include "store/RecordDatabase.h"
#include "store/RecordFilter.h"

// The condition on the rows that totals count; the rest (text or impossible
// win counts, only in a hand-edited file) every count leaves out alike.
#define COUNTABLE_RESULT_SQL                                                                                      \
    "typeof(p1id) = 'integer' AND typeof(p2id) = 'integer' AND typeof(p1win) = 'integer' AND p1win BETWEEN 0 AND 2 " \
    "AND typeof(p2win) = 'integer' AND p2win BETWEEN 0 AND 2"

// Character ids run from 0 to CHARACTER_COUNT - 1.
const int CHARACTER_COUNT = 20;

// A countable row with a character on both sides: what every count by
// character takes (the opponent table, the report); the id bound to
// parameter ?4 must be CHARACTER_COUNT - 1.
#define COUNTABLE_PAIR_SQL COUNTABLE_RESULT_SQL " AND p1id BETWEEN 0 AND ?4 AND p2id BETWEEN 0 AND ?4"

// Matches of one pairing of characters won by each side.
struct PairResult {
    int32_t wins;    // won by player 1
    int32_t losses;  // won by the opponent
};

// A pair result matrix, entry [p1id * CHARACTER_COUNT + p2id].
const int32_t MATRIX_SIZE = CHARACTER_COUNT * CHARACTER_COUNT;
typedef PairResult PairMatrix[MATRIX_SIZE];

// The seven columns of a record in their order, and the reader of a row of
// them from a statement: a NULL name is empty, a longer one cut to 32 bytes.
#define RECORD_COLUMNS "timestamp, p1name, p1id, p1win, p2name, p2id, p2win"
struct sqlite3_stmt;
void ReadRecordColumns(sqlite3_stmt* statement, MatchRecord* record);
// Binds a record to parameters 1 to 7 in that order; it must outlive the statement's run.
void BindRecordColumns(sqlite3_stmt* statement, const MatchRecord* record);

// Receives one row of a query with the caller's context. The row lives only
// for the call; a handler copies what it keeps.
typedef void (*RecordRowHandler)(const MatchRecord* row, void* context);

// Every operation returns false at once without an open connection. The
// changes belong inside the caller's BeginTransaction / EndTransaction.

// False when the row was not stored, for example on a time stamp already taken.
bool InsertRecord(const MatchRecord* record);
// The same into another record file's connection.
bool InsertRecordInto(sqlite3* connection, const MatchRecord* record);
// True when the statement ran, also when no row had that time stamp.
bool DeleteRecord(int64_t timestamp);
// Fills totals with the wins and losses per pairing of the filtered rows
// (the newest filter->limit of them with FILTER_LIMIT). On failure, a
// character id outside 0 to 19 included, totals stays as it was.
bool QueryPairTotals(const RecordFilter* filter, PairMatrix totals);
// One row per opponent name: only p2name, p1win (matches won against it) and
// p2win (matches lost to it) are set. True when the statement ran to its end.
bool QueryOpponentTotals(const RecordFilter* filter, RecordRowHandler handler, void* context);
// The filtered rows, newest first. True when the statement ran to its end.
bool QueryHistory(const RecordFilter* filter, RecordRowHandler handler, void* context);
// Fills record with the newest filtered row; false, record untouched, when
// none matched or the statement failed.
bool QueryLatestRecord(const RecordFilter* filter, MatchRecord* record);
