#include "report/Backup.h"
#include "base/GrowArray.h"
#include "base/ProgramPaths.h"
#include "base/TextUtil.h"
#include "store/NotesFile.h"
#include "store/RecordBackup.h"
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

static void FormatDate(const SYSTEMTIME* day, char* date)
{
    wnsprintfA(date, DATE_SIZE, "%04d-%02d-%02d", day->wYear, day->wMonth, day->wDay);
}

// A day of the calendar, not after today: only such copies take part in the
// rotation.
static bool IsSensibleDate(const char* date, const char* today)
{
    SYSTEMTIME day = {};
    day.wYear = static_cast<WORD>(atoi(date));
    day.wMonth = static_cast<WORD>(atoi(date + 5));
    day.wDay = static_cast<WORD>(atoi(date + 8));
    FILETIME unused;
    return strcmp(date, today) <= 0 && SystemTimeToFileTime(&day, &unused);
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

void RotateBackups(const char* folder, const char* recordName, const SYSTEMTIME* today,
                   bool (*isCopy)(const char* path))
{
    char todayDate[DATE_SIZE];
    FormatDate(today, todayDate);
    GrowArray<BackupDate> all, dates;
    all.Init();
    dates.Init();
    ListCopies(folder, recordName, &all);
    char path[SETTING_PATH_SIZE];
    // A file of a copy's name that holds no record (cut short, emptied) is no
    // copy: it must not take the place of one that is kept.
    for (uint32_t i = 0; i < all.count; ++i) {
        CopyPath(folder, recordName, all.data[i].date, path);
        if (IsSensibleDate(all.data[i].date, todayDate) && isCopy(path))
            dates.Append(all.data[i]);
    }
    all.Clear();
    // Today's copy, just made and good, is the newest left: always kept.
    for (uint32_t i = BACKUPS_KEPT; i < dates.count; ++i) {
        // Newest first: the first copy of a month is the last one of it listed.
        bool firstOfMonth = i + 1 == dates.count || strncmp(dates.data[i].date, dates.data[i + 1].date, 7) != 0;
        if (firstOfMonth)
            continue;
        CopyPath(folder, recordName, dates.data[i].date, path);
        DeleteFileA(path);
    }
    dates.Clear();
}

void FindNewestGoodBackup(const char* recordPath, char* path)
{
    char folder[SETTING_PATH_SIZE], recordName[SETTING_PATH_SIZE];
    BackupFolder(recordPath, folder);
    RecordName(recordPath, recordName);
    GrowArray<BackupDate> dates;
    dates.Init();
    ListCopies(folder, recordName, &dates);
    bool found = false;
    for (uint32_t i = 0; i < dates.count && !found; ++i) {
        CopyPath(folder, recordName, dates.data[i].date, path);
        found = IsGoodRecordFile(path);
    }
    dates.Clear();
    if (!found)
        path[0] = '\0';
}

void MakeDailyBackup(RecordReader* record, const char* recordPath, const SYSTEMTIME* today, BackupOutcome* outcome,
                     const WorkProgress* progress)
{
    char recordName[SETTING_PATH_SIZE], date[DATE_SIZE], partPath[SETTING_PATH_SIZE];
    RecordName(recordPath, recordName);
    BackupFolder(recordPath, outcome->folder);
    outcome->newestGood[0] = '\0';
    outcome->notesState = NOTES_BACKUP_NONE;
    RecordAccess access = ProbeRecord(record);
    if (access == RECORD_BUSY || access == RECORD_NO_TABLE) {
        outcome->state = access == RECORD_BUSY ? BACKUP_BUSY : BACKUP_NOT_RECORD;
        return;
    }
    int32_t copied = COPY_UNSOUND;
    FormatDate(today, date);
    CopyPath(outcome->folder, recordName, date, outcome->newestGood);
    wnsprintfA(partPath, sizeof partPath, "%s.part", outcome->newestGood);
    if (access == RECORD_READABLE) {
        CreateDirectoryA(outcome->folder, nullptr);
        copied = CopyRecordFile(record, partPath, progress);
    }
    if (copied == COPY_BUSY || copied == COPY_FAILED || copied == COPY_CANCELLED) {
        outcome->state = copied == COPY_BUSY ? BACKUP_BUSY : copied == COPY_FAILED ? BACKUP_FAILED : BACKUP_CANCELLED;
        outcome->newestGood[0] = '\0';
        return;
    }
    if (copied == COPY_UNSOUND) {
        outcome->state = BACKUP_DAMAGED;
        FindNewestGoodBackup(recordPath, outcome->newestGood);
        return;
    }
    // Only a good copy of today counts: an empty file or a folder of its
    // name is none, and a file is replaced by the sound copy.
    if (IsGoodRecordFile(outcome->newestGood)) {
        DeleteFileA(partPath);
        outcome->state = BACKUP_ALREADY_TODAY;
        return;
    }
    if (!MoveFileExA(partPath, outcome->newestGood, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(partPath);
        outcome->state = BACKUP_FAILED;
        outcome->newestGood[0] = '\0';
        return;
    }
    outcome->state = BACKUP_MADE;
    RotateBackups(outcome->folder, recordName, today);
}

void ProgramNotesPath(char* path)
{
    lstrcpynA(path, ModuleDirectory.data, SETTING_PATH_SIZE);
    PathAppendA(path, NOTES_FILE_NAME);
}

// The notes' copies are named like a record's called so.
#define NOTES_COPY_NAME "vty_notes"

void BackUpNotes(const char* notesPath, const SYSTEMTIME* today, BackupOutcome* outcome, const WorkProgress* progress)
{
    outcome->notesState = NOTES_BACKUP_NONE;
    lstrcpynA(outcome->notesPath, notesPath, sizeof outcome->notesPath);
    DWORD attributes = GetFileAttributesA(notesPath);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        outcome->state == BACKUP_BUSY || outcome->state == BACKUP_NOT_RECORD || outcome->state == BACKUP_CANCELLED)
        return;
    char date[DATE_SIZE], copyPath[SETTING_PATH_SIZE], partPath[SETTING_PATH_SIZE];
    FormatDate(today, date);
    CopyPath(outcome->folder, NOTES_COPY_NAME, date, copyPath);
    wnsprintfA(partPath, sizeof partPath, "%s.part", copyPath);
    CreateDirectoryA(outcome->folder, nullptr);
    switch (CopyNotesFile(notesPath, partPath, progress)) {
    case COPY_SOUND:
        break;
    case COPY_UNSOUND:
        outcome->notesState = NOTES_BACKUP_DAMAGED;
        return;
    case COPY_BUSY:
        outcome->notesState = NOTES_BACKUP_BUSY;
        return;
    case COPY_CANCELLED:
        outcome->notesState = NOTES_BACKUP_CANCELLED;
        return;
    default:
        outcome->notesState = NOTES_BACKUP_FAILED;
        return;
    }
    if (IsGoodNotesFile(copyPath)) {
        DeleteFileA(partPath);
        outcome->notesState = NOTES_BACKUP_ALREADY;
        return;
    }
    // A record called vty_notes.db has copies of this name: never replace one.
    if (IsRecordFile(copyPath) || !MoveFileExA(partPath, copyPath, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(partPath);
        outcome->notesState = NOTES_BACKUP_FAILED;
        return;
    }
    outcome->notesState = NOTES_BACKUP_MADE;
    RotateBackups(outcome->folder, NOTES_COPY_NAME, today, IsNotesFile);
}

// The paragraph on a notes copy that failed; "" for none.
static void DescribeNotesBackup(const BackupOutcome* outcome, TextBuffer* text)
{
    text->Assign("");
    if (outcome->notesState == NOTES_BACKUP_FAILED)
        text->Append("相手メモのバックアップを作れませんでした（保存先に書き込めません）。\r\n");
    else if (outcome->notesState == NOTES_BACKUP_DAMAGED)
        text->Append("相手メモのファイルが壊れているため、バックアップしていません。\r\n");
    else if (outcome->notesState == NOTES_BACKUP_BUSY)
        text->Append("相手メモのファイルを今は読めないため、バックアップしていません（ほかのプログラムが使用中です）。\r\n");
    if (text->length)
        text->Append(outcome->notesPath);
}

void DescribeBackupOutcome(const BackupOutcome* outcome, const char* recordPath, TextBuffer* message)
{
    message->Assign("");
    if (outcome->state == BACKUP_FAILED) {
        message->Append("プロファイルのバックアップを作れませんでした。\r\n保存先: ");
        message->Append(outcome->folder);
        message->Append("\r\n\r\nディスクの空きと、このフォルダーに書き込めるかを確かめてください。");
    } else if (outcome->state == BACKUP_DAMAGED) {
        // Copying a backup over the record would lose every match since that
        // backup, though most of them can still be read: the repair keeps them.
        message->Append("プロファイルが壊れています（整合性の検査で問題が見つかりました）。\r\n");
        message->Append(recordPath);
        message->Append("\r\n\r\n壊れたファイルはバックアップしていません。これまでのバックアップはそのまま残っています。"
                        "\r\n\r\n修復すると、このファイルから読める対戦をすべて取り出し、");
        if (outcome->newestGood[0]) {
            message->Append("最新の正常なバックアップ\r\n");
            message->Append(outcome->newestGood);
            message->Append("\r\nと合わせて");
        } else {
            message->Append("（正常なバックアップはありません）");
        }
        message->Append("新しいプロファイルに保存します。壊れたファイルもバックアップも変更しません。\r\n\r\n"
                        "今すぐ修復しますか？（メニュー「記録と配信」の「壊れたプロファイルを修復する」からもできます）");
    } else if (outcome->state == BACKUP_BUSY) {
        // Nothing is known to be wrong: no advice that would replace the record.
        message->Append("プロファイルを今は読めません（ほかのプログラムが使用中か、vty.exe が記録の保存の途中で"
                        "止まり、次に起動したときに元に戻す必要があります）。\r\n");
        message->Append(recordPath);
        message->Append("\r\n\r\nプロファイルに問題が見つかったわけではありません。ファイルはそのままにして、"
                        "vty.exe を起動してからもう一度レポートを開いてください。");
    } else if (outcome->state == BACKUP_NOT_RECORD) {
        message->Append("このファイルには対戦の記録がありません（空のファイルか、プロファイルではないデータベースです）。\r\n");
        message->Append(recordPath);
        message->Append("\r\n\r\nバックアップは作っていません。これまでのバックアップはそのまま残っています。");
    }
    TextBuffer notes;
    notes.Init();
    DescribeNotesBackup(outcome, &notes);
    // A damaged record's message ends in its question: the notes come first there.
    if (notes.length && outcome->state == BACKUP_DAMAGED) {
        notes.Append("\r\n\r\n");
        notes.Append(message->data);
        message->Assign(notes.data);
    } else if (notes.length) {
        message->Append(message->length ? "\r\n\r\n" : "");
        message->Append(notes.data);
    }
    notes.Release();
}
