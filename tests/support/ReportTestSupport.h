#pragma once
// What the tests of the report program and of its record tools share.
#include "support/DialogAnswerer.h"
#include "support/StatsFixture.h"
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
