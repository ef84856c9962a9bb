#include "store/RecordReading.h"
#include "base/GrowArray.h"
#include "base/TextUtil.h"
#include <sqlite3.h>

RecordReader* OpenRecordReader(const char* path)
{
    sqlite3* connection = OpenDatabaseFile(path, true);
    if (!connection)
        return nullptr;
    // Pages read straight from the mapped file: the first read of a large
    // record takes a fraction of the time, most of all under Wine.
    MapRecordFile(connection, path);
    RecordReader* record = static_cast<RecordReader*>(Heap.Allocate(sizeof(RecordReader)));
    record->connection = connection;
    return record;
}

void CloseRecordReader(RecordReader* record)
{
    if (!record)
        return;
    sqlite3_close(record->connection);
    Heap.Free(record);
}

RecordAccess ProbeRecord(RecordReader* record)
{
    int result = FindRecordTable(record->connection, "main");
    if (result == SQLITE_OK || result == SQLITE_NOTFOUND)
        return result == SQLITE_OK ? RECORD_READABLE : RECORD_NO_TABLE;
    // Only SQLite's own verdict on the file's contents means damage; a lock,
    // a hot journal (a read-only connection may not roll it back) or a read
    // error says nothing about the record yet.
    result &= 0xFF;
    return result == SQLITE_CORRUPT || result == SQLITE_NOTADB ? RECORD_DAMAGED : RECORD_BUSY;
}

bool CheckRecord(RecordReader* record)
{
    sqlite3_stmt* statement = nullptr;
    bool ok = sqlite3_prepare_v2(record->connection, "PRAGMA quick_check", -1, &statement, nullptr) == SQLITE_OK &&
              sqlite3_step(statement) == SQLITE_ROW &&
              lstrcmpA(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)), "ok") == 0;
    sqlite3_finalize(statement);
    // A file that is no database at all fails the prepare: damaged too.
    return ok;
}

bool IsPlainFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsRecordFile(const char* path)
{
    RecordReader* record = IsPlainFile(path) ? OpenRecordReader(path) : nullptr;
    bool found = record && ProbeRecord(record) == RECORD_READABLE;
    CloseRecordReader(record);
    return found;
}

bool IsGoodRecordFile(const char* path)
{
    RecordReader* record = IsPlainFile(path) ? OpenRecordReader(path) : nullptr;
    bool good = record && ProbeRecord(record) == RECORD_READABLE && CheckRecord(record);
    CloseRecordReader(record);
    return good;
}

void ReadTimeSpan(RecordReader* record, int64_t* first, int64_t* last)
{
    // Each alone is one look at an end of the key; both in one query would
    // read every row.
    sqlite3_stmt* statement = nullptr;
    *first = *last = 0;
    if (sqlite3_prepare_v2(record->connection,
                           "SELECT (SELECT min(timestamp) FROM " RECORD_TABLE "), (SELECT max(timestamp) FROM " RECORD_TABLE
                           ")",
                           -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
        *first = sqlite3_column_int64(statement, 0);
        *last = sqlite3_column_int64(statement, 1);
    }
    sqlite3_finalize(statement);
}

// Progress in ten thousandths of the time span up to `at`.
const int64_t PROGRESS_STEPS = 10000;
static int64_t ShareOfSpan(int64_t first, int64_t last, int64_t at)
{
    if (last <= first || at <= first)
        return at > first ? PROGRESS_STEPS : 0;
    double share = (static_cast<double>(at) - static_cast<double>(first)) /
                   (static_cast<double>(last) - static_cast<double>(first));
    return share >= 1 ? PROGRESS_STEPS : static_cast<int64_t>(share * PROGRESS_STEPS);
}

// A name cut at 31 bytes by an older recorder can end in a lead byte: alone,
// it would take the next byte (a comma in the CSV) as its trail. Names of
// single-byte characters alone, most of them, need no look.
static void CutName(char* name)
{
    for (const char* c = name; *c; ++c)
        if (static_cast<uint8_t>(*c) >= 0x80) {
            CutToWholeCharacters(name, PROFILE_NAME_SIZE - 1);
            return;
        }
}

bool ReadRecordRanges(RecordReader* record, int64_t from, int64_t to, RecordRangeHandler handler, void* context,
                      const WorkProgress* progress)
{
    // Only a hand-edited file holds other values: an id cut to 8 bits or read
    // as 0 would count for another character, so the rule is vty.exe's.
    sqlite3* connection = record->connection;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(connection,
                           "SELECT " RECORD_COLUMNS ", " COUNTABLE_PAIR_SQL " FROM " RECORD_TABLE " WHERE timestamp >= ?1 AND timestamp <= ?2 "
                           "ORDER BY timestamp LIMIT ?3",
                           -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return false;
    }
    int64_t first = 0, last = 0;
    if (progress)
        ReadTimeSpan(record, &first, &last);
    GrowArray<RecordRow> range;
    range.Init();
    range.Reserve(READ_RANGE_ROWS);
    bool ok = true, more = true;
    while (ok && more) {
        sqlite3_bind_int64(statement, 1, from);
        sqlite3_bind_int64(statement, 2, to);
        sqlite3_bind_int(statement, 3, READ_RANGE_ROWS);
        sqlite3_bind_int(statement, 4, CHARACTER_COUNT - 1);
        range.count = 0;
        int step;
        while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
            RecordRow row;
            ReadRecordColumns(statement, &row.match);
            CutName(row.match.p1name);
            CutName(row.match.p2name);
            row.countable = sqlite3_column_int(statement, 7) != 0;
            range.Append(row);
        }
        sqlite3_reset(statement);
        ok = step == SQLITE_DONE;
        if (ok && range.count)
            handler(range.data, range.count, context);
        // Time stamps are the key: the next range starts just after this one.
        int64_t end = range.count ? range.At(range.count - 1).match.timestamp : to;
        more = range.count == static_cast<uint32_t>(READ_RANGE_ROWS) && end < to;
        if (more)
            from = end + 1;
        ok = ok && TellProgress(progress, more ? ShareOfSpan(first, last, end) : PROGRESS_STEPS, PROGRESS_STEPS);
    }
    range.Clear();
    sqlite3_finalize(statement);
    return ok;
}

struct EveryMatch {
    RecordRowHandler handler;
    void* context;
};

static void HandEachRow(const RecordRow* rows, uint32_t count, void* context)
{
    EveryMatch* every = static_cast<EveryMatch*>(context);
    for (uint32_t i = 0; i < count; ++i)
        every->handler(&rows[i].match, every->context);
}

bool ReadEveryMatch(RecordReader* record, RecordRowHandler handler, void* context, const WorkProgress* progress)
{
    EveryMatch every = {handler, context};
    return ReadRecordRanges(record, INT64_MIN, INT64_MAX, HandEachRow, &every, progress);
}
