#include "store/RecordMerge.h"
#include "base/TextUtil.h"
#include "store/RecordRepair.h"
#include <sqlite3.h>

#define COLUMNS "timestamp, p1name, p1id, p1win, p2name, p2id, p2win"
// Work tables without declared types: each value is kept exactly as the
// input holds it, NULL, text, number or anything else.
#define WORK_TABLE_COLUMNS "(timestamp INTEGER PRIMARY KEY, p1name, p1id, p1win, p2name, p2id, p2win);"
#define WORK_TABLES \
    "CREATE TABLE first_rows" WORK_TABLE_COLUMNS "CREATE TABLE second_rows" WORK_TABLE_COLUMNS \
    "CREATE TABLE moved(timestamp INTEGER PRIMARY KEY, original INTEGER NOT NULL);"
#define SAME_VALUES \
    "a.p1name IS b.p1name AND a.p1id IS b.p1id AND a.p1win IS b.p1win AND a.p2name IS b.p2name " \
    "AND a.p2id IS b.p2id AND a.p2win IS b.p2win"

void InitRecordMerge(RecordMerge* merge)
{
    merge->work = nullptr;
    merge->conflicts.Init();
    ClearRecordMerge(merge);
}

void ClearRecordMerge(RecordMerge* merge)
{
    sqlite3_close(merge->work);
    merge->work = nullptr;
    merge->conflicts.Clear();
    merge->firstState = merge->secondState = MERGE_INPUT_MISSING;
    merge->firstOnly = merge->secondOnly = merge->both = merge->merged = merge->recovered = 0;
}

// Runs one statement to its end; the first column of its first row, if
// any, into first (24 bytes). Returns SQLITE_DONE or SQLite's error.
static int Run(sqlite3* db, const char* sql, char* first = nullptr, const char* parameter = nullptr)
{
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    if (parameter)
        sqlite3_bind_text(statement, 1, parameter, -1, SQLITE_STATIC);
    if (first)
        first[0] = '\0';
    for (bool firstRow = true; (rc = sqlite3_step(statement)) == SQLITE_ROW; firstRow = false)
        if (first && firstRow && sqlite3_column_text(statement, 0))
            lstrcpynA(first, reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)), 24);
    sqlite3_finalize(statement);
    return rc;
}

static int32_t Count(sqlite3* db, const char* sql)
{
    char value[24];
    return Run(db, sql, value) == SQLITE_DONE ? StrToIntA(value) : -1;
}

// What a failed read says about the input.
static int32_t StateOf(int code)
{
    switch (code & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return MERGE_INPUT_DAMAGED;
    case SQLITE_ERROR:       // no such table or column
    case SQLITE_CONSTRAINT:  // a time stamp twice: not the record's table
    case SQLITE_MISMATCH:    // a time stamp that is no integer
        return MERGE_INPUT_NOT_RECORD;
    case SQLITE_CANTOPEN:
        return MERGE_INPUT_MISSING;
    }
    return MERGE_INPUT_BUSY;
}

// Progress of a merge or a repair, and of each part of it: a part runs from
// first to first + width of the whole.
const int64_t MERGE_STEPS = 10000;
struct PartProgress {
    const WorkProgress* whole;
    int64_t first, width;
    WorkProgress part;
};

static bool TellPart(int64_t done, int64_t total, void* context)
{
    PartProgress* part = static_cast<PartProgress*>(context);
    int64_t share = total > 0 && done < total ? done * part->width / total : part->width;
    return TellProgress(part->whole, part->first + share, MERGE_STEPS);
}

static const WorkProgress* Part(PartProgress* part, const WorkProgress* whole, int64_t first, int64_t width)
{
    *part = {whole, first, width, {TellPart, part}};
    return whole ? &part->part : nullptr;
}

// Pages copied in one step of an input's read, with the input's read lock
// held: a megabyte, a few milliseconds of work.
const int READ_STEP_PAGES = 256;
// The pause after each step, in which vty.exe can store a match.
const DWORD READ_PAUSE_MS = 2;
// A match stored meanwhile starts the copy over; an input that keeps
// changing this long counts as busy.
const DWORD READ_TIME_LIMIT_MS = 15000;

