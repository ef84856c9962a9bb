#pragma once
#include "store/RecordFilter.h"
#include <string>

struct sqlite3;

// Makes path the current record database (created when missing).
bool OpenStoreFile(const std::string& path);
// A filter of these flags and fields, every other field zero.
RecordFilter Filter(uint32_t flags, int32_t p1id = 0, int32_t limit = 0, int64_t end = 0);
// A record as one text: "timestamp p1name p1id p1win p2name p2id p2win".
std::string RecordText(const MatchRecord& record);
// QueryHistory's rows as RecordTexts joined by "; "; "<failed>" when it fails.
std::string HistoryText(const RecordFilter& filter);

// The first column of the first row as text, "<null>", "<none>" or "<error>".
std::string QueryText(sqlite3* db, const char* sql);
// Runs statements; false when SQLite refuses one.
bool ExecuteSql(sqlite3* db, const char* sql);

// Copies a record (an ASCII path) with the hot journal of a transaction whose
// changes already reached the file, as if its writer had stopped there.
bool CopyWithHotJournal(const std::string& record, const std::string& copy);
