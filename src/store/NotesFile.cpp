#include "store/NotesFile.h"
#include "base/TextUtil.h"
#include <sqlite3.h>

// A note as the file holds it, each value kept whatever its type.
const int NOTE_COLUMNS = 3;  // name, note, changed
typedef sqlite3_value* NoteRow[NOTE_COLUMNS];

static bool IsBusy(int rc)
{
    rc &= 0xFF;
    return rc == SQLITE_BUSY || rc == SQLITE_LOCKED;
}

// Every note of file in one statement, so one short read: the file is free
// for vty.exe again once it has ended. SQLite's result code.
static int ReadNotes(sqlite3* file, GrowArray<NoteRow>* rows)
{
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(file, "SELECT name, note, changed FROM notes", -1, &statement, nullptr);
    bool kept = true;
    while (rc == SQLITE_OK && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
        NoteRow row;
        for (int column = 0; column < NOTE_COLUMNS; ++column)
            kept = (row[column] = sqlite3_value_dup(sqlite3_column_value(statement, column))) != nullptr && kept;
        rows->Append(row);
        rc = SQLITE_OK;
    }
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE ? (kept ? SQLITE_OK : SQLITE_NOMEM) : rc;
}

static void FreeNotes(GrowArray<NoteRow>* rows)
{
    for (uint32_t i = 0; i < rows->count; ++i)
        for (int column = 0; column < NOTE_COLUMNS; ++column)
            sqlite3_value_free(rows->At(i)[column]);
    rows->Clear();
}

// The notes table as vty.exe reads it, in one short look at the schema.
static int ProbeNotes(const char* path)
{
    sqlite3* file = OpenDatabaseFile(path, true);
    sqlite3_stmt* statement = nullptr;
    int rc = file ? sqlite3_prepare_v2(file, "SELECT name, note, changed FROM notes LIMIT 0", -1, &statement, nullptr)
                  : SQLITE_CANTOPEN;
    sqlite3_finalize(statement);
    sqlite3_close(file);
    return rc;
}

bool IsNotesFile(const char* path)
{
    return IsPlainFile(path) && ProbeNotes(path) == SQLITE_OK;
}

bool IsGoodNotesFile(const char* path)
{
    if (!IsNotesFile(path))
        return false;
    RecordReader file = {OpenDatabaseFile(path, true)};
    bool good = file.connection && CheckRecord(&file);
    sqlite3_close(file.connection);
    return good;
}

// The copy holds what was read, and passes the check.
static bool CheckCopy(sqlite3* copy, uint32_t notes)
{
    sqlite3_stmt* statement = nullptr;
    bool all = sqlite3_prepare_v2(copy, "SELECT count(*) FROM notes", -1, &statement, nullptr) == SQLITE_OK &&
               sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_int64(statement, 0) == notes;
    sqlite3_finalize(statement);
    RecordReader written = {copy};
    return all && CheckRecord(&written);
}

