#pragma once
#include "store/RecordQueries.h"
#include "store/WorkProgress.h"

// A record file read by a program that never changes it (the report tool):
// opened read-only, so that SQLite makes no journal, takes no write lock and
// never changes the schema, and a missing file is not created. Each read is
// short and takes the ordinary shared lock only while it runs: a match that
// vty.exe stores meanwhile is seen whole or not at all, and never waits long.
// One reader is used by one thread at a time.
struct RecordReader {
    sqlite3* connection;  // the store's modules alone use it
};

// Null when the file cannot be opened as a database. path: code page text.
RecordReader* OpenRecordReader(const char* path);
// Closes the file and frees the reader; nothing with null.
void CloseRecordReader(RecordReader* record);

// A file that is there and no folder (code page path).
bool IsPlainFile(const char* path);
// What one short read of a record's schema finds.
enum RecordAccess {
    RECORD_READABLE,  // a database with the record table
    RECORD_NO_TABLE,  // a database (an empty file too) without the table
    RECORD_BUSY,      // cannot be read now: locked by another program, or a
                      // hot journal that only a writer (vty.exe) can roll back
    RECORD_DAMAGED,   // SQLite finds it is no database or a damaged one
};
RecordAccess ProbeRecord(RecordReader* record);
// PRAGMA quick_check: true when the file answers "ok". It reads the whole
// file in one go, holding it all that time, so it is for copies only.
bool CheckRecord(RecordReader* record);
// A database with the record table: one short look, not the full check.
bool IsRecordFile(const char* path);
// A database file with the table that passes the check; folders, empty
// files and files that are no database never are.
bool IsGoodRecordFile(const char* path);

// The first and last time stamp of the record (0 and 0 for none), for the
// share of it that a read has gone through.
void ReadTimeSpan(RecordReader* record, int64_t* first, int64_t* last);

// The reads below run in ranges of at most this many matches, each a read
// of its own, so that vty.exe never waits long to store a match.
const int32_t READ_RANGE_ROWS = 4096;

// One match of a range, its names cut to whole characters (an older recorder
// could cut one in the middle of a double-byte character).
struct RecordRow {
    MatchRecord match;
    // It passes COUNTABLE_RESULT_SQL and both ids are characters: every count
    // takes it. Only a hand-edited file holds other rows.
    bool countable;
};
typedef void (*RecordRangeHandler)(const RecordRow* rows, uint32_t count, void* context);

// The matches from `from` to `to` (both included) in time-stamp order, range
// by range. Each range is read whole and its read ended, which frees the
// file, before the handler sees its rows: a slow handler never keeps a
// writer waiting. Progress: the share of the time span read, in ten
// thousandths. False when a read fails or the progress cancels.
bool ReadRecordRanges(RecordReader* record, int64_t from, int64_t to, RecordRangeHandler handler, void* context,
                      const WorkProgress* progress);
// Every match, one at a time and oldest first, those that no count takes too.
bool ReadEveryMatch(RecordReader* record, RecordRowHandler handler, void* context,
                    const WorkProgress* progress = nullptr);
