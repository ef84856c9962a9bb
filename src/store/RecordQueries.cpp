#include "store/RecordQueries.h"
#include "store/RecordTotals.h"
#include <sqlite3.h>

// A row callback's answer to sqlite3_exec: anything but 0 aborts the statement.
const int ROW_ACCEPTED = 0;
const int ROW_REFUSED = 1;


// Context of the callbacks that pass rows on to a window's handler.
struct RowDelivery {
    RecordRowHandler handler;
    void* context;
};

const int RECORD_COLUMN_COUNT = 7;

struct LatestRow {
    bool found;
    MatchRecord* record;
};

static int32_t ReadInt(const char* text)
{
    return text ? StrToIntA(text) : 0;
}

// Copies a name into a name field, cut to fit; NULL is the empty name.
static void ReadName(char* field, const char* text)
{
    size_t length = text ? strnlen(text, PROFILE_NAME_SIZE - 1) : 0;
    memcpy(field, text ? text : "", length);
    field[length] = '\0';
}

void ReadRecordColumns(sqlite3_stmt* statement, MatchRecord* record)
{
    record->timestamp = sqlite3_column_int64(statement, 0);
    ReadName(record->p1name, reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)));
    record->p1id = sqlite3_column_int(statement, 2);
    record->p1win = sqlite3_column_int(statement, 3);
    ReadName(record->p2name, reinterpret_cast<const char*>(sqlite3_column_text(statement, 4)));
    record->p2id = sqlite3_column_int(statement, 5);
    record->p2win = sqlite3_column_int(statement, 6);
}

// Rows that only a hand-edited file can hold: text where a character id or
// a win count belongs, or a win count that no match ends with. Read as
// numbers they would count for another pair or as hundreds of wins, so the
// totals leave them out; the history still lists them. An id that is a
// number but no character still fails the pair totals, so the window says
// that the file is wrong.
static const char* const COUNTABLE_RESULT = COUNTABLE_RESULT_SQL;

// The statement around the filter's clause, and for totals the condition on
// the rows they count; null without memory. Freed with sqlite3_free.
static char* QueryText(const char* format, const RecordFilter* filter, const char* countable)
{
    TextBuffer clause;
    clause.Init();
    AppendWhereClause(&clause, filter);
    if (countable) {
        clause.Append(clause.length ? " AND " : " WHERE ");
        clause.Append(countable);
    }
    char* sql = sqlite3_mprintf(format, clause.data, static_cast<int>(filter->limit));
    clause.Release();
    return sql;
}

// Runs a statement of totals with a row callback.
static bool RunQuery(const char* format, const RecordFilter* filter, sqlite3_callback callback, void* context,
                     const char* countable)
{
    char* sql = QueryText(format, filter, countable);
    int result = sql ? sqlite3_exec(RecordConnection(), sql, callback, context, nullptr) : SQLITE_NOMEM;
    sqlite3_free(sql);
    return result == SQLITE_OK;
}

// Hands each row of a statement of whole records to handler. True when it
// ran to its end; a table of other columns than a record's fails.
static bool ReadRecords(const char* format, const RecordFilter* filter, RecordRowHandler handler, void* context)
{
    char* sql = QueryText(format, filter, nullptr);
    sqlite3_stmt* statement = nullptr;
    int result = sql ? sqlite3_prepare_v2(RecordConnection(), sql, -1, &statement, nullptr) : SQLITE_NOMEM;
    sqlite3_free(sql);
    if (result == SQLITE_OK && sqlite3_column_count(statement) != RECORD_COLUMN_COUNT)
        result = SQLITE_ERROR;
    while (result == SQLITE_OK || result == SQLITE_ROW) {
        result = sqlite3_step(statement);
        if (result == SQLITE_ROW) {
            MatchRecord row;
            ReadRecordColumns(statement, &row);
            handler(&row, context);
        }
    }
    sqlite3_finalize(statement);
    return result == SQLITE_DONE;
}

bool InsertRecord(const MatchRecord* record)
{
    return InsertRecordInto(RecordConnection(), record);
}

void BindRecordColumns(sqlite3_stmt* statement, const MatchRecord* record)
{
    // The names go in as the code page bytes they hold; the record outlives
    // the statement, so SQLite need not copy them.
    sqlite3_bind_int64(statement, 1, record->timestamp);
    sqlite3_bind_text(statement, 2, record->p1name, static_cast<int>(strnlen(record->p1name, PROFILE_NAME_SIZE)),
                      SQLITE_STATIC);
    sqlite3_bind_int(statement, 3, record->p1id);
    sqlite3_bind_int(statement, 4, record->p1win);
    sqlite3_bind_text(statement, 5, record->p2name, static_cast<int>(strnlen(record->p2name, PROFILE_NAME_SIZE)),
                      SQLITE_STATIC);
    sqlite3_bind_int(statement, 6, record->p2id);
    sqlite3_bind_int(statement, 7, record->p2win);
}

bool InsertRecordInto(sqlite3* connection, const MatchRecord* record)
{
    if (!connection)
        return false;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(connection,
                           "insert into " RECORD_TABLE " (timestamp, p1name, p1id, p1win, p2name, p2id, p2win) "
                           "values (?, ?, ?, ?, ?, ?, ?);",
                           -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return false;
    }
    BindRecordColumns(statement, record);
    int64_t changes = sqlite3_total_changes64(connection);
    bool ok = sqlite3_step(statement) == SQLITE_DONE;
    sqlite3_finalize(statement);
    if (connection == RecordConnection()) {
        TotalsRow row;
        NoteTotalsChange(changes, ok && ReadTotalsRow(record->timestamp, &row) ? 1 : 0, &row);
    }
    return ok;
}

