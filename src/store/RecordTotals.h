#pragma once
#include "base/GrowArray.h"
#include "store/RecordQueries.h"
#include "store/RecordSummaries.h"

// The current record summed up in memory: read in one pass when the record
// opens and kept current with every change the store makes, so that the
// windows and the match-start look-up never read a million rows. A change by
// another program (or by SQL that bypasses the store) is noticed before the
// next answer, and the sums are read again. Private to the store.

// The columns every sum reads, and the rows they count: the wins are p1win/2
// and p2win/2, so a hand-edited 2-2 counts for both sides, as in SQL.
#define TOTALS_COLUMNS "timestamp, p2name, p1id, p2id, p1win/2, p2win/2"

// An id kept for a number that is no character.
const int8_t NO_CHARACTER = -1;

// One countable row; the rows are kept oldest first.
struct TotalsRow {
    int64_t timestamp;
    uint32_t opponent;  // index in RecordTotals::opponents
    int8_t p1id;        // 0 to 19, or NO_CHARACTER
    int8_t p2id;
    int8_t won;         // p1win/2
    int8_t lost;        // p2win/2
};

// One opponent name as SQLite groups it: its storage class and its bytes
// (the column's affinity stores a name of digits as a number).
struct TotalsOpponent {
    uint32_t name;        // offset in RecordTotals::names: the key's bytes, then the text shown
    uint32_t keyLength;
    uint32_t textLength;  // at most 32, cut at a zero byte like every name read
    int32_t type;         // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB or SQLITE_NULL
    uint32_t rows;        // countable rows against it
    uint32_t tableRows;   // of them those with two characters: the opponent table's
    WinLoss table;        // p1win/2 and p2win/2 summed over those
    WinLoss results;      // won, else lost, over every countable row: the live card's
};

// A change of the open transaction, summed in at its commit.
struct TotalsChange {
    int32_t sign;  // 1 inserted, -1 deleted
    TotalsRow row;
};

struct RecordTotals {
    bool current;                         // equal to the file as of the two stamps
    bool touched;                         // holds changes of a transaction not yet ended
    int64_t dataVersion;                  // PRAGMA data_version when last compared
    int64_t changes;                      // the connection's total changes accounted for
    GrowArray<TotalsRow> rows;            // every countable row, oldest first
    GrowArray<TotalsOpponent> opponents;  // every name met, also once its rows are gone
    GrowArray<char> names;
    GrowArray<uint32_t> slots;            // hash of the opponents: index + 1, 0 free
    GrowArray<TotalsChange> pending;
    PairMatrix pairs;                     // over the rows with two characters
    WinLoss characters[CHARACTER_COUNT];  // p1win/2 and p2win/2 per character played, any opponent id
    uint32_t strayRows;                   // rows with an id that is no character
    sqlite3_stmt* version;                // PRAGMA data_version
    sqlite3_stmt* row;                    // one countable row by time stamp
};

// Reads the sums of the current record from the file. False (the sums then
// unusable until read again) when SQLite fails.
bool ReadTotals();
// Frees the sums and their statements: before the connection closes.
void ReleaseTotals();
// Hooks the commit and rollback of connection to the sums.
void WatchTotals(sqlite3* connection);
// Makes the sums equal to the file, reading them again when another program
// or SQL around the store changed it. False when they cannot be read.
bool CurrentTotals();

// The countable row at timestamp, for a change about to be made or just
// made; false when there is none or the sums are not kept.
bool ReadTotalsRow(int64_t timestamp, TotalsRow* row);
// After the store's own statement: sign 1 (row inserted), -1 (deleted) or 0
// (nothing to sum); changesBefore is the connection's total before it.
void NoteTotalsChange(int64_t changesBefore, int32_t sign, const TotalsRow* row);

// The first row at or after timestamp (the row count when none).
uint32_t FirstTotalsRow(int64_t timestamp);
// The opponent that SQL's "p2name = name" selects; false when none was met.
bool FindTotalsOpponent(const char* name, uint32_t* index);

// What SumTotalsPairs made of a filter.
const int32_t TOTALS_FAILED = 0;      // a row with an id that is no character: SQL fails too
const int32_t TOTALS_SUMMED = 1;
const int32_t TOTALS_UNANSWERED = 2;  // the player's name or win counts in it, or no sums: ask SQL
// Adds the pair totals of filter (time bounds, ids, the opponent's name, a limit) to working.
int32_t SumTotalsPairs(const RecordFilter* filter, PairResult* working);
// The opponent table over the whole record, in SQL's order of the names.
bool ListTotalsOpponents(RecordRowHandler handler, void* context);
