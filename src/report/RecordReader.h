#pragma once
#include "report/ReportNumbers.h"

struct sqlite3;

// Opens a record file for reading only: SQLite makes no journal, takes no
// write lock and never changes the schema; a missing file is not created.
// Reads take the ordinary shared lock for the moment they run, so that a
// match that vty.exe stores at the same time is seen whole or not at all.
// path: code page text. Null when the file cannot be opened as a database.
sqlite3* OpenRecordReadOnly(const char* path);
// PRAGMA quick_check: true when the file answers "ok". It reads the whole
// file in one go, so the report runs it on its own copies only.
bool CheckRecord(sqlite3* record);

// What one short read of a record's schema finds.
enum RecordAccess {
    RECORD_READABLE,  // a database with the table vaviradudiz123
    RECORD_NO_TABLE,  // a database (an empty file too) without the table
    RECORD_BUSY,      // cannot be read now: locked by another program, or a
                      // hot journal that only a writer (vty.exe) can roll back
    RECORD_DAMAGED,   // SQLite finds it is no database or a damaged one
};
RecordAccess ProbeRecord(sqlite3* record);
// A database file with the table that passes the check; folders, empty
// files and files that are no database never are.
bool IsGoodRecordFile(const char* path);

// The reads below run in ranges of at most this many matches, each in a
// read of its own, so that vty.exe never waits long to store a match.
const int32_t READ_RANGE_ROWS = 4096;

// Everything the report window shows, read in time-stamp ranges: a match
// stored meanwhile may or may not be in it, but it is never seen in part.
struct ReportData {
    GrowArray<MatchResult> results;  // every match that counts, oldest first
    int32_t leftOut;                 // rows with a character id outside 0 to 19 or a
                                     // win count outside 0 to 2 (or no integer): in no count
    RecordTotals totals;
    int64_t latestPlayed;            // the last match not dated after tomorrow (0 with none):
                                     // the end of the sessions and of the chart
    SessionReport session;           // the latest session played
    GrowArray<SessionSummary> recent;  // the latest sessions, newest first
};

// The recent sessions listed.
const uint32_t RECENT_SESSIONS = 50;

void InitReportData(ReportData* data);
void ClearReportData(ReportData* data);
// False when a statement fails; data then holds what was read so far.
bool ReadReportData(sqlite3* record, ReportData* data);
// Every match with its names, oldest first, those in no count too; false
// when a statement fails.
bool ReadEveryMatch(sqlite3* record, void (*handler)(const MatchRecord* row, void* context), void* context);
