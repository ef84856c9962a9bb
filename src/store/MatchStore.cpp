#include "store/MatchStore.h"
#include "store/ChangeHistory.h"
#include "store/RecordQueries.h"
#include <sqlite3.h>

uint32_t StoreMatch(const MatchRecord* record, int busyWaitMs)
{
    sqlite3* connection = RecordConnection();
    if (!connection)
        return MATCH_NOT_WRITTEN;
    sqlite3_busy_timeout(connection, busyWaitMs);
    BeginTransaction();
    bool inserted = InsertRecord(record);
    // Read before the rollback replaces the connection's error.
    bool refused = !inserted && sqlite3_errcode(connection) == SQLITE_CONSTRAINT;
    bool stored = EndTransaction(!inserted);
    sqlite3_busy_timeout(connection, DATABASE_BUSY_TIMEOUT_MS);
    if (stored)
        RecordChange(CHANGE_INSERTED, record);
    return stored ? MATCH_STORED : refused ? MATCH_REFUSED : MATCH_NOT_WRITTEN;
}

bool WriteNewRecordFile(const char* path, const MatchRecord* records, uint32_t count)
{
    TextBuffer utf8;
    utf8.Init();
    sqlite3* connection = nullptr;
    // Never into a file that is there already: it may be someone's record.
    bool ok = !PathFileExistsA(path) && ConvertToUtf8(path, &utf8) &&
              sqlite3_open_v2(utf8.data, &connection, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) ==
                  SQLITE_OK;
    bool created = ok;
    ok = ok && Execute(connection, "BEGIN") && Execute(connection, RECORD_TABLE_SCHEMA) &&
         Execute(connection, RECORD_INDEX_SCHEMA);
    for (uint32_t i = 0; ok && i < count; ++i)
        ok = InsertRecordInto(connection, &records[i]);
    ok = ok && Execute(connection, "COMMIT");
    // SQLite may hand out a connection even when the open failed.
    if (sqlite3_close(connection) != SQLITE_OK)
        ok = false;
    if (!ok && created)
        DeleteFileA(path);
    utf8.Release();
    return ok;
}