// Copies the input file into work as the in-memory database "input" a few
// pages at a time, as the report's backup does, so that vty.exe recording
// into it waits at most for one step. Returns SQLITE_DONE or SQLite's error,
// SQLITE_INTERRUPT when the progress cancels.
static int CopyInput(sqlite3* work, const char* path, const WorkProgress* progress)
{
    TextBuffer uri;
    uri.Init();
    sqlite3* source = nullptr;
    // A WAL input's -shm is read, never written, and its -wal is never folded
    // into it: the connection cannot write either.
    bool ok = ReadOnlyRecordUri(path, &uri);
    uri.Append("&readonly_shm=1");
    int rc = ok ? sqlite3_open_v2(uri.data, &source, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) : SQLITE_CANTOPEN;
    uri.Release();
    if (rc == SQLITE_OK)
        rc = Run(work, "ATTACH ':memory:' AS input") == SQLITE_DONE ? SQLITE_OK : SQLITE_ERROR;
    sqlite3_backup* backup = rc == SQLITE_OK ? sqlite3_backup_init(work, "input", source, "main") : nullptr;
    if (rc == SQLITE_OK && !backup)
        rc = sqlite3_errcode(work);
    if (backup) {
        sqlite3_busy_timeout(source, DATABASE_BUSY_TIMEOUT_MS);
        DWORD start = GetTickCount();
        while ((rc = sqlite3_backup_step(backup, READ_STEP_PAGES)) == SQLITE_OK) {
            if (GetTickCount() - start > READ_TIME_LIMIT_MS) {
                rc = SQLITE_BUSY;
                break;
            }
            int pages = sqlite3_backup_pagecount(backup);
            if (!TellProgress(progress, pages - sqlite3_backup_remaining(backup), pages)) {
                rc = SQLITE_INTERRUPT;
                break;
            }
            Sleep(READ_PAUSE_MS);
        }
        sqlite3_backup_finish(backup);
    }
    sqlite3_close(source);
    return rc;
}

// Copies the input's rows into table and checks them, from a copy of the
// whole input taken in short reads: the rows and the check see one state of
// the file.
static int32_t ReadInput(sqlite3* work, const char* path, const char* table, const WorkProgress* progress)
{
    WIN32_FILE_ATTRIBUTE_DATA file;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &file) || (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return MERGE_INPUT_MISSING;
    if (file.nFileSizeHigh == 0 && file.nFileSizeLow == 0)
        return MERGE_INPUT_NOT_RECORD;
    char copy[200], answer[24] = "";
    wnsprintfA(copy, sizeof copy, "INSERT INTO %s SELECT " COLUMNS " FROM input." RECORD_TABLE, table);
    int rc = CopyInput(work, path, progress);
    if (rc == SQLITE_DONE) {
        rc = FindRecordTable(work, "input");
        rc = rc == SQLITE_OK ? SQLITE_DONE : rc == SQLITE_NOTFOUND ? SQLITE_ERROR : rc;
    }
    if (rc == SQLITE_DONE)
        rc = Run(work, "PRAGMA input.quick_check", answer);
    if (rc == SQLITE_DONE && lstrcmpA(answer, "ok") != 0)
        rc = SQLITE_CORRUPT;
    if (rc == SQLITE_DONE)
        rc = Run(work, copy);
    Run(work, "DETACH input");
    return rc == SQLITE_DONE ? MERGE_INPUT_READ : StateOf(rc);
}

static void ReadRow(sqlite3_stmt* statement, int column, MatchRecord* row)
{
    row->timestamp = sqlite3_column_int64(statement, 0);
    const char* p1name = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    const char* p2name = reinterpret_cast<const char*>(sqlite3_column_text(statement, column + 3));
    lstrcpynA(row->p1name, p1name ? p1name : "", PROFILE_NAME_SIZE);
    lstrcpynA(row->p2name, p2name ? p2name : "", PROFILE_NAME_SIZE);
    CutToWholeCharacters(row->p1name, PROFILE_NAME_SIZE - 1);
    CutToWholeCharacters(row->p2name, PROFILE_NAME_SIZE - 1);
    row->p1id = sqlite3_column_int(statement, column + 1);
    row->p1win = sqlite3_column_int(statement, column + 2);
    row->p2id = sqlite3_column_int(statement, column + 4);
    row->p2win = sqlite3_column_int(statement, column + 5);
}