static bool WriteCopy(sqlite3* copy, GrowArray<NoteRow>* rows)
{
    sqlite3_stmt* insert = nullptr;
    bool ok = Execute(copy, "BEGIN") &&
              sqlite3_prepare_v2(copy, "INSERT INTO notes(name, note, changed) VALUES(?1, ?2, ?3)", -1, &insert,
                                 nullptr) == SQLITE_OK;
    for (uint32_t i = 0; ok && i < rows->count; ++i) {
        for (int column = 0; column < NOTE_COLUMNS; ++column)
            sqlite3_bind_value(insert, column + 1, rows->At(i)[column]);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    return ok && Execute(copy, "COMMIT");
}

int32_t CopyNotesFile(const char* notesPath, const char* copyPath, const WorkProgress* progress)
{
    GrowArray<NoteRow> rows;
    rows.Init();
    sqlite3* notes = OpenDatabaseFile(notesPath, true);
    int rc = notes ? ReadNotes(notes, &rows) : SQLITE_CANTOPEN;
    sqlite3_close(notes);
    int32_t result = COPY_SOUND;
    if (rc != SQLITE_OK) {
        int code = rc & 0xFF;
        result = IsBusy(rc) ? COPY_BUSY
                 : code == SQLITE_CORRUPT || code == SQLITE_NOTADB || code == SQLITE_ERROR ? COPY_UNSOUND
                                                                                            : COPY_FAILED;
    }
    DeleteFileA(copyPath);
    // Written as vty.exe writes its own files: each commit on the disk before it returns.
    sqlite3* copy = result == COPY_SOUND ? OpenOwnFile(copyPath, true, NOTES_TABLE) : nullptr;
    if (result == COPY_SOUND && !(copy && WriteCopy(copy, &rows)))
        result = COPY_FAILED;
    if (result == COPY_SOUND && !TellProgress(progress, 1, 1))
        result = COPY_CANCELLED;
    if (result == COPY_SOUND && !CheckCopy(copy, rows.count))
        result = COPY_UNSOUND;
    FreeNotes(&rows);
    if (sqlite3_close(copy) != SQLITE_OK && result == COPY_SOUND)
        result = COPY_FAILED;
    if (result != COPY_SOUND)
        DeleteFileA(copyPath);
    return result;
}

void InitNotesMerge(NotesMerge* merge)
{
    merge->state = NOTES_MERGED;
    merge->added = merge->kept = merge->joined = 0;
    merge->tooLong.Init();
}

void ClearNotesMerge(NotesMerge* merge)
{
    merge->tooLong.Clear();
}

// The statements of a merge on this PC's file.
struct NotesJoin {
    sqlite3_stmt* find;   // this PC's note on a name
    sqlite3_stmt* write;  // a note on a name, added or replaced
};

static bool WriteNote(NotesJoin* join, const void* name, int nameLength, const void* note, int noteLength,
                      int64_t changed)
{
    sqlite3_bind_blob(join->write, 1, name, nameLength, SQLITE_TRANSIENT);
    sqlite3_bind_blob(join->write, 2, note, noteLength, SQLITE_TRANSIENT);
    sqlite3_bind_int64(join->write, 3, changed);
    bool written = sqlite3_step(join->write) == SQLITE_DONE;
    sqlite3_reset(join->write);
    return written;
}

// One note of the other file into this PC's; false when a statement fails.
static bool JoinNote(NotesJoin* join, NoteRow row, NotesMerge* merge)
{
    const char* name = static_cast<const char*>(sqlite3_value_blob(row[0]));
    int nameLength = sqlite3_value_bytes(row[0]);
    const char* other = static_cast<const char*>(sqlite3_value_blob(row[1]));
    int otherLength = sqlite3_value_bytes(row[1]);
    int64_t changed = sqlite3_value_int64(row[2]);
    sqlite3_bind_blob(join->find, 1, name, nameLength, SQLITE_STATIC);
    int rc = sqlite3_step(join->find);
    bool ok = rc == SQLITE_ROW || rc == SQLITE_DONE;
    char joined[NOTE_SIZE];
    int length = -1;
    bool fits = true;
    if (rc == SQLITE_DONE) {
        length = otherLength;
        fits = length < static_cast<int>(NOTE_SIZE);
        if (fits)
            memcpy(joined, other, static_cast<size_t>(length));
    } else if (rc == SQLITE_ROW) {
        const char* own = static_cast<const char*>(sqlite3_column_blob(join->find, 0));
        int ownLength = sqlite3_column_bytes(join->find, 0);
        int64_t ownChanged = sqlite3_column_int64(join->find, 1);
        changed = ownChanged > changed ? ownChanged : changed;
        fits = JoinNoteTexts(own, ownLength, other, otherLength, joined, &length);
        if (fits && length == ownLength) {
            ++merge->kept;
            length = -1;
        }
    }
    sqlite3_reset(join->find);
    if (!ok || (fits && length < 0))
        return ok;
    if (!fits) {
        // This PC's note stays as it is, and the other file keeps its own.
        NoteName tooLong;
        int cut = nameLength < PROFILE_NAME_SIZE - 1 ? nameLength : PROFILE_NAME_SIZE - 1;
        if (cut > 0)
            memcpy(tooLong.name, name, static_cast<size_t>(cut));
        tooLong.name[cut] = '\0';
        CutToWholeCharacters(tooLong.name, cut);
        merge->tooLong.Append(tooLong);
        return true;
    }
    if (!WriteNote(join, name, nameLength, joined, length, changed))
        return false;
    ++(rc == SQLITE_DONE ? merge->added : merge->joined);
    return true;
}

// The other file's notes into this PC's, in one transaction.
static int32_t JoinNotes(const char* ownPath, GrowArray<NoteRow>* rows, NotesMerge* merge)
{
    // A file that is there must be a notes file already: never made into one.
    if (PathFileExistsA(ownPath)) {
        int rc = ProbeNotes(ownPath);
        if (rc != SQLITE_OK)
            return IsBusy(rc) ? NOTES_OWN_BUSY : (rc & 0xFF) == SQLITE_CANTOPEN ? NOTES_OWN_FAILED : NOTES_OWN_UNSOUND;
    }
    sqlite3* own = OpenOwnFile(ownPath, true, NOTES_TABLE);
    if (!own)
        return NOTES_OWN_FAILED;
    // A writer from the start: vty.exe's notes wait for this one, or this one for them.
    int rc = sqlite3_exec(own, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    int32_t state = rc == SQLITE_OK ? NOTES_MERGED : IsBusy(rc) ? NOTES_OWN_BUSY : NOTES_OWN_FAILED;
    RecordReader checked = {own};
    if (state == NOTES_MERGED && !CheckRecord(&checked))
        state = NOTES_OWN_UNSOUND;
    NotesJoin join = {nullptr, nullptr};
    if (state == NOTES_MERGED &&
        !(sqlite3_prepare_v2(own, "SELECT note, changed FROM notes WHERE name = ?1", -1, &join.find, nullptr) ==
              SQLITE_OK &&
          sqlite3_prepare_v2(own, "INSERT OR REPLACE INTO notes(name, note, changed) VALUES(?1, ?2, ?3)", -1,
                             &join.write, nullptr) == SQLITE_OK))
        state = NOTES_OWN_FAILED;
    for (uint32_t i = 0; state == NOTES_MERGED && i < rows->count; ++i)
        if (!JoinNote(&join, rows->At(i), merge))
            state = NOTES_OWN_FAILED;
    sqlite3_finalize(join.find);
    sqlite3_finalize(join.write);
    if (state == NOTES_MERGED) {
        rc = sqlite3_exec(own, "COMMIT", nullptr, nullptr, nullptr);
        state = rc == SQLITE_OK ? NOTES_MERGED : IsBusy(rc) ? NOTES_OWN_BUSY : NOTES_OWN_FAILED;
    }
    if (!sqlite3_get_autocommit(own))
        Execute(own, "ROLLBACK");
    sqlite3_close(own);
    return state;
}

void MergeNotesFiles(const char* ownPath, const char* otherPath, NotesMerge* merge)
{
    merge->added = merge->kept = merge->joined = 0;
    merge->tooLong.count = 0;
    GrowArray<NoteRow> rows;
    rows.Init();
    // The other file whole and checked, before this PC's is touched.
    sqlite3* other = IsPlainFile(otherPath) ? OpenDatabaseFile(otherPath, true) : nullptr;
    int rc = other ? ReadNotes(other, &rows) : SQLITE_CANTOPEN;
    RecordReader checked = {other};
    if (rc == SQLITE_OK && !CheckRecord(&checked))
        rc = SQLITE_CORRUPT;
    sqlite3_close(other);
    merge->state = rc == SQLITE_OK ? JoinNotes(ownPath, &rows, merge) : IsBusy(rc) ? NOTES_OTHER_BUSY
                                                                                  : NOTES_OTHER_UNSOUND;
    FreeNotes(&rows);
    if (merge->state != NOTES_MERGED) {
        merge->added = merge->kept = merge->joined = 0;
        merge->tooLong.count = 0;
    }
}
