#include "report/RecordReader.h"
#include <sqlite3.h>

bool ConvertPathToUtf8(const char* path, TextBuffer* utf8)
{
    // The store's own path conversion, with its globals put back after.
    TextBuffer savedPath, savedUtf8;
    savedPath.InitFrom(DatabasePath.data);
    savedUtf8.InitFrom(DatabasePathUtf8.data);
    bool ok = SetDatabasePath(path);
    if (ok)
        utf8->Assign(DatabasePathUtf8.data);
    DatabasePath.Assign(savedPath.data);
    DatabasePathUtf8.Assign(savedUtf8.data);
    savedPath.Release();
    savedUtf8.Release();
    return ok;
}

sqlite3* OpenRecordReadOnly(const char* path)
{
    TextBuffer utf8;
    utf8.Init();
    sqlite3* record = nullptr;
    if (ConvertPathToUtf8(path, &utf8) &&
        sqlite3_open_v2(utf8.data, &record, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(record);
        record = nullptr;
    }
    utf8.Release();
    if (record)
        sqlite3_busy_timeout(record, DATABASE_BUSY_TIMEOUT_MS);
    return record;
}

bool CheckRecord(sqlite3* record)
{
    sqlite3_stmt* statement = nullptr;
    bool ok = sqlite3_prepare_v2(record, "PRAGMA quick_check", -1, &statement, nullptr) == SQLITE_OK &&
              sqlite3_step(statement) == SQLITE_ROW &&
              lstrcmpA(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)), "ok") == 0;
    sqlite3_finalize(statement);
    // A file that is no database at all fails the prepare: damaged too.
    return ok;
}

void InitReportData(ReportData* data)
{
    data->results.Init();
    memset(&data->totals, 0, sizeof data->totals);
    InitDayReport(&data->day);
}

void ClearReportData(ReportData* data)
{
    data->results.Clear();
    ClearDayReport(&data->day);
    memset(&data->totals, 0, sizeof data->totals);
}

static int64_t QueryInteger(sqlite3* record, const char* sql, bool* ok)
{
    sqlite3_stmt* statement = nullptr;
    int64_t value = 0;
    *ok = *ok && sqlite3_prepare_v2(record, sql, -1, &statement, nullptr) == SQLITE_OK &&
          sqlite3_step(statement) == SQLITE_ROW;
    if (*ok)
        value = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return value;
}

static void ReadRow(sqlite3_stmt* statement, MatchRecord* row)
{
    row->timestamp = sqlite3_column_int64(statement, 0);
    const char* p1name = reinterpret_cast<const char*>(sqlite3_column_text(statement, 1));
    lstrcpynA(row->p1name, p1name ? p1name : "", PROFILE_NAME_SIZE);
    row->p1id = sqlite3_column_int(statement, 2);
    row->p1win = sqlite3_column_int(statement, 3);
    const char* p2name = reinterpret_cast<const char*>(sqlite3_column_text(statement, 4));
    lstrcpynA(row->p2name, p2name ? p2name : "", PROFILE_NAME_SIZE);
    row->p2id = sqlite3_column_int(statement, 5);
    row->p2win = sqlite3_column_int(statement, 6);
}

// Rows of a statement with full names, from the time stamp `from` on.
static bool ReadRows(sqlite3* record, int64_t from, void (*handler)(const MatchRecord* row, void* context),
                     void* context)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(record,
                           "SELECT timestamp,p1name,p1id,p1win,p2name,p2id,p2win FROM vaviradudiz123 "
                           "WHERE timestamp >= ? ORDER BY timestamp",
                           -1, &statement, nullptr) != SQLITE_OK)
        return false;
    sqlite3_bind_int64(statement, 1, from);
    int step;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        MatchRecord row;
        ReadRow(statement, &row);
        handler(&row, context);
    }
    sqlite3_finalize(statement);
    return step == SQLITE_DONE;
}

bool ReadEveryMatch(sqlite3* record, void (*handler)(const MatchRecord* row, void* context), void* context)
{
    return ReadRows(record, INT64_MIN, handler, context);
}

static void KeepRow(const MatchRecord* row, void* rows)
{
    static_cast<GrowArray<MatchRecord>*>(rows)->Append(*row);
}

static bool ReadResults(sqlite3* record, ReportData* data)
{
    bool ok = true;
    int64_t count = QueryInteger(record, "SELECT count(*) FROM vaviradudiz123", &ok);
    sqlite3_stmt* statement = nullptr;
    if (!ok || sqlite3_prepare_v2(record,
                                  "SELECT timestamp,p1id,p1win,p2id,p2win FROM vaviradudiz123 ORDER BY timestamp",
                                  -1, &statement, nullptr) != SQLITE_OK)
        return false;
    // Sized once and filled in place: Append would resize the block at every
    // row, which a million rows cannot afford. The count cannot grow inside
    // the read transaction.
    data->results.Reserve(static_cast<uint32_t>(count));
    uint32_t filled = 0;
    int step;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW && filled < data->results.capacity) {
        MatchResult& result = data->results.data[filled++];
        result.timestamp = sqlite3_column_int64(statement, 0);
        result.p1id = static_cast<int8_t>(sqlite3_column_int(statement, 1));
        result.p1win = static_cast<int8_t>(sqlite3_column_int(statement, 2));
        result.p2id = static_cast<int8_t>(sqlite3_column_int(statement, 3));
        result.p2win = static_cast<int8_t>(sqlite3_column_int(statement, 4));
    }
    data->results.count = filled;
    sqlite3_finalize(statement);
    return step == SQLITE_DONE;
}

bool ReadReportData(sqlite3* record, ReportData* data)
{
    ClearReportData(data);
    sqlite3_exec(record, "BEGIN", nullptr, nullptr, nullptr);
    bool ok = ReadResults(record, data);
    CountRecordTotals(data->results.data, data->results.count, &data->totals);
    if (ok && data->results.count) {
        int64_t latest = data->results.data[data->results.count - 1].timestamp;
        int64_t dayStart = latest - latest % DAY_TICKS;
        GrowArray<MatchRecord> rows;
        rows.Init();
        ok = ReadRows(record, dayStart, KeepRow, &rows);
        BuildDayReport(rows.data, rows.count, dayStart, &data->day);
        rows.Clear();
    }
    sqlite3_exec(record, "COMMIT", nullptr, nullptr, nullptr);
    return ok;
}