// Lists the conflicts and gives each second row the nearest free tick
// after its time stamp, free of every row of both inputs and of the rows
// moved before it.
static bool MoveConflicts(RecordMerge* merge)
{
    sqlite3_stmt *list = nullptr, *used = nullptr, *move = nullptr;
    bool ok = sqlite3_prepare_v2(merge->work,
                                 "SELECT a.timestamp, a.p1name, a.p1id, a.p1win, a.p2name, a.p2id, a.p2win, b.p1name, "
                                 "b.p1id, b.p1win, b.p2name, b.p2id, b.p2win FROM first_rows AS a JOIN second_rows "
                                 "AS b USING (timestamp) WHERE NOT (" SAME_VALUES ") ORDER BY a.timestamp",
                                 -1, &list, nullptr) == SQLITE_OK &&
              sqlite3_prepare_v2(merge->work,
                                 "SELECT EXISTS(SELECT 1 FROM first_rows WHERE timestamp=?1) OR EXISTS(SELECT 1 FROM "
                                 "second_rows WHERE timestamp=?1) OR EXISTS(SELECT 1 FROM moved WHERE timestamp=?1)",
                                 -1, &used, nullptr) == SQLITE_OK &&
              sqlite3_prepare_v2(merge->work, "INSERT INTO moved VALUES(?1, ?2)", -1, &move, nullptr) == SQLITE_OK;
    int rc = SQLITE_DONE;
    while (ok && (rc = sqlite3_step(list)) == SQLITE_ROW) {
        MergeConflict conflict;
        ReadRow(list, 1, &conflict.first);
        ReadRow(list, 7, &conflict.second);
        // The last tick there is: the only way left is down.
        int64_t step = conflict.first.timestamp < INT64_MAX ? 1 : -1;
        int64_t candidate = conflict.first.timestamp;
        bool taken = true;
        while (ok && taken) {
            candidate += step;
            sqlite3_bind_int64(used, 1, candidate);
            ok = sqlite3_step(used) == SQLITE_ROW;
            taken = ok && sqlite3_column_int(used, 0) != 0;
            sqlite3_reset(used);
        }
        conflict.movedTimestamp = candidate;
        sqlite3_bind_int64(move, 1, candidate);
        sqlite3_bind_int64(move, 2, conflict.first.timestamp);
        ok = ok && sqlite3_step(move) == SQLITE_DONE;
        sqlite3_reset(move);
        merge->conflicts.Append(conflict);
    }
    sqlite3_finalize(list);
    sqlite3_finalize(used);
    sqlite3_finalize(move);
    return ok && rc == SQLITE_DONE;
}

// A fresh work copy in memory, with its empty tables.
static bool StartWork(RecordMerge* merge)
{
    ClearRecordMerge(merge);
    if (sqlite3_open_v2(":memory:", &merge->work, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI,
                        nullptr) != SQLITE_OK ||
        !Execute(merge->work, "PRAGMA temp_store=MEMORY;" WORK_TABLES)) {
        ClearRecordMerge(merge);
        return false;
    }
    return true;
}

// What joining the two inputs gives, once both are read.
static bool CountMerge(RecordMerge* merge)
{
    if (merge->firstState != MERGE_INPUT_READ || merge->secondState != MERGE_INPUT_READ)
        return false;
    int32_t first = Count(merge->work, "SELECT count(*) FROM first_rows");
    int32_t second = Count(merge->work, "SELECT count(*) FROM second_rows");
    merge->both = Count(merge->work, "SELECT count(*) FROM first_rows AS a JOIN second_rows AS b USING (timestamp) "
                                     "WHERE " SAME_VALUES);
    if (first < 0 || second < 0 || merge->both < 0 || !MoveConflicts(merge))
        return false;
    int32_t conflicts = static_cast<int32_t>(merge->conflicts.count);
    merge->firstOnly = first - merge->both - conflicts;
    merge->secondOnly = second - merge->both - conflicts;
    // Both rows of a conflict are kept.
    merge->merged = merge->firstOnly + merge->secondOnly + merge->both + 2 * conflicts;
    return true;
}

// The count after both reads, unless the progress cancels.
static bool CountRead(RecordMerge* merge, const WorkProgress* progress)
{
    return TellProgress(progress, MERGE_STEPS * 9 / 10, MERGE_STEPS) && CountMerge(merge) &&
           TellProgress(progress, MERGE_STEPS, MERGE_STEPS);
}

bool ReadRecordsToMerge(const char* firstPath, const char* secondPath, RecordMerge* merge,
                        const WorkProgress* progress)
{
    if (!StartWork(merge))
        return false;
    PartProgress part;
    merge->firstState = ReadInput(merge->work, firstPath, "first_rows", Part(&part, progress, 0, MERGE_STEPS * 9 / 20));
    merge->secondState = ReadInput(merge->work, secondPath, "second_rows",
                                   Part(&part, progress, MERGE_STEPS * 9 / 20, MERGE_STEPS * 9 / 20));
    return CountRead(merge, progress);
}

bool ReadRecordsToRepair(const char* damagedPath, const char* backupPath, RecordMerge* merge,
                         const WorkProgress* progress)
{
    if (!StartWork(merge))
        return false;
    PartProgress part;
    merge->firstState = RecoverRecordRows(merge->work, damagedPath, "first_rows", &merge->recovered,
                                          Part(&part, progress, 0, MERGE_STEPS * 6 / 10));
    merge->secondState = backupPath ? ReadInput(merge->work, backupPath, "second_rows",
                                                Part(&part, progress, MERGE_STEPS * 6 / 10, MERGE_STEPS * 3 / 10))
                                    : MERGE_INPUT_READ;
    return CountRead(merge, progress);
}