bool DeleteRecord(int64_t timestamp)
{
    sqlite3* connection = RecordConnection();
    if (!connection)
        return false;
    char* sql = sqlite3_mprintf("DELETE FROM " RECORD_TABLE " WHERE timestamp = %lld",
                                static_cast<sqlite3_int64>(timestamp));
    // The row as the sums hold it, read before it goes.
    TotalsRow row;
    bool counted = ReadTotalsRow(timestamp, &row);
    int64_t changes = sqlite3_total_changes64(connection);
    int result = sql ? sqlite3_exec(connection, sql, nullptr, nullptr, nullptr) : SQLITE_NOMEM;
    sqlite3_free(sql);
    NoteTotalsChange(changes, result == SQLITE_OK && counted && sqlite3_changes(connection) == 1 ? -1 : 0, &row);
    return result == SQLITE_OK;
}

// Sums the pair totals of filter from one plain read of its rows, newest
// first when a limit takes the newest; false on a failed statement or an id
// that is no character.
static bool ScanPairTotals(const RecordFilter* filter, PairResult* working)
{
    const char* format = (filter->flags & FILTER_LIMIT)
                             ? "SELECT " TOTALS_COLUMNS " FROM " RECORD_TABLE " %s ORDER BY timestamp DESC LIMIT %d"
                             : "SELECT " TOTALS_COLUMNS " FROM " RECORD_TABLE " %s";
    char* sql = QueryText(format, filter, COUNTABLE_RESULT);
    sqlite3_stmt* statement = nullptr;
    int result = sql ? sqlite3_prepare_v2(RecordConnection(), sql, -1, &statement, nullptr) : SQLITE_NOMEM;
    sqlite3_free(sql);
    while (result == SQLITE_OK || result == SQLITE_ROW) {
        result = sqlite3_step(statement);
        if (result != SQLITE_ROW)
            break;
        sqlite3_int64 p1id = sqlite3_column_int64(statement, 2);
        sqlite3_int64 p2id = sqlite3_column_int64(statement, 3);
        if (p1id < 0 || p1id >= CHARACTER_COUNT || p2id < 0 || p2id >= CHARACTER_COUNT) {
            result = SQLITE_ABORT;
            break;
        }
        PairResult* pair = &working[p1id * CHARACTER_COUNT + p2id];
        pair->wins += sqlite3_column_int(statement, 4);
        pair->losses += sqlite3_column_int(statement, 5);
    }
    sqlite3_finalize(statement);
    return result == SQLITE_DONE;
}

bool QueryPairTotals(const RecordFilter* filter, PairMatrix totals)
{
    if (!RecordConnection())
        return false;
    PairMatrix working;
    memset(working, 0, sizeof working);
    int32_t summed = SumTotalsPairs(filter, working);
    if (summed == TOTALS_UNANSWERED)
        summed = ScanPairTotals(filter, working) ? TOTALS_SUMMED : TOTALS_FAILED;
    if (summed != TOTALS_SUMMED)
        return false;
    memcpy(totals, working, sizeof working);
    return true;
}

static int OpponentTotalsRow(void* context, int columns, char** values, char**)
{
    if (columns != 3)
        return ROW_REFUSED;
    MatchRecord row;
    memset(&row, 0, sizeof row);
    ReadName(row.p2name, values[0]);
    row.p1win = ReadInt(values[1]);
    row.p2win = ReadInt(values[2]);
    RowDelivery* delivery = static_cast<RowDelivery*>(context);
    delivery->handler(&row, delivery->context);
    return ROW_ACCEPTED;
}

bool QueryOpponentTotals(const RecordFilter* filter, RecordRowHandler handler, void* context)
{
    if (!RecordConnection())
        return false;
    // The whole record, the opponent table's one question, comes from memory.
    if ((filter->flags & CONDITION_FLAGS) == 0)
        return ListTotalsOpponents(handler, context);
    RowDelivery delivery = {handler, context};
    // The opponent table shows no characters: there such a row is left out too.
    char countableRow[512];
    wnsprintfA(countableRow, sizeof countableRow, "%s AND p1id BETWEEN 0 AND %d AND p2id BETWEEN 0 AND %d",
               COUNTABLE_RESULT_SQL, CHARACTER_COUNT - 1, CHARACTER_COUNT - 1);
    return RunQuery("SELECT T.p2name, sum(T.p1win/2), sum(T.p2win/2) FROM " RECORD_TABLE " AS T %s GROUP BY p2name",
                    filter, OpponentTotalsRow, &delivery, countableRow);
}

bool QueryHistory(const RecordFilter* filter, RecordRowHandler handler, void* context)
{
    if (!RecordConnection())
        return false;
    const char* format = (filter->flags & FILTER_LIMIT)
                             ? "SELECT * FROM " RECORD_TABLE " %s ORDER BY timestamp DESC LIMIT %d"
                             : "SELECT * FROM " RECORD_TABLE " %s ORDER BY timestamp DESC";
    return ReadRecords(format, filter, handler, context);
}

static void KeepLatest(const MatchRecord* row, void* context)
{
    LatestRow* latest = static_cast<LatestRow*>(context);
    *latest->record = *row;
    latest->found = true;
}

bool QueryLatestRecord(const RecordFilter* filter, MatchRecord* record)
{
    if (!RecordConnection())
        return false;
    LatestRow latest = {false, record};
    if (!ReadRecords("SELECT * FROM " RECORD_TABLE " %s ORDER BY timestamp DESC LIMIT 1", filter,
                     KeepLatest, &latest))
        return false;
    return latest.found;
}
