#pragma once
#include "report/ReportNumbers.h"

struct sqlite3;

// Opens a record file for reading only: SQLite makes no journal, takes no
// write lock and never changes the schema; a missing file is not created.
// Reads take the ordinary shared lock for the moment they run, so that a
// match that vty.exe stores at the same time is seen whole or not at all.
// path: code page text. Null when the file cannot be opened as a database.
sqlite3* OpenRecordReadOnly(const char* path);
// A code page path as SQLite takes it; false when it is no valid code page text.
bool ConvertPathToUtf8(const char* path, TextBuffer* utf8);
// PRAGMA quick_check: true when the file answers "ok".
bool CheckRecord(sqlite3* record);

// Everything the report window shows, read in one transaction.
struct ReportData {
    GrowArray<MatchResult> results;  // every match, oldest first
    RecordTotals totals;
    DayReport day;                   // the latest day played
};

void InitReportData(ReportData* data);
void ClearReportData(ReportData* data);
// False when a statement fails; data then holds what was read so far.
bool ReadReportData(sqlite3* record, ReportData* data);
// Every match with its names, oldest first; false when a statement fails.
bool ReadEveryMatch(sqlite3* record, void (*handler)(const MatchRecord* row, void* context), void* context);
