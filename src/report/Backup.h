#pragma once
#include "base/Settings.h"
#include "base/TextBuffer.h"
#include "store/RecordReading.h"

// Daily copies of a record file in the folder "backup" beside it, named
// "<record name>_YYYY-MM-DD.db" after the day they were made.

#define BACKUP_FOLDER_NAME "backup"
// Daily copies kept besides the first copy of each month.
const int32_t BACKUPS_KEPT = 14;

enum BackupState {
    BACKUP_MADE,           // today's copy was written
    BACKUP_ALREADY_TODAY,  // a good copy of today was there; nothing written
    BACKUP_DAMAGED,        // the record failed its check; nothing written
    BACKUP_FAILED,         // the copy could not be written
    BACKUP_BUSY,           // the record cannot be read now; nothing written
    BACKUP_NOT_RECORD,     // no record table (an empty file too)
    BACKUP_CANCELLED,      // the player stopped it; nothing written
};

// The copy of the notes file (vty_notes.db) made with the record's.
enum NotesBackupState {
    NOTES_BACKUP_NONE,       // no notes file, or no copy tried
    NOTES_BACKUP_MADE,       // today's copy was written
    NOTES_BACKUP_ALREADY,    // a good copy of today was there; nothing written
    NOTES_BACKUP_DAMAGED,    // damaged, or no notes file; nothing written
    NOTES_BACKUP_FAILED,     // the copy could not be written
    NOTES_BACKUP_BUSY,       // the notes cannot be read now; nothing written
    NOTES_BACKUP_CANCELLED,  // the player stopped it; nothing written
};

struct BackupOutcome {
    int32_t state;
    int32_t notesState;             // NotesBackupState
    char notesPath[SETTING_PATH_SIZE];
    // Today's copy (made or already there), or with a damaged record the
    // newest copy that passes the check; "" when there is none.
    char newestGood[SETTING_PATH_SIZE];
    char folder[SETTING_PATH_SIZE];
};

// Copies the record in short reads, the file free for vty.exe between them,
// and checks the copy (CopyRecordFile), never the record itself, which would
// hold it for seconds. A sound copy becomes today's unless a good copy of
// today is there; then the copies beyond the newest BACKUPS_KEPT that are not
// the first of their month are removed. recordPath: code page text; today:
// the local date that names the copy. The copy is written as
// "<copy>.part" and renamed once checked: a cancelled or failed copy leaves
// no file.
void MakeDailyBackup(RecordReader* record, const char* recordPath, const SYSTEMTIME* today, BackupOutcome* outcome,
                     const WorkProgress* progress = nullptr);

// The notes file of vty.exe beside this program (ModuleDirectory), into path
// (SETTING_PATH_SIZE bytes).
void ProgramNotesPath(char* path);
// Copies the notes file at notesPath into the record's backup folder
// (outcome->folder, as MakeDailyBackup set it) as "vty_notes_YYYY-MM-DD.db",
// as the record is copied: written as "<copy>.part", checked, renamed only
// when sound, one good copy a day, rotated alike. Nothing when there is no
// notes file, or the record's backup was not tried (busy, no record,
// cancelled). Sets outcome->notesState and notesPath only.
void BackUpNotes(const char* notesPath, const SYSTEMTIME* today, BackupOutcome* outcome,
                 const WorkProgress* progress = nullptr);

// Removes the copies of one record (or of the notes) in folder that rotation
// does not keep. Copies dated after today, or on no real day, and files of a
// copy's name that isCopy does not take (no record) are left alone and do not
// count: a clock set wrong once, or a copy cut short, must not cost the copies
// made since.
void RotateBackups(const char* folder, const char* recordName, const SYSTEMTIME* today,
                   bool (*isCopy)(const char* path) = IsRecordFile);

// The newest copy of the record (code page path) in its backup folder that
// passes the check, into path (SETTING_PATH_SIZE bytes); "" when none does.
void FindNewestGoodBackup(const char* recordPath, char* path);

// What the player is told, in Japanese; "" when all went well. A damaged
// record's message ends in the question whether to repair it now. A notes
// copy that failed adds a short paragraph; it never hides the record's own.
void DescribeBackupOutcome(const BackupOutcome* outcome, const char* recordPath, TextBuffer* message);
