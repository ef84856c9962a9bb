#include "store/WaitingMatches.h"
#include "store/MatchStore.h"
#include "store/OpponentNotes.h"
#include "store/RecordQueries.h"
#include "store/StoreState.h"
#include <sqlite3.h>

GrowArray<WaitingMatch> WaitingMatches;

// The record's names are kept as code page bytes, like the record's own;
// a note that waits for the notes file keeps its bytes as the notes file does.
static const char* const JOURNAL_TABLE =
    "CREATE TABLE IF NOT EXISTS waiting(timestamp INTEGER NOT NULL, p1name STRING, p1id INTEGER NOT NULL, "
    "p1win INTEGER NOT NULL, p2name STRING, p2id INTEGER NOT NULL, p2win INTEGER NOT NULL, "
    "record STRING NOT NULL, PRIMARY KEY (record, timestamp));"
    "CREATE TABLE IF NOT EXISTS waiting_notes(name BLOB PRIMARY KEY, note BLOB NOT NULL, changed INTEGER NOT NULL)";

// A record named two ways (a relative path, another case) is one record.
static void FullRecordPath(const char* path, char* full)
{
    if (!GetFullPathNameA(path, SETTING_PATH_SIZE, full, nullptr))
        lstrcpynA(full, path, SETTING_PATH_SIZE);
}

static bool IsCurrentRecord(const WaitingMatch* match)
{
    char current[SETTING_PATH_SIZE];
    FullRecordPath(DatabasePath.data, current);
    return lstrcmpiA(current, match->recordPath) == 0;
}

// Opens the journal at RecordStore.journalPath, making it when create is set. Every
// change is flushed to the disk before its commit returns.
static bool OpenJournalFile(bool create)
{
    if (!RecordStore.journal)
        RecordStore.journal = OpenOwnFile(RecordStore.journalPath, create, JOURNAL_TABLE);
    return RecordStore.journal != nullptr;
}

// A blob column into text of size bytes, cut at the size.
static void ReadBlobText(sqlite3_stmt* statement, int column, char* text, int size)
{
    int length = sqlite3_column_bytes(statement, column);
    length = length < size - 1 ? length : size - 1;
    if (length > 0)
        memcpy(text, sqlite3_column_blob(statement, column), static_cast<size_t>(length));
    text[length] = '\0';
}

static void LoadJournaledNotes()
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(RecordStore.journal, "SELECT name, note, changed FROM waiting_notes", -1, &statement, nullptr) ==
        SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            WaitingNote note;
            memset(&note, 0, sizeof note);
            ReadBlobText(statement, 0, note.name, sizeof note.name);
            ReadBlobText(statement, 1, note.note, sizeof note.note);
            note.changed = sqlite3_column_int64(statement, 2);
            note.journaled = true;
            WaitingNotes.Append(note);
        }
    }
    sqlite3_finalize(statement);
}

static void LoadJournal()
{
    LoadJournaledNotes();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(RecordStore.journal, "SELECT " RECORD_COLUMNS ", record FROM waiting ORDER BY timestamp", -1,
                           &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            WaitingMatch match;
            memset(&match, 0, sizeof match);
            ReadRecordColumns(statement, &match.record);
            const char* record = reinterpret_cast<const char*>(sqlite3_column_text(statement, 7));
            lstrcpynA(match.recordPath, record ? record : "", sizeof match.recordPath);
            match.journaled = true;
            WaitingMatches.Append(match);
        }
    }
    sqlite3_finalize(statement);
}

bool OpenMatchJournal(const char* path)
{
    lstrcpynA(RecordStore.journalPath, path, sizeof RecordStore.journalPath);
    if (!PathFileExistsA(RecordStore.journalPath))
        return true;
    if (!OpenJournalFile(false))
        return false;
    LoadJournal();
    return true;
}

void CloseMatchJournal()
{
    if (!RecordStore.journal)
        return;
    bool empty = true;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(RecordStore.journal, "SELECT 1 FROM waiting UNION ALL SELECT 1 FROM waiting_notes LIMIT 1",
                           -1, &statement, nullptr) != SQLITE_OK ||
        sqlite3_step(statement) != SQLITE_DONE)
        empty = false;
    sqlite3_finalize(statement);
    sqlite3_close(RecordStore.journal);
    RecordStore.journal = nullptr;
    if (empty)
        DeleteFileA(RecordStore.journalPath);
}

