#pragma once
#include "base/Platform.h"
#include "store/RecordDatabase.h"
#include <string>
#include <vector>

struct sqlite3;

// Makes path the current record database (created when missing).
bool OpenStoreFile(const std::string& path);

MatchRecord MakeRecord(int64_t timestamp, const char* p1name, int32_t p1id, int32_t p1win, const char* p2name,
                       int32_t p2id, int32_t p2win);

// Every field of got equals that of want (gtest expectations).
void ExpectSameRecord(const MatchRecord& want, const MatchRecord& got);

// The time stamp of a local calendar time, by plain day arithmetic (no Windows call).
int64_t CivilTimestamp(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                       int millisecond = 0);

// The first column of the first row as text; "<null>" for NULL, "<none>" for
// no row, "<error>" when the statement fails.
std::string QueryText(sqlite3* db, const char* sql);
// Runs statements; false when SQLite refuses one.
bool ExecuteSql(sqlite3* db, const char* sql);

// Every statement that a connection starts, in order, while the object lives.
class StatementTrace {
public:
    explicit StatementTrace(sqlite3* db);
    ~StatementTrace();
    std::vector<std::string> statements;

private:
    sqlite3* db;
};

// Runs the gtest cases of the running test program that match filter in a
// new Wine process whose Unix side has TZ=zone (Wine takes the local zone
// from there, not from the Windows environment). Writes the gtest XML report
// to xmlPath. False when the program could not be started, for example on a
// system without a Unix shell.
bool RunTestsUnderZone(const std::string& zone, const std::string& filter, const std::string& xmlPath);
