#include "store/RecordRepair.h"
#include "store/RecordDatabase.h"
#include "store/RecordMerge.h"
#include <sqlite3.h>
#include <sqlite3recover.h>

// Rows of pages that no longer hang under the table (their upper page is
// damaged) land here, one column per field: id is the row's key.
#define LOST_TABLE "vty_lost_rows"

static int Exec(sqlite3* db, const char* sql, const char* parameter = nullptr)
{
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    if (rc == SQLITE_OK) {
        if (parameter)
            sqlite3_bind_text(statement, 1, parameter, -1, SQLITE_STATIC);
        rc = sqlite3_step(statement);
        rc = rc == SQLITE_DONE || rc == SQLITE_ROW ? SQLITE_OK : rc;
    }
    sqlite3_finalize(statement);
    return rc;
}

// The recovery writes into a database of its own: one in memory, which work
// attaches by name before, so that the rows are there after the recovery's
// own connection has closed.
static bool AttachRecoveredDatabase(sqlite3* work, char* uri, int size)
{
    static int32_t serial;
    wnsprintfA(uri, size, "file:/vty-recovered-%lu-%d?vfs=memdb", GetCurrentProcessId(), ++serial);
    return Exec(work, "ATTACH ?1 AS recovered", uri) == SQLITE_OK;
}

// The recovery of the file at path into the database named by outputUri,
// step by step; SQLITE_INTERRUPT when the progress cancels.
static int Recover(const char* path, const char* outputUri, const WorkProgress* progress)
{
    TextBuffer uri;
    uri.Init();
    sqlite3* input = nullptr;
    bool ok = ReadOnlyRecordUri(path, &uri);
    uri.Append("&readonly_shm=1");
    int rc = ok ? sqlite3_open_v2(uri.data, &input, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr)
                 : SQLITE_CANTOPEN;
    uri.Release();
    if (rc == SQLITE_OK) {
        // vty.exe storing a match holds the file for a moment.
        sqlite3_busy_timeout(input, DATABASE_BUSY_TIMEOUT_MS);
        sqlite3_recover* recover = sqlite3_recover_init(input, "main", outputUri);
        sqlite3_recover_config(recover, SQLITE_RECOVER_LOST_AND_FOUND, const_cast<char*>(LOST_TABLE));
        // Its steps are unknown ahead: the bar shows steps done of a number
        // that grows as they come.
        int64_t steps = 0;
        bool going = true;
        while (going && sqlite3_recover_step(recover) == SQLITE_OK) {
            ++steps;
            going = TellProgress(progress, steps, steps * 2 + 1000);
        }
        rc = sqlite3_recover_finish(recover);
        rc = going ? rc : SQLITE_INTERRUPT;
    }
    sqlite3_close(input);
    return rc;
}

int32_t RecoverRecordRows(sqlite3* work, const char* path, const char* table, int32_t* recovered,
                          const WorkProgress* progress)
{
    *recovered = 0;
    WIN32_FILE_ATTRIBUTE_DATA file;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &file) || (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return MERGE_INPUT_MISSING;
    if (file.nFileSizeHigh == 0 && file.nFileSizeLow == 0)
        return MERGE_INPUT_NOT_RECORD;
    char output[80];
    if (!AttachRecoveredDatabase(work, output, sizeof output))
        return MERGE_INPUT_MISSING;
    int rc = Recover(path, output, progress);
    int32_t state = MERGE_INPUT_READ;
    if (rc == SQLITE_INTERRUPT)
        state = MERGE_INPUT_MISSING;
    else if ((rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED)
        state = MERGE_INPUT_BUSY;
    else if (rc != SQLITE_OK)
        state = MERGE_INPUT_DAMAGED;
    // The rows under the record table, then the lost rows shaped like them: seven
    // fields, the first (the time stamp, stored as the key) empty, the numbers
    // whole. A NULL where the table forbids one would only come from a damaged cell.
    char copy[600];
    wnsprintfA(copy, sizeof copy,
               "INSERT OR IGNORE INTO %s SELECT timestamp, p1name, p1id, p1win, p2name, p2id, p2win FROM "
               "recovered." RECORD_TABLE " WHERE p1id IS NOT NULL AND p1win IS NOT NULL AND p2id IS NOT NULL AND "
               "p2win IS NOT NULL",
               table);
    bool hasTable = state == MERGE_INPUT_READ && Exec(work, copy) == SQLITE_OK;
    *recovered = hasTable ? sqlite3_changes(work) : 0;
    wnsprintfA(copy, sizeof copy,
               "INSERT OR IGNORE INTO %s SELECT id, c1, c2, c3, c4, c5, c6 FROM recovered." LOST_TABLE
               " WHERE nfield = 7 AND id IS NOT NULL AND c0 IS NULL AND typeof(c2) = 'integer' AND "
               "typeof(c3) = 'integer' AND typeof(c5) = 'integer' AND typeof(c6) = 'integer'",
               table);
    // No lost rows at all: the recovery made no such table, or one of fewer columns.
    if (state == MERGE_INPUT_READ && Exec(work, copy) == SQLITE_OK)
        *recovered += sqlite3_changes(work);
    Exec(work, "DETACH recovered");
    if (state == MERGE_INPUT_READ && !hasTable && *recovered == 0)
        state = MERGE_INPUT_NOT_RECORD;
    return state;
}