// One autocommit statement each: with synchronous FULL the row is on the disk when it returns.
static bool WriteToJournal(const WaitingMatch* match)
{
    sqlite3_stmt* statement = nullptr;
    bool ok = sqlite3_prepare_v2(RecordStore.journal,
                                 "INSERT OR REPLACE INTO waiting (" RECORD_COLUMNS ", record) "
                                 "VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                                 -1, &statement, nullptr) == SQLITE_OK;
    if (ok) {
        BindRecordColumns(statement, &match->record);
        sqlite3_bind_text(statement, 8, match->recordPath, -1, SQLITE_STATIC);
        ok = sqlite3_step(statement) == SQLITE_DONE;
    }
    sqlite3_finalize(statement);
    return ok;
}

static void RemoveFromJournal(const WaitingMatch* match)
{
    sqlite3_stmt* statement = nullptr;
    if (RecordStore.journal &&
        sqlite3_prepare_v2(RecordStore.journal, "DELETE FROM waiting WHERE record = ? AND timestamp = ?", -1, &statement,
                           nullptr) == SQLITE_OK) {
        sqlite3_bind_text(statement, 1, match->recordPath, -1, SQLITE_STATIC);
        sqlite3_bind_int64(statement, 2, match->record.timestamp);
        sqlite3_step(statement);
    }
    // A row that stays is refused by its record at the next start: stored once all the same.
    sqlite3_finalize(statement);
}

bool JournalWaitingNote(const WaitingNote* note)
{
    sqlite3_stmt* statement = nullptr;
    bool ok = OpenJournalFile(true) &&
              sqlite3_prepare_v2(RecordStore.journal,
                                 "INSERT OR REPLACE INTO waiting_notes(name, note, changed) VALUES(?1, ?2, ?3)", -1,
                                 &statement, nullptr) == SQLITE_OK;
    if (ok) {
        sqlite3_bind_blob(statement, 1, note->name, lstrlenA(note->name), SQLITE_STATIC);
        sqlite3_bind_blob(statement, 2, note->note, lstrlenA(note->note), SQLITE_STATIC);
        sqlite3_bind_int64(statement, 3, note->changed);
        ok = sqlite3_step(statement) == SQLITE_DONE;
    }
    sqlite3_finalize(statement);
    return ok;
}

void DropJournaledNote(const char* name)
{
    sqlite3_stmt* statement = nullptr;
    if (RecordStore.journal && sqlite3_prepare_v2(RecordStore.journal, "DELETE FROM waiting_notes WHERE name = ?1", -1,
                                                  &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_blob(statement, 1, name, lstrlenA(name), SQLITE_STATIC);
        sqlite3_step(statement);
    }
    // One that stays is written again at the next start, joined with any
    // newer note the file holds by then.
    sqlite3_finalize(statement);
}

uint32_t JournalWaitingMatches()
{
    uint32_t unsaved = 0;
    for (uint32_t i = 0; i < WaitingMatches.count; ++i) {
        WaitingMatch* match = &WaitingMatches.At(i);
        if (!match->journaled)
            match->journaled = OpenJournalFile(true) && WriteToJournal(match);
        unsaved += !match->journaled;
    }
    return unsaved;
}

bool AddWaitingMatch(const MatchRecord* record)
{
    WaitingMatch match;
    memset(&match, 0, sizeof match);
    match.record = *record;
    FullRecordPath(DatabasePath.data, match.recordPath);
    WaitingMatches.Append(match);
    JournalWaitingMatches();
    return WaitingMatches.At(WaitingMatches.count - 1).journaled;
}

uint32_t StoreWaitingMatches(int busyWaitMs, void (*stored)(const MatchRecord* record))
{
    uint32_t done = 0;
    for (uint32_t i = 0; i < WaitingMatches.count;) {
        WaitingMatch* match = &WaitingMatches.At(i);
        if (!IsCurrentRecord(match)) {
            ++i;
            continue;
        }
        uint32_t outcome = StoreMatch(&match->record, busyWaitMs);
        if (outcome == MATCH_NOT_WRITTEN)
            break;
        // Out of the journal only now that the record holds it.
        if (match->journaled)
            RemoveFromJournal(match);
        MatchRecord record = match->record;
        --WaitingMatches.count;
        memmove(match, match + 1, (WaitingMatches.count - i) * sizeof(WaitingMatch));
        ++done;
        if (outcome == MATCH_STORED && stored)
            stored(&record);
    }
    return done;
}

uint32_t CountWaitingMatches(bool forCurrentRecord)
{
    uint32_t count = 0;
    for (uint32_t i = 0; i < WaitingMatches.count; ++i)
        count += IsCurrentRecord(&WaitingMatches.At(i)) == forCurrentRecord;
    return count;
}

const char* OtherWaitingRecord()
{
    for (uint32_t i = 0; i < WaitingMatches.count; ++i)
        if (!IsCurrentRecord(&WaitingMatches.At(i)))
            return WaitingMatches.At(i).recordPath;
    return nullptr;
}

bool NewestWaitingMatch(MatchRecord* record)
{
    if (!WaitingMatches.count)
        return false;
    *record = WaitingMatches.At(WaitingMatches.count - 1).record;
    return true;
}
