#pragma once
#include "base/Settings.h"
#include "base/TextBuffer.h"

struct sqlite3;

// Daily copies of a record file in the folder "backup" beside it, named
// "<record name>_YYYY-MM-DD.db" after the day they were made.

#define BACKUP_FOLDER_NAME "backup"
// Daily copies kept besides the first copy of each month.
const int32_t BACKUPS_KEPT = 14;

enum BackupState {
    BACKUP_MADE,           // today's copy was written
    BACKUP_ALREADY_TODAY,  // today's copy was there; nothing written
    BACKUP_DAMAGED,        // the record failed its check; nothing written
    BACKUP_FAILED,         // the copy could not be written
};

struct BackupOutcome {
    int32_t state;
    // Today's copy (made or already there), or with a damaged record the
    // newest copy that passes the check; "" when there is none.
    char newestGood[SETTING_PATH_SIZE];
    char folder[SETTING_PATH_SIZE];
};

// Checks the record (PRAGMA quick_check) and, when it is sound and today has
// no copy yet, copies it with SQLite's online backup, then removes the copies
// beyond the newest BACKUPS_KEPT that are not the first of their month.
// recordPath: code page text; today: the local date that names the copy.
void MakeDailyBackup(sqlite3* record, const char* recordPath, const SYSTEMTIME* today, BackupOutcome* outcome);

// Removes the copies of one record in folder that rotation does not keep.
void RotateBackups(const char* folder, const char* recordName);

// What the player is told, in Japanese; "" when all went well.
void DescribeBackupOutcome(const BackupOutcome* outcome, const char* recordPath, TextBuffer* message);
