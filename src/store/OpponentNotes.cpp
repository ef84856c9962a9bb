#include "store/OpponentNotes.h"
#include "store/StoreState.h"
#include "store/WaitingMatches.h"
#include <sqlite3.h>

GrowArray<WaitingNote> WaitingNotes;

const char* const NOTES_TABLE =
    "CREATE TABLE IF NOT EXISTS notes(name BLOB PRIMARY KEY, note BLOB NOT NULL, changed INTEGER NOT NULL)";

void SetNotesPath(const char* path)
{
    CloseOpponentNotes();
    lstrcpynA(RecordStore.notesPath, path, sizeof RecordStore.notesPath);
}

// A missing file is made only to be written.
static bool OpenNotes(bool create)
{
    if (!RecordStore.notes)
        RecordStore.notes = OpenOwnFile(RecordStore.notesPath, create, NOTES_TABLE);
    return RecordStore.notes != nullptr;
}

static WaitingNote* FindWaitingNote(const char* name)
{
    for (uint32_t i = WaitingNotes.count; i-- > 0;)
        if (lstrcmpA(WaitingNotes.At(i).name, name) == 0)
            return &WaitingNotes.At(i);
    return nullptr;
}

bool ReadOpponentNote(const char* name, char* note, int busyMs)
{
    note[0] = '\0';
    if (const WaitingNote* waiting = FindWaitingNote(name)) {
        lstrcpynA(note, waiting->note, NOTE_SIZE);
        return true;
    }
    if (!OpenNotes(false))
        return RecordStore.notesPath[0] && !PathFileExistsA(RecordStore.notesPath);  // none written yet
    sqlite3_busy_timeout(RecordStore.notes, busyMs);
    sqlite3_stmt* statement = nullptr;
    int step = SQLITE_ERROR;
    if (sqlite3_prepare_v2(RecordStore.notes, "SELECT note FROM notes WHERE name = ?1", -1, &statement, nullptr) ==
        SQLITE_OK) {
        sqlite3_bind_blob(statement, 1, name, lstrlenA(name), SQLITE_STATIC);
        step = sqlite3_step(statement);
        if (step == SQLITE_ROW) {
            int length = sqlite3_column_bytes(statement, 0);
            length = length < static_cast<int>(NOTE_SIZE) - 1 ? length : static_cast<int>(NOTE_SIZE) - 1;
            if (length > 0)
                memcpy(note, sqlite3_column_blob(statement, 0), static_cast<size_t>(length));
            note[length] = '\0';
        }
    }
    sqlite3_finalize(statement);
    sqlite3_busy_timeout(RecordStore.notes, DATABASE_BUSY_TIMEOUT_MS);
    return step == SQLITE_ROW || step == SQLITE_DONE;
}

// One note into the file, committed; an empty one removes the row.
static bool StoreNote(const char* name, const char* note, int busyMs)
{
    if (!OpenNotes(true))
        return false;
    sqlite3_busy_timeout(RecordStore.notes, busyMs);
    sqlite3_stmt* statement = nullptr;
    const char* sql = note[0] ? "INSERT OR REPLACE INTO notes(name, note, changed) VALUES(?1, ?2, ?3)"
                              : "DELETE FROM notes WHERE name = ?1";
    bool ok = sqlite3_prepare_v2(RecordStore.notes, sql, -1, &statement, nullptr) == SQLITE_OK;
    if (ok) {
        sqlite3_bind_blob(statement, 1, name, lstrlenA(name), SQLITE_STATIC);
        if (note[0]) {
            sqlite3_bind_blob(statement, 2, note, lstrlenA(note), SQLITE_STATIC);
            FILETIME now;
            GetSystemTimeAsFileTime(&now);
            sqlite3_bind_int64(statement, 3, static_cast<int64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime);
        }
        ok = sqlite3_step(statement) == SQLITE_DONE;
    }
    sqlite3_finalize(statement);
    sqlite3_busy_timeout(RecordStore.notes, DATABASE_BUSY_TIMEOUT_MS);
    return ok;
}

static void KeepWaiting(const char* name, const char* note)
{
    WaitingNote* waiting = FindWaitingNote(name);
    if (!waiting) {
        WaitingNote added;
        memset(&added, 0, sizeof added);
        WaitingNotes.Append(added);
        waiting = &WaitingNotes.At(WaitingNotes.count - 1);
    }
    lstrcpynA(waiting->name, name, PROFILE_NAME_SIZE);
    lstrcpynA(waiting->note, note, NOTE_SIZE);
    waiting->journaled = JournalWaitingNote(name, note);
}

bool WriteOpponentNote(const char* name, const char* note)
{
    // The older ones first; behind a waiting note of the same name this one
    // would be overwritten by the older.
    if (WaitingNotes.count)
        RetryOpponentNotes(DATABASE_BUSY_TIMEOUT_MS);
    if (!FindWaitingNote(name) && StoreNote(name, note, DATABASE_BUSY_TIMEOUT_MS))
        return true;
    KeepWaiting(name, note);
    return false;
}

bool RetryOpponentNotes(int busyMs)
{
    uint32_t kept = 0;
    bool held = false;
    for (uint32_t i = 0; i < WaitingNotes.count; ++i) {
        WaitingNote* waiting = &WaitingNotes.At(i);
        // Once one fails the rest wait too: the file is held.
        held = held || !StoreNote(waiting->name, waiting->note, busyMs);
        if (!held) {
            DropJournaledNote(waiting->name);
            continue;
        }
        if (!waiting->journaled)
            waiting->journaled = JournalWaitingNote(waiting->name, waiting->note);
        WaitingNotes.At(kept++) = *waiting;
    }
    WaitingNotes.count = kept;
    return kept == 0;
}

uint32_t UnjournaledNotes()
{
    uint32_t count = 0;
    for (uint32_t i = 0; i < WaitingNotes.count; ++i)
        count += !WaitingNotes.At(i).journaled;
    return count;
}

void CloseOpponentNotes()
{
    sqlite3_close(RecordStore.notes);
    RecordStore.notes = nullptr;
}
