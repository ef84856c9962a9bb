#include "support/StoreTestSupport.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <sqlite3.h>

bool OpenStoreFile(const std::string& path)
{
    return SetDatabasePath(path.c_str()) && OpenRecordDatabase();
}

MatchRecord MakeRecord(int64_t timestamp, const char* p1name, int32_t p1id, int32_t p1win, const char* p2name,
                       int32_t p2id, int32_t p2win)
{
    MatchRecord record;
    memset(&record, 0, sizeof record);
    record.timestamp = timestamp;
    lstrcpynA(record.p1name, p1name, sizeof record.p1name);
    record.p1id = p1id;
    record.p1win = p1win;
    lstrcpynA(record.p2name, p2name, sizeof record.p2name);
    record.p2id = p2id;
    record.p2win = p2win;
    return record;
}

int64_t CivilTimestamp(int year, int month, int day, int hour, int minute, int second, int millisecond)
{
    // Days since 1601-01-01 in the proleptic Gregorian calendar.
    int64_t y = year - 1601;
    static const int daysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    int64_t days = y * 365 + y / 4 - y / 100 + y / 400 + daysBeforeMonth[month - 1] + (day - 1);
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (leap && month > 2)
        ++days;
    int64_t milliseconds = ((days * 24 + hour) * 60 + minute) * 60000LL + second * 1000LL + millisecond;
    return milliseconds * 10000;
}

std::string QueryText(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return "<error>";
    }
    std::string result = "<none>";
    int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(statement, 0);
        result = text ? std::string(reinterpret_cast<const char*>(text), sqlite3_column_bytes(statement, 0))
                      : "<null>";
    } else if (rc != SQLITE_DONE) {
        result = "<error>";
    }
    sqlite3_finalize(statement);
    return result;
}

bool ExecuteSql(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

static int TraceStatement(unsigned, void* context, void*, void* text)
{
    static_cast<std::vector<std::string>*>(context)->push_back(static_cast<const char*>(text));
    return 0;
}

StatementTrace::StatementTrace(sqlite3* db) : db(db)
{
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, TraceStatement, &statements);
}

StatementTrace::~StatementTrace()
{
    sqlite3_trace_v2(db, 0, nullptr, nullptr);
}

bool RunTestsUnderZone(const std::string& zone, const std::string& filter, const std::string& xmlPath)
{
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, sizeof program);
    const char* shell = "Z:\\bin\\sh";
    if (!FileExists(shell))
        return false;
    // Wine builds the Unix environment of a Unix program from the Windows
    // one, so the shell and the wine it starts see TZ.
    char savedZone[256];
    DWORD saved = GetEnvironmentVariableA("TZ", savedZone, sizeof savedZone);
    SetEnvironmentVariableA("TZ", zone.c_str());
    DeleteFileA(xmlPath.c_str());
    std::string line = std::string(shell) + " -c \"exec wine '" + program + "' --gtest_filter=" + filter +
                       " --gtest_output=xml:'" + xmlPath + "'\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    bool started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                  &process) != FALSE;
    SetEnvironmentVariableA("TZ", saved > 0 && saved < sizeof savedZone ? savedZone : nullptr);
    if (!started)
        return false;
    WaitForSingleObject(process.hProcess, 120000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // The handle of a Unix program may be signalled before its own child
    // has finished: wait for the complete report.
    for (int i = 0; i < 1200; ++i) {
        if (ReadFileBytes(xmlPath).find("</testsuites>") != std::string::npos)
            return true;
        Sleep(100);
    }
    return true;
}

void ExpectSameRecord(const MatchRecord& want, const MatchRecord& got)
{
    EXPECT_EQ(want.timestamp, got.timestamp);
    EXPECT_STREQ(want.p1name, got.p1name);
    EXPECT_EQ(want.p1id, got.p1id);
    EXPECT_EQ(want.p1win, got.p1win);
    EXPECT_STREQ(want.p2name, got.p2name);
    EXPECT_EQ(want.p2id, got.p2id);
    EXPECT_EQ(want.p2win, got.p2win);
}
