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
    // By the bytes: the locale's comparison takes some different names as one.
    for (uint32_t i = WaitingNotes.count; i-- > 0;)
        if (strcmp(WaitingNotes.At(i).name, name) == 0)
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

static int64_t Now()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return static_cast<int64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
}

// The next piece of text from at (its start), NOTES_SEPARATOR ending it;
// its length, and at moved past the separator (to end after the last).
static int NextPiece(const char* text, int end, int* at)
{
    const int gap = lstrlenA(NOTES_SEPARATOR);
    int start = *at;
    for (int i = start; i + gap <= end; ++i)
        if (memcmp(text + i, NOTES_SEPARATOR, static_cast<size_t>(gap)) == 0) {
            *at = i + gap;
            return i - start;
        }
    *at = end + 1;
    return end - start;
}

static bool HoldsPiece(const char* text, int length, const char* piece, int pieceLength)
{
    for (int at = 0; at <= length;) {
        const char* start = text + at;
        int found = NextPiece(text, length, &at);
        if (found == pieceLength && memcmp(start, piece, static_cast<size_t>(found)) == 0)
            return true;
    }
    return false;
}

bool JoinNoteTexts(const char* first, int firstLength, const char* second, int secondLength, char* joined,
                   int* length)
{
    const int gap = lstrlenA(NOTES_SEPARATOR);
    if (firstLength >= static_cast<int>(NOTE_SIZE))
        return false;
    memcpy(joined, first, static_cast<size_t>(firstLength));
    *length = firstLength;
    for (int at = 0; at <= secondLength;) {
        const char* piece = second + at;
        int pieceLength = NextPiece(second, secondLength, &at);
        // An empty piece adds nothing: a removal that waited gives way to the newer note.
        if (pieceLength == 0 || HoldsPiece(joined, *length, piece, pieceLength))
            continue;
        if (*length + gap + pieceLength >= static_cast<int>(NOTE_SIZE))
            return false;
        memcpy(joined + *length, NOTES_SEPARATOR, static_cast<size_t>(gap));
        memcpy(joined + *length + gap, piece, static_cast<size_t>(pieceLength));
        *length += gap + pieceLength;
    }
    return true;
}

// A note that waited, and the file's newer one on the same name (another
// program wrote it meanwhile): both texts, the file's first. False when the
// file has no newer note, or when both texts do not fit: then the waiting
// one is written, the player's last word here.
static bool JoinNewerNote(const char* name, const char* note, int64_t changed, char* joined, int* length,
                          int64_t* newer)
{
    sqlite3_stmt* statement = nullptr;
    bool found = sqlite3_prepare_v2(RecordStore.notes, "SELECT note, changed FROM notes WHERE name = ?1", -1,
                                    &statement, nullptr) == SQLITE_OK;
    if (found) {
        sqlite3_bind_blob(statement, 1, name, lstrlenA(name), SQLITE_STATIC);
        found = sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_int64(statement, 1) > changed;
    }
    if (found) {
        const char* stored = static_cast<const char*>(sqlite3_column_blob(statement, 0));
        int storedLength = sqlite3_column_bytes(statement, 0);
        *newer = sqlite3_column_int64(statement, 1);
        found = JoinNoteTexts(stored, storedLength, note, lstrlenA(note), joined, length);
    }
    sqlite3_finalize(statement);
    return found;
}

// One note into the file, committed; an empty one removes the row. One that
// waited (changed: when it was written) is joined with a newer one the file
// holds by then; one written now replaces what is there.
static bool StoreNote(const char* name, const char* note, int64_t changed, bool waited, int busyMs)
{
    if (!OpenNotes(true))
        return false;
    sqlite3_busy_timeout(RecordStore.notes, busyMs);
    bool ok = Execute(RecordStore.notes, "BEGIN IMMEDIATE");
    char joined[NOTE_SIZE];
    int length = lstrlenA(note);
    int64_t newer = changed;
    const char* text = ok && waited && JoinNewerNote(name, note, changed, joined, &length, &newer) ? joined : note;
    sqlite3_stmt* statement = nullptr;
    const char* sql = length ? "INSERT OR REPLACE INTO notes(name, note, changed) VALUES(?1, ?2, ?3)"
                             : "DELETE FROM notes WHERE name = ?1";
    ok = ok && sqlite3_prepare_v2(RecordStore.notes, sql, -1, &statement, nullptr) == SQLITE_OK;
    if (ok) {
        sqlite3_bind_blob(statement, 1, name, lstrlenA(name), SQLITE_STATIC);
        if (length) {
            sqlite3_bind_blob(statement, 2, text, length, SQLITE_STATIC);
            sqlite3_bind_int64(statement, 3, newer);
        }
        ok = sqlite3_step(statement) == SQLITE_DONE;
    }
    sqlite3_finalize(statement);
    ok = ok && Execute(RecordStore.notes, "COMMIT");
    if (!sqlite3_get_autocommit(RecordStore.notes))
        Execute(RecordStore.notes, "ROLLBACK");
    sqlite3_busy_timeout(RecordStore.notes, DATABASE_BUSY_TIMEOUT_MS);
    return ok;
}

static void KeepWaiting(const char* name, const char* note, int64_t changed)
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
    waiting->changed = changed;
    waiting->journaled = JournalWaitingNote(waiting);
}

bool WriteOpponentNote(const char* name, const char* note)
{
    // The older ones first; behind a waiting note of the same name this one
    // would be overwritten by the older.
    if (WaitingNotes.count)
        RetryOpponentNotes(DATABASE_BUSY_TIMEOUT_MS);
    int64_t now = Now();
    if (!FindWaitingNote(name) && StoreNote(name, note, now, false, DATABASE_BUSY_TIMEOUT_MS))
        return true;
    KeepWaiting(name, note, now);
    return false;
}

bool RetryOpponentNotes(int busyMs)
{
    uint32_t kept = 0;
    bool held = false;
    for (uint32_t i = 0; i < WaitingNotes.count; ++i) {
        WaitingNote* waiting = &WaitingNotes.At(i);
        // Once one fails the rest wait too: the file is held.
        held = held || !StoreNote(waiting->name, waiting->note, waiting->changed, true, busyMs);
        if (!held) {
            DropJournaledNote(waiting->name);
            continue;
        }
        if (!waiting->journaled)
            waiting->journaled = JournalWaitingNote(waiting);
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
