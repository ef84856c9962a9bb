#include "store/RecordBackup.h"
#include "base/GrowArray.h"
#include <sqlite3.h>

// Progress of the copy: the rows up to here, the check of the copy after.
const int64_t PROGRESS_STEPS = 10000;
const int64_t PROGRESS_COPIED = 9000;

// The copy is committed after this many ranges: its pages go to the file a
// few megabytes at a time, in a cache of moderate size.
const int32_t RANGES_PER_COMMIT = 64;
// Rows read in one short read of the record: a few milliseconds.
const int32_t COPY_RANGE_ROWS = 2048;

// The copy's statements and the ranges' reads, each range in a read of its
// own on the record.
struct CopyWork {
    sqlite3* record;
    sqlite3* copy;
    sqlite3_stmt* rows;     // a range of the record's rows
    sqlite3_stmt* indexed;  // the same range through the record's index; null without one
    sqlite3_stmt* insert;   // a row into the copy
};

// A new file with the schema vty.exe creates, filled without a journal and
// without waiting for the disk: a copy cut short is deleted anyway.
static bool CreateCopy(const char* copyPath, sqlite3** copy)
{
    DeleteFileA(copyPath);
    TextBuffer utf8;
    utf8.Init();
    bool ok = ConvertToUtf8(copyPath, &utf8) &&
              sqlite3_open_v2(utf8.data, copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK;
    utf8.Release();
    return ok && Execute(*copy, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA cache_size=-16384") &&
           Execute(*copy, RECORD_TABLE_SCHEMA) && Execute(*copy, RECORD_INDEX_SCHEMA) && Execute(*copy, "BEGIN");
}

static bool PrepareCopy(CopyWork* work)
{
    sqlite3_prepare_v2(work->record,
                       "SELECT count(*) FROM " RECORD_TABLE " INDEXED BY " RECORD_TABLE "_index WHERE timestamp >= ?1 "
                       "AND timestamp <= ?2",
                       -1, &work->indexed, nullptr);
    return sqlite3_prepare_v2(work->record,
                              "SELECT " RECORD_COLUMNS " FROM " RECORD_TABLE
                              " WHERE timestamp >= ?1 AND timestamp <= ?2 ORDER BY timestamp LIMIT ?3",
                              -1, &work->rows, nullptr) == SQLITE_OK &&
           sqlite3_prepare_v2(work->copy,
                              "INSERT INTO " RECORD_TABLE " (" RECORD_COLUMNS ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)",
                              -1, &work->insert, nullptr) == SQLITE_OK;
}

// What a failed read of the record says.
static int32_t ReadFailure(CopyWork* work, int rc)
{
    rc &= 0xFF;
    if (rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB)
        return COPY_UNSOUND;
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        return COPY_BUSY;
    // Another failure says little on its own: ask the record what it is now.
    RecordReader record = {work->record};
    switch (ProbeRecord(&record)) {
    case RECORD_READABLE:
        return COPY_FAILED;
    case RECORD_BUSY:
        return COPY_BUSY;
    default:
        return COPY_UNSOUND;
    }
}

// The values of a range's rows, each kept as the record holds it (whatever
// its type) while the read runs, written to the copy after it has ended.
const int COPY_COLUMNS = 7;
typedef sqlite3_value* CopiedRow[COPY_COLUMNS];

static bool WriteRows(CopyWork* work, GrowArray<CopiedRow>* rows)
{
    bool written = true;
    for (uint32_t i = 0; i < rows->count; ++i) {
        for (int column = 0; column < COPY_COLUMNS; ++column)
            sqlite3_bind_value(work->insert, column + 1, rows->At(i)[column]);
        written = written && sqlite3_step(work->insert) == SQLITE_DONE;
        sqlite3_reset(work->insert);
        for (int column = 0; column < COPY_COLUMNS; ++column)
            sqlite3_value_free(rows->At(i)[column]);
    }
    rows->count = 0;
    return written;
}

// Copies the rows from `from` on, at most one range of them, read in one
// short read of the record; the number copied into copied and the last time
// stamp into last.
static int32_t CopyRange(CopyWork* work, GrowArray<CopiedRow>* rows, int64_t from, int64_t to, int32_t* copied,
                         int64_t* last)
{
    int rc = sqlite3_exec(work->record, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_bind_int64(work->rows, 1, from);
    sqlite3_bind_int64(work->rows, 2, to);
    sqlite3_bind_int(work->rows, 3, COPY_RANGE_ROWS);
    bool kept = true;
    if (rc == SQLITE_OK)
        rc = SQLITE_ROW;
    while (rc == SQLITE_ROW && kept && (rc = sqlite3_step(work->rows)) == SQLITE_ROW) {
        CopiedRow row;
        for (int column = 0; column < COPY_COLUMNS; ++column)
            kept = (row[column] = sqlite3_value_dup(sqlite3_column_value(work->rows, column))) != nullptr && kept;
        rows->Append(row);
        *last = sqlite3_column_int64(work->rows, 0);
    }
    sqlite3_reset(work->rows);
    rc = rc == SQLITE_DONE || rc == SQLITE_ROW ? SQLITE_OK : rc;
    *copied = static_cast<int32_t>(rows->count);
    // The index holds every row of the range, and no other: else the record is damaged.
    bool indexAgrees = true;
    if (rc == SQLITE_OK && kept && work->indexed) {
        sqlite3_bind_int64(work->indexed, 1, from);
        sqlite3_bind_int64(work->indexed, 2, *copied == COPY_RANGE_ROWS ? *last : to);
        rc = sqlite3_step(work->indexed);
        indexAgrees = rc == SQLITE_ROW && sqlite3_column_int(work->indexed, 0) == *copied;
        rc = rc == SQLITE_ROW ? SQLITE_OK : rc;
        sqlite3_reset(work->indexed);
    }
    if (!sqlite3_get_autocommit(work->record))
        sqlite3_exec(work->record, "COMMIT", nullptr, nullptr, nullptr);
    bool written = WriteRows(work, rows) && kept;
    if (rc != SQLITE_OK)
        return ReadFailure(work, rc);
    return !written ? COPY_FAILED : indexAgrees ? COPY_SOUND : COPY_UNSOUND;
}

static int32_t CopyRows(CopyWork* work, const WorkProgress* progress)
{
    int64_t first = 0, end = 0, from = INT64_MIN;
    RecordReader record = {work->record};
    ReadTimeSpan(&record, &first, &end);
    double width = static_cast<double>(end) - static_cast<double>(first);
    GrowArray<CopiedRow> rows;
    rows.Init();
    rows.Reserve(COPY_RANGE_ROWS);
    int32_t result = COPY_SOUND;
    for (int32_t ranges = 1;; ++ranges) {
        int32_t copied = 0;
        int64_t last = from;
        result = CopyRange(work, &rows, from, INT64_MAX, &copied, &last);
        if (result != COPY_SOUND || copied < COPY_RANGE_ROWS || last == INT64_MAX)
            break;
        from = last + 1;
        if (ranges % RANGES_PER_COMMIT == 0 && !(Execute(work->copy, "COMMIT") && Execute(work->copy, "BEGIN"))) {
            result = COPY_FAILED;
            break;
        }
        double share = width > 0 ? (static_cast<double>(last) - static_cast<double>(first)) / width : 1;
        if (!TellProgress(progress, static_cast<int64_t>(share < 1 ? share * PROGRESS_COPIED : PROGRESS_COPIED),
                          PROGRESS_STEPS)) {
            result = COPY_CANCELLED;
            break;
        }
    }
    rows.Clear();
    return result;
}

// The copy as written, whole: the check that the record itself cannot get.
static bool CheckCopy(sqlite3* copy)
{
    RecordReader written = {copy};
    return ProbeRecord(&written) == RECORD_READABLE && CheckRecord(&written);
}

// The copy was written without waiting for the disk: all of it reaches the
// disk before it may take a copy's name.
static bool FlushToDisk(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool flushed = FlushFileBuffers(file) != FALSE;
    return CloseHandle(file) && flushed;
}

int32_t CopyRecordFile(RecordReader* record, const char* copyPath, const WorkProgress* progress)
{
    CopyWork work = {record->connection, nullptr, nullptr, nullptr, nullptr};
    int32_t result = CreateCopy(copyPath, &work.copy) && PrepareCopy(&work) ? COPY_SOUND : COPY_FAILED;
    if (result == COPY_SOUND)
        result = CopyRows(&work, progress);
    sqlite3_finalize(work.rows);
    sqlite3_finalize(work.indexed);
    sqlite3_finalize(work.insert);
    if (result == COPY_SOUND)
        result = Execute(work.copy, "COMMIT") ? COPY_SOUND : COPY_FAILED;
    if (result == COPY_SOUND && !TellProgress(progress, PROGRESS_COPIED, PROGRESS_STEPS))
        result = COPY_CANCELLED;
    if (result == COPY_SOUND)
        result = CheckCopy(work.copy) ? COPY_SOUND : COPY_UNSOUND;
    if (sqlite3_close(work.copy) != SQLITE_OK && result == COPY_SOUND)
        result = COPY_FAILED;
    if (result == COPY_SOUND && !FlushToDisk(copyPath))
        result = COPY_FAILED;
    if (result == COPY_SOUND)
        TellProgress(progress, PROGRESS_STEPS, PROGRESS_STEPS);
    else
        DeleteFileA(copyPath);
    return result;
}