// The new file with the schema exactly as vty.exe creates it.
static bool CreateRecordFile(const char* utf8Path)
{
    sqlite3* file = nullptr;
    bool ok = sqlite3_open_v2(utf8Path, &file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK &&
              Execute(file, RECORD_TABLE_SCHEMA) && Execute(file, RECORD_INDEX_SCHEMA);
    return sqlite3_close(file) == SQLITE_OK && ok;
}

void RemoveStaleMergeFiles(const char* folder)
{
    char pattern[MAX_PATH], path[MAX_PATH];
    lstrcpynA(pattern, folder[0] ? folder : ".", sizeof pattern);
    PathAppendA(pattern, "*" MERGE_PART_SUFFIX);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    do {
        ULARGE_INTEGER written = {{found.ftLastWriteTime.dwLowDateTime, found.ftLastWriteTime.dwHighDateTime}};
        ULARGE_INTEGER current = {{now.dwLowDateTime, now.dwHighDateTime}};
        bool stale = current.QuadPart > written.QuadPart &&
                     current.QuadPart - written.QuadPart > MERGE_PART_STALE_MS * 10000ULL;
        if (stale && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            lstrcpynA(path, pattern, sizeof path);
            PathRemoveFileSpecA(path);
            PathAppendA(path, found.cFileName);
            DeleteFileA(path);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

bool WriteMergedRecord(RecordMerge* merge, const char* outputPath, const WorkProgress* progress)
{
    if (!merge->work || PathFileExistsA(outputPath))
        return false;
    char folder[MAX_PATH], temporary[MAX_PATH];
    lstrcpynA(folder, outputPath, sizeof folder);
    PathRemoveFileSpecA(folder);
    RemoveStaleMergeFiles(folder);
    if (wnsprintfA(temporary, sizeof temporary, "%s" MERGE_PART_SUFFIX, outputPath) >= MAX_PATH - 1)
        return false;
    // Left by a merge into the same name that did not end.
    DeleteFileA(temporary);
    TextBuffer utf8;
    utf8.Init();
    char answer[24] = "";
    bool ok = ConvertToUtf8(temporary, &utf8) && CreateRecordFile(utf8.data) &&
              Run(merge->work, "ATTACH ?1 AS merged", nullptr, utf8.data) == SQLITE_DONE;
    utf8.Release();
    // The file is thrown away on any failure: it needs no journal.
    ok = ok && Run(merge->work, "PRAGMA merged.journal_mode=OFF") == SQLITE_DONE &&
         Run(merge->work, "BEGIN") == SQLITE_DONE &&
         Run(merge->work,
             "INSERT INTO merged." RECORD_TABLE " (" COLUMNS ") SELECT * FROM (SELECT * FROM first_rows UNION ALL "
             "SELECT * FROM second_rows WHERE timestamp NOT IN (SELECT timestamp FROM first_rows) UNION ALL "
             "SELECT m.timestamp, b.p1name, b.p1id, b.p1win, b.p2name, b.p2id, b.p2win FROM moved AS m "
             "JOIN second_rows AS b ON b.timestamp = m.original) ORDER BY 1") == SQLITE_DONE &&
         Run(merge->work, "COMMIT") == SQLITE_DONE && TellProgress(progress, MERGE_STEPS / 2, MERGE_STEPS);
    if (!sqlite3_get_autocommit(merge->work))
        Run(merge->work, "ROLLBACK");
    // The file as written is what the player gets: checked before it is named.
    ok = ok && Run(merge->work, "PRAGMA merged.integrity_check", answer) == SQLITE_DONE &&
         lstrcmpA(answer, "ok") == 0 && TellProgress(progress, MERGE_STEPS * 9 / 10, MERGE_STEPS);
    int32_t total = merge->firstOnly + merge->secondOnly + merge->both + 2 * static_cast<int32_t>(merge->conflicts.count);
    ok = ok && total == merge->merged && Count(merge->work, "SELECT count(*) FROM merged." RECORD_TABLE) == total;
    ok = Run(merge->work, "DETACH merged") == SQLITE_DONE && ok && TellProgress(progress, MERGE_STEPS, MERGE_STEPS);
    ok = ok && MoveFileExA(temporary, outputPath, MOVEFILE_WRITE_THROUGH);
    if (!ok)
        DeleteFileA(temporary);
    return ok;
}
