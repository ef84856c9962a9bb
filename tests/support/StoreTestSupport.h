#pragma once
#include "base/Platform.h"
#include "store/RecordFilter.h"
#include <string>

struct sqlite3;

// Makes path the current record database (created when missing).
bool OpenStoreFile(const std::string& path);
// A filter of these flags and fields, every other field zero.
RecordFilter Filter(uint32_t flags, int32_t p1id = 0, int32_t limit = 0, int64_t end = 0);
// A record as one text: "timestamp p1name p1id p1win p2name p2id p2win".
std::string RecordText(const MatchRecord& record);
// A RecordRowHandler appending RecordText to a std::string, "; " between rows.
void AppendRecordText(const MatchRecord* row, void* text);
// QueryHistory's rows as RecordTexts joined by "; "; "<failed>" when it fails.
std::string HistoryText(const RecordFilter& filter);

// The first column of the first row as text; "<null>" for NULL, "<none>" for
// no row, "<error>" when the statement fails.
std::string QueryText(sqlite3* db, const char* sql);
// Runs statements; false when SQLite refuses one.
bool ExecuteSql(sqlite3* db, const char* sql);

// Copies a record (an ASCII path) with a hot journal made by SQLite itself:
// a transaction whose changes already reached the file is copied with its
// journal, as if the writer had stopped there. The record stays unchanged.
bool CopyWithHotJournal(const std::string& record, const std::string& copy);

// Runs the gtest cases of this test program that match filter in a new Wine
// process whose Unix side has TZ=zone (Wine takes the local zone from there).
// Writes the gtest XML report to xmlPath. False when no Unix shell is there.
bool RunTestsUnderZone(const std::string& zone, const std::string& filter, const std::string& xmlPath);
