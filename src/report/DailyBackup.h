#pragma once
#include "report/Backup.h"
#include "report/ProgressDialog.h"

// The day's backup on a thread of its own, so that the report shows at once
// on a large record: it reads the record through a reader of its own, tries
// again while the record is busy, and posts WM_DAILY_BACKUP_DONE to the
// window it is told of once it has ended.

const UINT WM_DAILY_BACKUP_DONE = WM_APP + 1;

struct DailyBackup {
    HANDLE thread;              // null when none runs
    RecordReader* record;       // the thread's own reader
    char recordPath[SETTING_PATH_SIZE];
    char notesPath[SETTING_PATH_SIZE];  // copied into the same folder after the record
    SYSTEMTIME today;
    BackupOutcome outcome;      // set when the thread has ended
    ProgressDialog progress;
    WorkProgress work;
    volatile HWND notify;       // gets WM_DAILY_BACKUP_DONE; may be set later
    volatile LONG ended;
    bool told;                  // the player has heard of the outcome
};

// Starts the backup of the record at recordPath (code page text), and of the
// notes file beside this program after it (BackUpNotes); false,
// with nothing started, when a reader or the thread cannot be made.
bool StartDailyBackup(DailyBackup* backup, const char* recordPath, const SYSTEMTIME* today);
// The window that the end is posted to, from now on (the end may be there
// already: then it is posted at once).
void NotifyDailyBackupEnd(DailyBackup* backup, HWND window);
// Waits at most ms for the end; true when it has ended.
bool WaitDailyBackup(DailyBackup* backup, DWORD ms);
// Stops it at its next step: no copy is left.
void CancelDailyBackup(DailyBackup* backup);
// Waits for the end, its progress shown meanwhile (the report's window may
// have gone: closing it does not stop the backup), tells the outcome unless
// it has been told, and frees what it held.
void FinishDailyBackup(DailyBackup* backup);
// Tells the outcome once it has ended, owned by owner (may be null).
void TellDailyBackupEnd(DailyBackup* backup, HWND owner);

// What the player is told of the outcome, owned by owner (may be null): a
// damaged record's question whether to repair it now, and the repair.
void ShowBackupOutcome(HWND owner, const BackupOutcome* outcome, const char* recordPath);
