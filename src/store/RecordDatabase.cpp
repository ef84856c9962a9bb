#include "store/RecordDatabase.h"
#include <sqlite3.h>

const char* const RECORD_TABLE_SCHEMA =
    "CREATE TABLE vaviradudiz123(\n"
    "timestamp\tINTEGER NOT NULL,\n"
    "p1name     STRING,\n"
    "p1id       INTEGER NOT NULL,\n"
    "p1win      INTEGER NOT NULL,\n"
    "p2name     STRING,\n"
    "p2id       INTEGER NOT NULL,\n"
    "p2win      INTEGER NOT NULL,\n"
    "PRIMARY KEY (timestamp)\n"
    ")";

const char* const RECORD_INDEX_SCHEMA =
    "CREATE INDEX vaviradudiz123_index\n"
    "on vaviradudiz123 (timestamp)";

const char* const CONNECTION_SETTINGS = "PRAGMA temp_store = MEMORY;PRAGMA cache_size = 1048576;";

TextBuffer DatabasePath;
TextBuffer DatabasePathUtf8;
static sqlite3* currentConnection;

bool ConvertToUtf8(const char* path, TextBuffer* output)
{
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
    if (n <= 0)
        return false;
    WideTextBuffer wide;
    wide.Init();
    wide.Resize(static_cast<uint32_t>(n) + 1);
    bool ok = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path, -1, wide.data, n) == n;
    if (ok) {
        wide.data[n] = L'\0';
        wide.length = static_cast<uint32_t>(n - 1);
        int m = WideCharToMultiByte(CP_UTF8, 0, wide.data, -1, nullptr, 0, nullptr, nullptr);
        ok = m > 0;
        if (ok) {
            char* utf8 = static_cast<char*>(Heap.Allocate(static_cast<size_t>(m) + 1));
            ok = WideCharToMultiByte(CP_UTF8, 0, wide.data, -1, utf8, m, nullptr, nullptr) == m;
            if (ok) {
                utf8[m] = '\0';
                output->Assign(utf8);
            }
            Heap.Free(utf8);
        }
    }
    wide.Release();
    return ok;
}

bool SetDatabasePath(const char* path)
{
    TextBuffer utf8;
    utf8.Init();
    bool ok = path[0] != '\0' && ConvertToUtf8(path, &utf8);
    if (ok) {
        DatabasePathUtf8.Assign(utf8.data);
        DatabasePath.Assign(path);
    }
    utf8.Release();
    return ok;
}

static sqlite3* OpenConnection()
{
    sqlite3* connection = nullptr;
    if (sqlite3_open(DatabasePathUtf8.data, &connection) != SQLITE_OK) {
        // SQLite may hand out a connection even when the open failed.
        sqlite3_close(connection);
        return nullptr;
    }
    return connection;
}

static bool Execute(sqlite3* connection, const char* sql)
{
    return sqlite3_exec(connection, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool OpenRecordDatabase()
{
    bool existed = PathFileExistsA(DatabasePath.data) != FALSE;
    sqlite3* connection = OpenConnection();
    if (!connection)
        return false;
    if (!existed && (!Execute(connection, RECORD_TABLE_SCHEMA) || !Execute(connection, RECORD_INDEX_SCHEMA))) {
        // Only a file made just now is removed; an existing one is never touched.
        sqlite3_close(connection);
        DeleteFileA(DatabasePath.data);
        return false;
    }
    if (!Execute(connection, CONNECTION_SETTINGS)) {
        sqlite3_close(connection);
        return false;
    }
    // A reader in another program (a database browser, the report tool) holds
    // the file only briefly: wait for it instead of failing the change at once.
    sqlite3_busy_timeout(connection, DATABASE_BUSY_TIMEOUT_MS);
    CloseRecordDatabase();
    currentConnection = connection;
    return true;
}

void CloseRecordDatabase()
{
    if (!currentConnection)
        return;
    sqlite3_close(currentConnection);
    currentConnection = nullptr;
}

sqlite3* RecordConnection()
{
    return currentConnection;
}

void BeginTransaction()
{
    if (currentConnection)
        Execute(currentConnection, "BEGIN");
}

bool EndTransaction(bool rollback)
{
    if (!currentConnection)
        return false;
    if (!rollback && Execute(currentConnection, "COMMIT"))
        return true;
    // A failed COMMIT leaves the transaction open; end it so that a later
    // close does not silently drop what seemed to be stored.
    if (!sqlite3_get_autocommit(currentConnection))
        Execute(currentConnection, "ROLLBACK");
    return false;
}
