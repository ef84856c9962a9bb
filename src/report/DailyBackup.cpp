#include "report/DailyBackup.h"
#include "report/RecordTools.h"
#include "ui/window/MessageBoxes.h"

// Tries after the first when the record cannot be read now, and the pause
// before each.
const int BACKUP_BUSY_RETRIES = 3;
const DWORD BACKUP_BUSY_PAUSE_MS = 1500;

static void PostEnd(DailyBackup* backup)
{
    HWND window = backup->notify;
    if (window && InterlockedCompareExchange(&backup->ended, 2, 1) == 1)
        PostMessageA(window, WM_DAILY_BACKUP_DONE, 0, 0);
}

static DWORD WINAPI RunBackup(void* context)
{
    DailyBackup* backup = static_cast<DailyBackup*>(context);
    // A lock or a hot journal is often gone a moment later.
    for (int attempt = 0;; ++attempt) {
        MakeDailyBackup(backup->record, backup->recordPath, &backup->today, &backup->outcome, &backup->work);
        if (backup->outcome.state != BACKUP_BUSY || attempt == BACKUP_BUSY_RETRIES ||
            ProgressCancelled(&backup->progress))
            break;
        Sleep(BACKUP_BUSY_PAUSE_MS);
    }
    BackUpNotes(backup->notesPath, &backup->today, &backup->outcome, &backup->work);
    InterlockedExchange(&backup->ended, 1);
    PostEnd(backup);
    return 0;
}

bool StartDailyBackup(DailyBackup* backup, const char* recordPath, const SYSTEMTIME* today)
{
    backup->thread = nullptr;
    backup->notify = nullptr;
    backup->ended = 0;
    backup->told = false;
    lstrcpynA(backup->recordPath, recordPath, sizeof backup->recordPath);
    ProgramNotesPath(backup->notesPath);
    backup->today = *today;
    memset(&backup->outcome, 0, sizeof backup->outcome);
    BeginWorkerProgress(&backup->progress, nullptr, "プロファイルのバックアップ", "プロファイルのバックアップを作っています...",
                        &backup->work);
    backup->record = OpenRecordReader(recordPath);
    if (backup->record)
        backup->thread = CreateThread(nullptr, 0, RunBackup, backup, 0, nullptr);
    if (!backup->thread) {
        CloseRecordReader(backup->record);
        backup->record = nullptr;
    }
    return backup->thread != nullptr;
}

void NotifyDailyBackupEnd(DailyBackup* backup, HWND window)
{
    backup->notify = window;
    backup->progress.owner = window;
    PostEnd(backup);
}

bool WaitDailyBackup(DailyBackup* backup, DWORD ms)
{
    return !backup->thread || WaitForSingleObject(backup->thread, ms) == WAIT_OBJECT_0;
}

void CancelDailyBackup(DailyBackup* backup)
{
    InterlockedExchange(&backup->progress.cancelled, 1);
}

void FinishDailyBackup(DailyBackup* backup)
{
    if (!backup->thread)
        return;
    backup->progress.owner = nullptr;
    while (MsgWaitForMultipleObjects(1, &backup->thread, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0) {
        ShowProgress(&backup->progress);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    CloseHandle(backup->thread);
    backup->thread = nullptr;
    CloseRecordReader(backup->record);
    backup->record = nullptr;
    TellDailyBackupEnd(backup, nullptr);
}

void TellDailyBackupEnd(DailyBackup* backup, HWND owner)
{
    EndProgress(&backup->progress);
    if (backup->told || !backup->ended)
        return;
    backup->told = true;
    ShowBackupOutcome(owner, &backup->outcome, backup->recordPath);
}

void ShowBackupOutcome(HWND owner, const BackupOutcome* outcome, const char* recordPath)
{
    TextBuffer message;
    message.Init();
    DescribeBackupOutcome(outcome, recordPath, &message);
    if (outcome->state == BACKUP_DAMAGED) {
        if (MessageBoxA(owner, message.data, nullptr, MB_YESNO | MB_ICONERROR) == IDYES)
            RepairRecord(owner, recordPath);
    } else if (outcome->state == BACKUP_NOT_RECORD) {
        ShowError(owner, message.data);
    } else if (message.length) {
        ShowWarning(owner, message.data);
    }
    message.Release();
}
