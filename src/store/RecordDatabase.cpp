#include "store/RecordDatabase.h"
#include "store/StoreState.h"
#include <sqlite3.h>

const char* const RECORD_TABLE_SCHEMA =
    "CREATE TABLE " RECORD_TABLE "(\n"
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
    "CREATE INDEX " RECORD_TABLE "_index\n"
    "on " RECORD_TABLE " (timestamp)";

const char* const CONNECTION_SETTINGS = "PRAGMA temp_store = MEMORY;PRAGMA cache_size = 1048576;";

// Mapped, the record's pages are read in place instead of copied into
// SQLite's cache: with a million matches open the tool held 23 MB instead of
// 59 MB, and a cold first read no longer goes through a read call per page.
// The 32-bit build maps less of its smaller address space. Only on a fixed
// disk: a read error in a mapped page (a stick pulled out, a network drive
// gone) would end the process instead of failing one statement.
#ifdef _WIN64
#define RECORD_MAP_SETTING "PRAGMA mmap_size = 268435456;"
#else
#define RECORD_MAP_SETTING "PRAGMA mmap_size = 67108864;"
#endif

bool MapRecordFile(sqlite3* connection, const char* path)
{
    char root[MAX_PATH];
    lstrcpynA(root, path, sizeof root);
    if (!PathStripToRootA(root) || GetDriveTypeA(root) != DRIVE_FIXED)
        return true;
    return Execute(connection, RECORD_MAP_SETTING);
}

TextBuffer DatabasePath;
TextBuffer DatabasePathUtf8;
StoreState RecordStore;

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

bool ReadOnlyRecordUri(const char* path, TextBuffer* uri)
{
    TextBuffer utf8;
    utf8.Init();
    bool ok = ConvertToUtf8(path, &utf8);
    unsigned char header[20] = {};
    DWORD read = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        ReadFile(file, header, sizeof header, &read, nullptr);
        CloseHandle(file);
    }
    // A WAL record without its -wal file has no connection now and all of
    // its matches in the file itself. Even a read-only connection would make
    // -wal and -shm beside it and leave them, so it is read as immutable:
    // no locks, no files. vty.exe starting meanwhile writes into a -wal of
    // its own and changes the file only at a checkpoint, when it closes the
    // record. nolock would not do: SQLite refuses WAL without locks. With a
    // -wal there (vty.exe has the record open) the ordinary read-only open
    // shares the writer's files and sees its latest matches.
    TextBuffer wal;
    wal.InitFrom(path);
    wal.Append("-wal");
    bool immutable = read == sizeof header && header[18] == 2 && header[19] == 2 && !PathFileExistsA(wal.data);
    wal.Release();
    uri->Assign("file:");
    for (const char* c = utf8.data; ok && *c; ++c) {
        // '%', '#' and '?' would be read as the URI's own syntax.
        char escaped[4] = {*c, '\0'};
        if (*c == '%' || *c == '#' || *c == '?')
            wnsprintfA(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(*c));
        uri->Append(escaped);
    }
    uri->Append(immutable ? "?immutable=1" : "?mode=ro");
    utf8.Release();
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

sqlite3* OpenDatabaseFile(const char* path, bool readOnly)
{
    TextBuffer name;
    name.Init();
    sqlite3* file = nullptr;
    int flags = readOnly ? SQLITE_OPEN_READONLY | SQLITE_OPEN_URI : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    bool ok = (readOnly ? ReadOnlyRecordUri(path, &name) : ConvertToUtf8(path, &name)) &&
              sqlite3_open_v2(name.data, &file, flags, nullptr) == SQLITE_OK;
    name.Release();
    if (!ok) {
        // SQLite may hand out a connection even when the open failed.
        sqlite3_close(file);
        return nullptr;
    }
    sqlite3_busy_timeout(file, DATABASE_BUSY_TIMEOUT_MS);
    return file;
}

sqlite3* OpenOwnFile(const char* path, bool create, const char* schema)
{
    if (!path[0] || (!create && !PathFileExistsA(path)))
        return nullptr;
    sqlite3* file = OpenDatabaseFile(path, false);
    if (file && !(Execute(file, "PRAGMA journal_mode = DELETE;PRAGMA synchronous = FULL") && Execute(file, schema))) {
        sqlite3_close(file);
        file = nullptr;
    }
    return file;
}

