#include "support/StoreTestSupport.h"
#include "store/RecordQueries.h"
#include "support/TestSupport.h"
#include <sqlite3.h>

bool OpenStoreFile(const std::string& path)
{
    return SetDatabasePath(path.c_str()) && OpenRecordDatabase();
}

RecordFilter Filter(uint32_t flags, int32_t p1id, int32_t limit, int64_t end)
{
    RecordFilter filter;
    memset(&filter, 0, sizeof filter);
    filter.flags = flags;
    filter.p1id = p1id;
    filter.limit = limit;
    filter.end = end;
    return filter;
}

std::string RecordText(const MatchRecord& r)
{
    return std::to_string(r.timestamp) + " " + r.p1name + " " + std::to_string(r.p1id) + " " +
           std::to_string(r.p1win) + " " + r.p2name + " " + std::to_string(r.p2id) + " " + std::to_string(r.p2win);
}

void AppendRecordText(const MatchRecord* row, void* context)
{
    std::string* text = static_cast<std::string*>(context);
    *text += (text->empty() ? "" : "; ") + RecordText(*row);
}

std::string HistoryText(const RecordFilter& filter)
{
    std::string text;
    return QueryHistory(&filter, AppendRecordText, &text) ? text : "<failed>";
}

std::string QueryText(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    std::string result = "<error>";
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK) {
        int rc = sqlite3_step(statement);
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        if (rc == SQLITE_ROW)
            result = text ? std::string(text, sqlite3_column_bytes(statement, 0)) : "<null>";
        else if (rc == SQLITE_DONE)
            result = "<none>";
    }
    sqlite3_finalize(statement);
    return result;
}

bool ExecuteSql(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
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
    SetEnvironmentVariableA("TZ", zone.c_str());
    DeleteFileA(xmlPath.c_str());
    // The same Wine as this process: Wine names its loader in WINELOADER.
    char loader[MAX_PATH] = "wine";
    GetEnvironmentVariableA("WINELOADER", loader, sizeof loader);
    std::string line = std::string(shell) + " -c \"exec '" + loader + "' '" + program + "' --gtest_filter=" + filter +
                       " --gtest_output=xml:'" + xmlPath + "'\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    bool started =
        CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) != FALSE;
    SetEnvironmentVariableA("TZ", nullptr);
    if (!started)
        return false;
    WaitForSingleObject(process.hProcess, 120000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // The handle of a Unix program may be signalled before its own child has
    // finished: poll for the complete report (no message marks its arrival).
    for (int i = 0; i < 1200 && ReadFileBytes(xmlPath).find("</testsuites>") == std::string::npos; ++i)
        Sleep(100);
    return true;
}

bool CopyWithHotJournal(const std::string& record, const std::string& copy)
{
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(record.c_str(), &db) == SQLITE_OK &&
              // A cache this small spills: the journal is synced and the
              // record's own pages are overwritten before any COMMIT.
              ExecuteSql(db, "PRAGMA cache_size=5; BEGIN; CREATE TABLE filler(x);") &&
              ExecuteSql(db, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<3000) "
                             "INSERT INTO filler SELECT randomblob(300) FROM n; "
                             "UPDATE vaviradudiz123 SET p2name='half-written';");
    // The pair as a crash in the middle of storing would leave it.
    ok = ok && FileExists(record + "-journal") && CopyFileA(record.c_str(), copy.c_str(), FALSE) &&
         CopyFileA((record + "-journal").c_str(), (copy + "-journal").c_str(), FALSE);
    sqlite3_close(db);
    return ok;
}
