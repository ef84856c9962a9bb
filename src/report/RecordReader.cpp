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

RecordAccess ProbeRecord(sqlite3* record)
{
    sqlite3_stmt* statement = nullptr;
    int result = sqlite3_prepare_v2(record,
                                    "SELECT count(*) FROM sqlite_master WHERE type='table' AND name='vaviradudiz123'",
                                    -1, &statement, nullptr);
    if (result == SQLITE_OK)
        result = sqlite3_step(statement);
    bool hasTable = result == SQLITE_ROW && sqlite3_column_int(statement, 0) > 0;
    sqlite3_finalize(statement);
    if (result == SQLITE_ROW)
        return hasTable ? RECORD_READABLE : RECORD_NO_TABLE;
    // Only SQLite's own verdict on the file's contents means damage; a lock,
    // a hot journal (a read-only connection may not roll it back) or a read
    // error says nothing about the record yet.
    result &= 0xFF;
    return result == SQLITE_CORRUPT || result == SQLITE_NOTADB ? RECORD_DAMAGED : RECORD_BUSY;
}

bool IsGoodRecordFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    sqlite3* copy = OpenRecordReadOnly(path);
    bool good = copy && ProbeRecord(copy) == RECORD_READABLE && CheckRecord(copy);
    sqlite3_close(copy);
    return good;
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

// The matches from `from` to `to` (both included) in time-stamp order. Each
// range is read whole and its statement reset, which ends the read and
// frees the file, before the handler sees its rows: a slow handler (the CSV
// file) never keeps a writer waiting.
static bool ReadRows(sqlite3* record, int64_t from, int64_t to,
                     void (*handler)(const MatchRecord* row, void* context), void* context)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(record,
                           "SELECT timestamp,p1name,p1id,p1win,p2name,p2id,p2win FROM vaviradudiz123 "
                           "WHERE timestamp >= ? AND timestamp <= ? ORDER BY timestamp LIMIT ?",
                           -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return false;
    }
    GrowArray<MatchRecord> range;
    range.Init();
    range.Reserve(READ_RANGE_ROWS);
    bool ok = true, more = true;
    while (ok && more) {
        sqlite3_bind_int64(statement, 1, from);
        sqlite3_bind_int64(statement, 2, to);
        sqlite3_bind_int(statement, 3, READ_RANGE_ROWS);
        range.count = 0;
        int step;
        while ((step = sqlite3_step(statement)) == SQLITE_ROW)
            ReadRow(statement, &range.data[range.count++]);
        sqlite3_reset(statement);
        ok = step == SQLITE_DONE;
        for (uint32_t i = 0; ok && i < range.count; ++i)
            handler(&range.data[i], context);
        // Time stamps are the key: the next range starts just after this one.
        more = range.count == static_cast<uint32_t>(READ_RANGE_ROWS) && range.data[range.count - 1].timestamp < to;
        if (more)
            from = range.data[range.count - 1].timestamp + 1;
    }
    range.Clear();
    sqlite3_finalize(statement);
    return ok;
}

bool ReadEveryMatch(sqlite3* record, void (*handler)(const MatchRecord* row, void* context), void* context)
{
    return ReadRows(record, INT64_MIN, INT64_MAX, handler, context);
}

static void KeepRow(const MatchRecord* row, void* rows)
{
    static_cast<GrowArray<MatchRecord>*>(rows)->Append(*row);
}

static void KeepResult(const MatchRecord* row, void* context)
{
    GrowArray<MatchResult>* results = static_cast<GrowArray<MatchResult>*>(context);
    // Grown by doubling and trimmed at the end: Append would resize the block
    // at every row, which a million rows cannot afford.
    if (results->count == results->capacity)
        results->Reserve(results->capacity ? results->capacity * 2 : READ_RANGE_ROWS);
    MatchResult& result = results->data[results->count++];
    result.timestamp = row->timestamp;
    result.p1id = static_cast<int8_t>(row->p1id);
    result.p1win = static_cast<int8_t>(row->p1win);
    result.p2id = static_cast<int8_t>(row->p2id);
    result.p2win = static_cast<int8_t>(row->p2win);
}

bool ReadReportData(sqlite3* record, ReportData* data)
{
    ClearReportData(data);
    GrowArray<MatchResult>& results = data->results;
    bool ok = ReadRows(record, INT64_MIN, INT64_MAX, KeepResult, &results);
    if (results.count < results.capacity) {
        results.data = static_cast<MatchResult*>(
            ResizeArrayBlock(results.allocator, results.data, results.count, sizeof(MatchResult)));
        results.capacity = results.count;
    }
    CountRecordTotals(results.data, results.count, &data->totals);
    if (ok && results.count) {
        // The latest day up to the last match read, so that a match stored
        // since then is in neither part.
        int64_t latest = results.data[results.count - 1].timestamp;
        int64_t dayStart = latest - latest % DAY_TICKS;
        GrowArray<MatchRecord> rows;
        rows.Init();
        ok = ReadRows(record, dayStart, latest, KeepRow, &rows);
        BuildDayReport(rows.data, rows.count, dayStart, &data->day);
        rows.Clear();
    }
    return ok;
}