bool Execute(sqlite3* connection, const char* sql)
{
    return sqlite3_exec(connection, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Names that Windows takes as a device in any folder and with any extension,
// and SQLite's in-memory database: nothing opened there is ever stored.
static bool NamesNoFile(const char* path)
{
    if (lstrcmpA(path, ":memory:") == 0 || strncmp(path, "\\\\.\\", 4) == 0)
        return true;
    const char* name = PathFindFileNameA(path);
    int length = 0;
    while (name[length] && name[length] != '.' && name[length] != ':' && length < 5)
        ++length;
    while (length > 0 && name[length - 1] == ' ')
        --length;
    char base[6];
    lstrcpynA(base, name, length + 1);
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL"};
    for (const char* device : devices)
        if (lstrcmpiA(base, device) == 0)
            return true;
    return length == 4 && (StrCmpNIA(base, "COM", 3) == 0 || StrCmpNIA(base, "LPT", 3) == 0) && base[3] >= '1' &&
           base[3] <= '9';
}

int FindRecordTable(sqlite3* connection, const char* schema)
{
    char* sql = sqlite3_mprintf("SELECT 1 FROM \"%w\".sqlite_master WHERE type='table' AND name='" RECORD_TABLE "'",
                                schema);
    sqlite3_stmt* statement = nullptr;
    int rc = sql ? sqlite3_prepare_v2(connection, sql, -1, &statement, nullptr) : SQLITE_NOMEM;
    sqlite3_free(sql);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(statement);
        rc = rc == SQLITE_ROW ? SQLITE_OK : rc == SQLITE_DONE ? SQLITE_NOTFOUND : rc;
    }
    sqlite3_finalize(statement);
    return rc;
}

static bool HasRecordTable(sqlite3* connection)
{
    return FindRecordTable(connection, "main") == SQLITE_OK;
}

// Keeps the first column of a row in a 24-byte buffer.
static int KeepFirstValue(void* buffer, int, char** values, char**)
{
    if (values[0])
        lstrcpynA(static_cast<char*>(buffer), values[0], 24);
    return 0;
}

// A read-only file, folder or medium only shows when something is written:
// write the version number back unchanged and roll back, which leaves the
// file as it was. A file that another program holds can't be tried now; the
// recording waits for it like for any busy moment.
static bool CanWrite(sqlite3* connection)
{
    int rc = sqlite3_exec(connection, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_BUSY)
        return true;
    if (rc != SQLITE_OK)
        return false;
    char version[24] = "0";
    bool ok = sqlite3_exec(connection, "PRAGMA user_version", KeepFirstValue, version, nullptr) == SQLITE_OK;
    if (ok) {
        char* sql = sqlite3_mprintf("PRAGMA user_version = %s", version);
        ok = sql && Execute(connection, sql);
        sqlite3_free(sql);
    }
    Execute(connection, "ROLLBACK");
    return ok;
}

bool OpenRecordDatabase()
{
    if (NamesNoFile(DatabasePath.data))
        return false;
    WIN32_FILE_ATTRIBUTE_DATA file;
    bool existed = GetFileAttributesExA(DatabasePath.data, GetFileExInfoStandard, &file) != FALSE;
    if (existed && (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    // An empty file holds no record yet: it becomes a new one.
    bool empty = !existed || (file.nFileSizeHigh == 0 && file.nFileSizeLow == 0);
    sqlite3* connection = OpenConnection();
    if (!connection)
        return false;
    // A reader in another program (a database browser, the report tool) holds
    // the file only briefly: wait for it instead of failing at once.
    sqlite3_busy_timeout(connection, DATABASE_BUSY_TIMEOUT_MS);
    bool usable;
    if (empty) {
        usable = Execute(connection, RECORD_TABLE_SCHEMA) && Execute(connection, RECORD_INDEX_SCHEMA);
    } else {
        // Not a database, or one without the record table: every match
        // stored there would be lost.
        usable = HasRecordTable(connection) && CanWrite(connection);
    }
    if (!usable || !Execute(connection, CONNECTION_SETTINGS) ||
        !MapRecordFile(connection, DatabasePath.data)) {
        sqlite3_close(connection);
        // Only a file made just now is removed; an existing one is never touched.
        if (!existed)
            DeleteFileA(DatabasePath.data);
        return false;
    }
    CloseRecordDatabase();
    RecordStore.connection = connection;
    WatchTotals(connection);
    // Read whole now, so that the first answers come from memory; a record
    // held by another program is read at the first question instead.
    ReadTotals();
    return true;
}

void CloseRecordDatabase()
{
    if (!RecordStore.connection)
        return;
    ReleaseTotals();
    sqlite3_close(RecordStore.connection);
    RecordStore.connection = nullptr;
}

sqlite3* RecordConnection()
{
    return RecordStore.connection;
}

void BeginTransaction()
{
    if (RecordStore.connection)
        Execute(RecordStore.connection, "BEGIN");
}

bool EndTransaction(bool rollback)
{
    sqlite3* connection = RecordStore.connection;
    if (!connection)
        return false;
    if (!rollback && Execute(connection, "COMMIT"))
        return true;
    // A failed COMMIT leaves the transaction open; end it so that a later
    // close does not silently drop what seemed to be stored.
    if (!sqlite3_get_autocommit(connection))
        Execute(connection, "ROLLBACK");
    return false;
}
