#pragma once
// What the tests of the report program and of its record tools share.
#include "support/DialogAnswerer.h"
#include "support/StatsFixture.h"
#include "store/OpponentNotes.h"
#include <set>

const int64_t MINUTE = 600000000LL;  // a minute of a time stamp

// A read-only connection of the test's own to a record file, for its own SQL.
inline sqlite3* OpenRecordReadOnly(const char* path)
{
    TextBuffer uri;
    uri.Init();
    sqlite3* db = nullptr;
    if (ReadOnlyRecordUri(path, &uri))
        sqlite3_open_v2(uri.data, &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    uri.Release();
    return db;
}

// Stores the rows in one transaction in the record file at path (made when
// missing), as vty.exe stores them; false when any of it fails.
inline bool MakeRecord(const std::string& path, const std::vector<MatchRecord>& rows)
{
    bool ok = OpenStoreFile(path);
    BeginTransaction();
    for (const MatchRecord& row : rows)
        ok = ok && InsertRecord(&row);
    ok = EndTransaction(!ok) && ok;
    CloseRecordDatabase();
    return ok;
}

struct NoteText {
    std::string name, note;
    int64_t changed;
};
// A notes file as vty.exe writes it (made when missing), holding the notes.
inline bool MakeNotes(const std::string& path, const std::vector<NoteText>& notes)
{
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(path.c_str(), &db) == SQLITE_OK && ExecuteSql(db, NOTES_TABLE);
    for (const NoteText& n : notes) {
        sqlite3_stmt* insert = nullptr;
        ok = ok && sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO notes VALUES(?1, ?2, ?3)", -1, &insert, nullptr) == 0;
        sqlite3_bind_blob(insert, 1, n.name.data(), static_cast<int>(n.name.size()), SQLITE_STATIC);
        sqlite3_bind_blob(insert, 2, n.note.data(), static_cast<int>(n.note.size()), SQLITE_STATIC);
        sqlite3_bind_int64(insert, 3, n.changed);
        ok = ok && sqlite3_step(insert) == SQLITE_DONE && sqlite3_finalize(insert) == SQLITE_OK;
    }
    sqlite3_close(db);
    return ok;
}

// Every note of a notes file, "name=note@changed" a line by name, with blob types kept.
inline std::string Notes(const std::string& path)
{
    sqlite3* db = OpenRecordReadOnly(path.c_str());
    std::string notes = QueryText(db, "SELECT group_concat(line, char(10)) FROM (SELECT name || '=' || note || '@' || "
                                      "changed || typeof(name) || typeof(note) AS line FROM notes ORDER BY name)");
    sqlite3_close(db);
    return notes;
}

// The names in a folder in order, each followed by a space.
inline std::string FolderNames(const std::string& folder)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        if (found.cFileName[0] != '.')
            names.insert(found.cFileName);
    FindClose(search);
    std::string text;
    for (const std::string& name : names)
        text += name + " ";
    return text;
}

// Types a path into a file dialog and presses its button.
inline DialogAction Choose(const std::string& path)
{
    return [path](HWND dialog) { return SetDlgItemTextA(dialog, 0x47C, path.c_str()) ? IDOK : IDCANCEL; };
}

inline DialogAction Press(int button)
{
    return [button](HWND) { return button; };
}
