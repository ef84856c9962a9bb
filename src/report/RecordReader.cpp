#include "report/RecordReader.h"
#include "base/TextUtil.h"
#include <sqlite3.h>

sqlite3* OpenRecordReadOnly(const char* path)
{
    TextBuffer uri;
    uri.Init();
    sqlite3* record = nullptr;
    if (ReadOnlyRecordUri(path, &uri) &&
        sqlite3_open_v2(uri.data, &record, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
        sqlite3_close(record);
        record = nullptr;
    }
    uri.Release();
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
    data->leftOut = 0;
    data->latestPlayed = 0;
    memset(&data->totals, 0, sizeof data->totals);
    InitSessionReport(&data->session);
    data->recent.Init();
}

void ClearReportData(ReportData* data)
{
    data->results.Clear();
    data->leftOut = 0;
    data->latestPlayed = 0;
    ClearSessionReport(&data->session);
    data->recent.Clear();
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

// A range's row, and whether it can be counted.
struct RangeRow {
    MatchRecord match;
    bool countable;
};

static void ReadRow(sqlite3_stmt* statement, RangeRow* row)
{
    ReadRecordColumns(statement, &row->match);
    // A name cut at 31 bytes by older recorders can end in a lead byte; alone,
    // it would take the next byte (a comma in the CSV) as its trail.
    CutToWholeCharacters(row->match.p1name, PROFILE_NAME_SIZE - 1);
    CutToWholeCharacters(row->match.p2name, PROFILE_NAME_SIZE - 1);
    row->countable = sqlite3_column_int(statement, 7) != 0;
}

// The matches from `from` to `to` (both included) in time-stamp order. Each
// range is read whole and its statement reset, which ends the read and
// frees the file, before the handler sees its rows: a slow handler (the CSV
// file) never keeps a writer waiting. With leftOut, rows that cannot be
// counted are not handed over but counted there.
static bool ReadRows(sqlite3* record, int64_t from, int64_t to,
                     void (*handler)(const MatchRecord* row, void* context), void* context, int32_t* leftOut)
{
    // Only a hand-edited file holds other values: an id cut to 8 bits or
    // read as 0 would count for another character, so the rule is vty.exe's.
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(record,
                           "SELECT " RECORD_COLUMNS ","
                           "typeof(p1id) = 'integer' AND p1id BETWEEN 0 AND 19 AND typeof(p2id) = 'integer' AND "
                           "p2id BETWEEN 0 AND 19 AND typeof(p1win) = 'integer' AND p1win BETWEEN 0 AND 2 AND "
                           "typeof(p2win) = 'integer' AND p2win BETWEEN 0 AND 2 FROM vaviradudiz123 "
                           "WHERE timestamp >= ? AND timestamp <= ? ORDER BY timestamp LIMIT ?",
                           -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return false;
    }
    GrowArray<RangeRow> range;
    range.Init();
    range.Reserve(READ_RANGE_ROWS);
    bool ok = true, more = true;
    while (ok && more) {
        sqlite3_bind_int64(statement, 1, from);
        sqlite3_bind_int64(statement, 2, to);
        sqlite3_bind_int(statement, 3, READ_RANGE_ROWS);
        range.count = 0;
        int step;
        while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
            RangeRow row;
            ReadRow(statement, &row);
            range.Append(row);
        }
        sqlite3_reset(statement);
        ok = step == SQLITE_DONE;
        for (uint32_t i = 0; ok && i < range.count; ++i)
            if (range.At(i).countable || !leftOut)
                handler(&range.At(i).match, context);
            else
                *leftOut += 1;
        // Time stamps are the key: the next range starts just after this one.
        int64_t last = range.count ? range.At(range.count - 1).match.timestamp : to;
        more = range.count == static_cast<uint32_t>(READ_RANGE_ROWS) && last < to;
        if (more)
            from = last + 1;
    }
    range.Clear();
    sqlite3_finalize(statement);
    return ok;
}

bool ReadEveryMatch(sqlite3* record, void (*handler)(const MatchRecord* row, void* context), void* context)
{
    return ReadRows(record, INT64_MIN, INT64_MAX, handler, context, nullptr);
}

static void KeepRow(const MatchRecord* row, void* context)
{
    static_cast<GrowArray<MatchRecord>*>(context)->Append(*row);
}

static void KeepResult(const MatchRecord* row, void* context)
{
    MatchResult result;
    result.timestamp = row->timestamp;
    result.p1id = static_cast<int8_t>(row->p1id);
    result.p1win = static_cast<int8_t>(row->p1win);
    result.p2id = static_cast<int8_t>(row->p2id);
    result.p2win = static_cast<int8_t>(row->p2win);
    static_cast<GrowArray<MatchResult>*>(context)->Append(result);
}

bool ReadReportData(sqlite3* record, ReportData* data)
{
    ClearReportData(data);
    GrowArray<MatchResult>& results = data->results;
    bool ok = ReadRows(record, INT64_MIN, INT64_MAX, KeepResult, &results, &data->leftOut);
    results.Trim();
    CountRecordTotals(results.data, results.count, &data->totals);
    // Rows dated after tomorrow come from a clock set wrong or a hand-edited
    // file: counted, but the sessions end before them. When every row is that
    // late, the clock is what is wrong.
    uint32_t played = results.count;
    int64_t tomorrow = CurrentTimestamp() + DAY_TICKS;
    while (played > 0 && results.data[played - 1].timestamp > tomorrow)
        --played;
    played = played ? played : results.count;
    if (ok && played) {
        ListRecentSessions(results.data, played, RECENT_SESSIONS, &data->recent);
        // The latest session up to the last match read, so that a match stored
        // since then is in neither part.
        int64_t latest = data->latestPlayed = results.data[played - 1].timestamp;
        int64_t sessionStart = LatestSessionStart(results.data, played);
        GrowArray<MatchRecord> rows;
        rows.Init();
        int32_t sessionLeftOut = 0;
        ok = ReadRows(record, sessionStart, latest, KeepRow, &rows, &sessionLeftOut);
        BuildSessionReport(rows.data, rows.count, &data->session);
        rows.Clear();
    }
    return ok;
}
