#include "report/Backup.h"
#include "base/GrowArray.h"
#include "base/TextUtil.h"
#include "report/RecordReader.h"
#include <sqlite3.h>
#include <stdlib.h>

// "YYYY-MM-DD" and its terminator.
const int DATE_SIZE = 11;

struct BackupDate {
    char date[DATE_SIZE];
};

// The record's file name without its extension.
static void RecordName(const char* recordPath, char* name)
{
    lstrcpynA(name, PathFindFileNameA(recordPath), SETTING_PATH_SIZE);
    PathRemoveExtensionA(name);
}

static void BackupFolder(const char* recordPath, char* folder)
{
    lstrcpynA(folder, recordPath, SETTING_PATH_SIZE);
    PathRemoveFileSpecA(folder);
    PathAppendA(folder, BACKUP_FOLDER_NAME);
}

static void CopyPath(const char* folder, const char* recordName, const char* date, char* path)
{
    char name[SETTING_PATH_SIZE];
    wnsprintfA(name, sizeof name, "%s_%s.db", recordName, date);
    lstrcpynA(path, folder, SETTING_PATH_SIZE);
    PathAppendA(path, name);
}

static bool IsDate(const char* text)
{
    for (int i = 0; i < DATE_SIZE - 1; ++i) {
        bool dash = i == 4 || i == 7;
        if (dash ? text[i] != '-' : (text[i] < '0' || text[i] > '9'))
            return false;
    }
    return true;
}

static int NewestFirst(const void* a, const void* b)
{
    return strcmp(static_cast<const BackupDate*>(b)->date, static_cast<const BackupDate*>(a)->date);
}

// The dates of the record's copies in folder, newest first.
static void ListCopies(const char* folder, const char* recordName, GrowArray<BackupDate>* dates)
{
    char pattern[SETTING_PATH_SIZE];
    CopyPath(folder, recordName, "*", pattern);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    size_t prefix = strlen(recordName) + 1;
    do {
        const char* rest = found.cFileName + prefix;
        // The pattern also finds other records' copies whose names start alike.
        if (strlen(found.cFileName) == prefix + DATE_SIZE + 2 && IsDate(rest) && lstrcmpiA(rest + 10, ".db") == 0 &&
            !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            BackupDate date;
            lstrcpynA(date.date, rest, DATE_SIZE);
            dates->Append(date);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    if (dates->count)
        qsort(dates->data, dates->count, sizeof(BackupDate), NewestFirst);
}

void RotateBackups(const char* folder, const char* recordName)
{
    GrowArray<BackupDate> dates;
    dates.Init();
    ListCopies(folder, recordName, &dates);
    for (uint32_t i = BACKUPS_KEPT; i < dates.count; ++i) {
        // Newest first: the first copy of a month is the last one of it listed.
        bool firstOfMonth = i + 1 == dates.count || strncmp(dates.data[i].date, dates.data[i + 1].date, 7) != 0;
        if (firstOfMonth)
            continue;
        char path[SETTING_PATH_SIZE];
        CopyPath(folder, recordName, dates.data[i].date, path);
        DeleteFileA(path);
    }
    dates.Clear();
}

// The newest copy that passes the check, into path; false when none does.
static bool FindNewestGood(const char* folder, const char* recordName, char* path)
{
    GrowArray<BackupDate> dates;
    dates.Init();
    ListCopies(folder, recordName, &dates);
    bool found = false;
    for (uint32_t i = 0; i < dates.count && !found; ++i) {
        CopyPath(folder, recordName, dates.data[i].date, path);
        sqlite3* copy = OpenRecordReadOnly(path);
        found = copy && CheckRecord(copy);
        sqlite3_close(copy);
    }
    dates.Clear();
    if (!found)
        path[0] = '\0';
    return found;
}

// The online backup into a new file beside the final one, renamed only when
// whole, so that a failed copy never takes a copy's name.
static bool CopyRecord(sqlite3* record, const char* path)
{
    char partPath[SETTING_PATH_SIZE];
    wnsprintfA(partPath, sizeof partPath, "%s.part", path);
    DeleteFileA(partPath);
    TextBuffer utf8;
    utf8.Init();
    sqlite3* copy = nullptr;
    bool ok = ConvertPathToUtf8(partPath, &utf8) &&
              sqlite3_open_v2(utf8.data, &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK;
    utf8.Release();
    // A half-made copy is deleted anyway: it needs no journal.
    ok = ok && sqlite3_exec(copy, "PRAGMA journal_mode=OFF", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_backup* backup = ok ? sqlite3_backup_init(copy, "main", record, "main") : nullptr;
    ok = backup && sqlite3_backup_step(backup, -1) == SQLITE_DONE;
    if (backup)
        ok = sqlite3_backup_finish(backup) == SQLITE_OK && ok;
    ok = sqlite3_close(copy) == SQLITE_OK && ok;
    ok = ok && MoveFileExA(partPath, path, 0);
    if (!ok)
        DeleteFileA(partPath);
    return ok;
}

void MakeDailyBackup(sqlite3* record, const char* recordPath, const SYSTEMTIME* today, BackupOutcome* outcome)
{
    char recordName[SETTING_PATH_SIZE], date[DATE_SIZE];
    RecordName(recordPath, recordName);
    BackupFolder(recordPath, outcome->folder);
    outcome->newestGood[0] = '\0';
    if (!CheckRecord(record)) {
        outcome->state = BACKUP_DAMAGED;
        FindNewestGood(outcome->folder, recordName, outcome->newestGood);
        return;
    }
    wnsprintfA(date, sizeof date, "%04d-%02d-%02d", today->wYear, today->wMonth, today->wDay);
    CopyPath(outcome->folder, recordName, date, outcome->newestGood);
    if (PathFileExistsA(outcome->newestGood)) {
        outcome->state = BACKUP_ALREADY_TODAY;
        return;
    }
    CreateDirectoryA(outcome->folder, nullptr);
    if (!CopyRecord(record, outcome->newestGood)) {
        outcome->state = BACKUP_FAILED;
        outcome->newestGood[0] = '\0';
        return;
    }
    outcome->state = BACKUP_MADE;
    RotateBackups(outcome->folder, recordName);
}

void DescribeBackupOutcome(const BackupOutcome* outcome, const char* recordPath, TextBuffer* message)
{
    message->Assign("");
    if (outcome->state == BACKUP_FAILED) {
        message->Append("記録ファイルのバックアップを作れませんでした。\r\n保存先: ");
        message->Append(outcome->folder);
        message->Append("\r\n\r\nディスクの空きと、このフォルダーに書き込めるかを確かめてください。");
    } else if (outcome->state == BACKUP_DAMAGED) {
        message->Append("記録ファイルが壊れています（整合性の検査で問題が見つかりました）。\r\n");
        message->Append(recordPath);
        message->Append("\r\n\r\n壊れたファイルはバックアップしていません。これまでのバックアップはそのまま残っています。\r\n\r\n");
        if (outcome->newestGood[0]) {
            message->Append("最新の正常なバックアップ:\r\n");
            message->Append(outcome->newestGood);
            message->Append("\r\n\r\n元に戻すには、vty.exe を終了してから、このバックアップを記録ファイルと同じフォルダーへコピーし、名前を「");
            message->Append(PathFindFileNameA(recordPath));
            message->Append("」に変えてください。");
        } else {
            message->Append("正常なバックアップはありません。");
        }
    }
}
