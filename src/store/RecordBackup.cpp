#include "store/RecordBackup.h"
#include <sqlite3.h>

// Progress of the copy: the rows up to here, the check of the copy after.
const int64_t PROGRESS_STEPS = 10000;
const int64_t PROGRESS_COPIED = 9000;

// The copy's statements and the ranges' reads, each range in a read of its
// own on the record.
struct CopyWork {
    sqlite3* record;
    sqlite3* copy;
    sqlite3_stmt* rows;     // a range of the record's rows
    sqlite3_stmt* indexed;  // the same range through the record's index; null without one
    sqlite3_stmt* insert;   // a row into the copy
};

// A new file with the schema vty.exe creates, filled in one transaction
// without a journal: a copy cut short is deleted anyway.
static bool CreateCopy(const char* copyPath, sqlite3** copy)
{
    DeleteFileA(copyPath);
    TextBuffer utf8;
    utf8.Init();
    bool ok = ConvertToUtf8(copyPath, &utf8) &&
              sqlite3_open_v2(utf8.data, copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK;
    utf8.Release();
    // A cache the size of a large record: the copy's pages reach the file
    // at the commit, not while a range holds the record.
    return ok && Execute(*copy, "PRAGMA journal_mode=OFF; PRAGMA cache_size=-262144") &&
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

// Copies the rows from `from` on, at most one range of them, in one read of
// the record; the number copied into copied and the last time stamp into last.
static int32_t CopyRange(CopyWork* work, int64_t from, int64_t to, int32_t* copied, int64_t* last)
{
    *copied = 0;
    int rc = sqlite3_exec(work->record, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_bind_int64(work->rows, 1, from);
    sqlite3_bind_int64(work->rows, 2, to);
    sqlite3_bind_int(work->rows, 3, READ_RANGE_ROWS);
    bool written = true;
    if (rc == SQLITE_OK)
        rc = SQLITE_ROW;
    while (rc == SQLITE_ROW && written && (rc = sqlite3_step(work->rows)) == SQLITE_ROW) {
        // Each value as the record holds it, whatever its type.
        for (int column = 0; column < 7; ++column)
            sqlite3_bind_value(work->insert, column + 1, sqlite3_column_value(work->rows, column));
        written = sqlite3_step(work->insert) == SQLITE_DONE;
        sqlite3_reset(work->insert);
        *last = sqlite3_column_int64(work->rows, 0);
        ++*copied;
    }
    sqlite3_reset(work->rows);
    rc = rc == SQLITE_DONE || rc == SQLITE_ROW ? SQLITE_OK : rc;
    // The index holds every row of the range, and no other: else the record is damaged.
    bool indexAgrees = true;
    if (rc == SQLITE_OK && written && work->indexed) {
        sqlite3_bind_int64(work->indexed, 1, from);
        sqlite3_bind_int64(work->indexed, 2, *copied == READ_RANGE_ROWS ? *last : to);
        rc = sqlite3_step(work->indexed);
        indexAgrees = rc == SQLITE_ROW && sqlite3_column_int(work->indexed, 0) == *copied;
        rc = rc == SQLITE_ROW ? SQLITE_OK : rc;
        sqlite3_reset(work->indexed);
    }
    if (!sqlite3_get_autocommit(work->record))
        sqlite3_exec(work->record, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return ReadFailure(work, rc);
    return !written ? COPY_FAILED : indexAgrees ? COPY_SOUND : COPY_UNSOUND;
}

static int32_t CopyRows(CopyWork* work, const WorkProgress* progress)
{
    int64_t first = INT64_MIN, end = INT64_MAX, from = first;
    sqlite3_stmt* span = nullptr;
    if (sqlite3_prepare_v2(work->record, "SELECT min(timestamp), max(timestamp) FROM " RECORD_TABLE, -1, &span,
                           nullptr) == SQLITE_OK &&
        sqlite3_step(span) == SQLITE_ROW) {
        first = sqlite3_column_int64(span, 0);
        end = sqlite3_column_int64(span, 1);
    }
    sqlite3_finalize(span);
    double width = static_cast<double>(end) - static_cast<double>(first);
    for (;;) {
        int32_t copied = 0;
        int64_t last = from;
        int32_t result = CopyRange(work, from, INT64_MAX, &copied, &last);
        if (result != COPY_SOUND || copied < READ_RANGE_ROWS || last == INT64_MAX)
            return result;
        from = last + 1;
        double share = width > 0 ? (static_cast<double>(last) - static_cast<double>(first)) / width : 1;
        if (!TellProgress(progress, static_cast<int64_t>(share < 1 ? share * PROGRESS_COPIED : PROGRESS_COPIED),
                          PROGRESS_STEPS))
            return COPY_CANCELLED;
    }
}

// The copy as written, whole: the check that the record itself cannot get.
static bool CheckCopy(sqlite3* copy)
{
    RecordReader written = {copy};
    return ProbeRecord(&written) == RECORD_READABLE && CheckRecord(&written);
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
    if (result == COPY_SOUND)
        TellProgress(progress, PROGRESS_STEPS, PROGRESS_STEPS);
    else
        DeleteFileA(copyPath);
    return result;
}
