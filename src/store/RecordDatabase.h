#pragma once
#include "base/TextBuffer.h"

struct sqlite3;

// Largest profile name held in memory; a recorded match stores at most 31 bytes.
const int PROFILE_NAME_SIZE = 33;

// One stored match. Side 1 is always the user; names are code page 932 bytes.
struct MatchRecord {
    int64_t timestamp;  // local-time FILETIME count; the primary key
    char p1name[PROFILE_NAME_SIZE];
    int32_t p1id;
    int32_t p1win;
    char p2name[PROFILE_NAME_SIZE];
    int32_t p2id;
    int32_t p2win;
};

// The one table of a record file, for SQL texts.
#define RECORD_TABLE "vaviradudiz123"

// The texts a new record file is created with. Existing files carry them in
// their schema, so they never change.
extern const char* const RECORD_TABLE_SCHEMA;
extern const char* const RECORD_INDEX_SCHEMA;
extern const char* const CONNECTION_SETTINGS;

// The current record database, as code page text and as SQLite takes it.
extern TextBuffer DatabasePath;
extern TextBuffer DatabasePathUtf8;

// Code page text to UTF-8 in output (initialised), as SQLite takes paths.
// Invalid code page bytes fail rather than turning into replacement
// characters, which would name another file.
bool ConvertToUtf8(const char* path, TextBuffer* output);
// A record file, maybe in use by vty.exe, as the URI of a read-only
// connection (open it with SQLITE_OPEN_URI, or ATTACH it); false when the
// path is not valid code page text.
bool ReadOnlyRecordUri(const char* path, TextBuffer* uri);
// Sets DatabasePath and its UTF-8 form. False, with both unchanged, when the
// path is not valid code page text: then nothing must be opened.
bool SetDatabasePath(const char* path);
// Opens or creates the database at DatabasePath and makes it current,
// closing the previous one. A missing or empty file becomes a new record;
// refused, with the file untouched: a file that is no database, lacks the
// record table or cannot be written, and a device or in-memory name. On
// failure the previous connection stays.
bool OpenRecordDatabase();
void CloseRecordDatabase();
// Has connection read the record file at path (code page text) through a
// memory mapping when it lies on a fixed disk, where a read error cannot end
// the process; false when SQLite refuses the setting.
bool MapRecordFile(sqlite3* connection, const char* path);
// The current connection, or null.
sqlite3* RecordConnection();

// How long a statement waits for another program that holds the file locked.
const int DATABASE_BUSY_TIMEOUT_MS = 2000;

// Whether schema ("main", or the name of an attached file) holds the record
// table: SQLITE_OK when it does, SQLITE_NOTFOUND when it does not, else the
// error that kept SQLite from reading the schema (SQLITE_BUSY, SQLITE_NOTADB...).
int FindRecordTable(sqlite3* connection, const char* schema);

// Opens a database file (code page path) with the busy wait set: read-only
// as a record that vty.exe may be using (no journal made, nothing created),
// or else to read and write, made when missing. Null, nothing left open,
// when SQLite refuses it.
sqlite3* OpenDatabaseFile(const char* path, bool readOnly);
// Opens a small file of the tool's own (the waiting matches, the notes) at
// path, a code page path; a missing one is made only when create is set.
// schema (CREATE ... IF NOT EXISTS) runs on it, and every commit is on the
// disk before it returns. Null when it cannot be opened so.
sqlite3* OpenOwnFile(const char* path, bool create, const char* schema);

// Runs statements on a connection; false when SQLite refuses one.
bool Execute(sqlite3* connection, const char* sql);

// BEGIN, and COMMIT or ROLLBACK; nothing without a connection.
void BeginTransaction();
// True when the transaction's changes are stored. A COMMIT that fails (the
// file is locked by another program, the disk is full) is rolled back and
// reported, so that nothing is taken as stored that is not.
bool EndTransaction(bool rollback);
