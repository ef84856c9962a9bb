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
    RecordFilter filter = {};
    filter.flags = flags, filter.p1id = p1id, filter.limit = limit, filter.end = end;
    return filter;
}

std::string RecordText(const MatchRecord& r)
{
    return std::to_string(r.timestamp) + " " + r.p1name + " " + std::to_string(r.p1id) + " " +
           std::to_string(r.p1win) + " " + r.p2name + " " + std::to_string(r.p2id) + " " + std::to_string(r.p2win);
}

std::string HistoryText(const RecordFilter& filter)
{
    std::string text;
    auto append = [](const MatchRecord* row, void* to) {
        *static_cast<std::string*>(to) += (static_cast<std::string*>(to)->empty() ? "" : "; ") + RecordText(*row);
    };
    return QueryHistory(&filter, append, &text) ? text : "<failed>";
}

std::string QueryText(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK ? sqlite3_step(statement) : SQLITE_ERROR;
    const char* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    std::string result = rc == SQLITE_DONE ? "<none>" : rc != SQLITE_ROW ? "<error>" : !text ? "<null>"
                         : std::string(text, sqlite3_column_bytes(statement, 0));
    sqlite3_finalize(statement);
    return result;
}

bool ExecuteSql(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool CopyWithHotJournal(const std::string& record, const std::string& copy)
{
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(record.c_str(), &db) == SQLITE_OK &&
              // A cache this small spills: the record's pages change before any COMMIT.
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
