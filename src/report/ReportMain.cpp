// The report program, started by vty.exe each time the game has gone (or with
// a record file dropped on it): checks and backs up the record, then shows
// the report. It never changes the record.
#include "base/ProgramPaths.h"
#include "base/Settings.h"
#include "base/TextUtil.h"
#include "report/DailyBackup.h"
#include "report/RecordTools.h"
#include "report/ReportWindow.h"
#include "store/RecordMerge.h"
#include "ui/window/CodePageWarning.h"
#include "ui/window/MessageBoxes.h"
#include <commctrl.h>
#include <stdlib.h>

// A path on the command line wins; then the profile that vty.exe keeps in its
// settings; then the record file it creates by default.
static void FindRecordPath(char* path)
{
    if (__argc > 1) {
        lstrcpynA(path, __argv[1], SETTING_PATH_SIZE);
        return;
    }
    if (ReadSettingText(SECTION_GENERAL, KEY_PROFILE, "", path, SETTING_PATH_SIZE) > 0)
        return;
    lstrcpynA(path, ModuleDirectory.data, SETTING_PATH_SIZE);
    PathAppendA(path, "Default.db");
}

// Tries after the first when the record cannot be read now, and the pause
// before each.
const int BUSY_RETRIES = 3;
const DWORD BUSY_RETRY_PAUSE_MS = 1500;

static void TellRecordProblem(const char* text, const char* path)
{
    TextBuffer message;
    message.InitFrom(text);
    message.Append("\r\n");
    message.Append(path);
    ShowError(nullptr, message.data);
    message.Release();
}

// A lock or a hot journal is often gone a moment later: vty.exe finishes
// storing a match, or rolls the journal back when it opens the record.
static RecordAccess ProbeUntilReadable(RecordReader* record)
{
    for (int attempt = 0;; ++attempt) {
        RecordAccess access = ProbeRecord(record);
        if (access != RECORD_BUSY || attempt == BUSY_RETRIES)
            return access;
        Sleep(BUSY_RETRY_PAUSE_MS);
    }
}

// The report shows while the day's backup is made on a thread of its own.
// A record that cannot be read now, holds no record or is damaged is told
// of first, and only a damaged one (the player may have repaired it) is
// still shown as far as it can be read.
static int RunReport(HINSTANCE instance)
{
    char path[SETTING_PATH_SIZE];
    FindRecordPath(path);
    RecordReader* record = PathFileExistsA(path) ? OpenRecordReader(path) : nullptr;
    if (!record) {
        TellRecordProblem("プロファイルを開けませんでした。", path);
        return 1;
    }
    // What a merge killed while writing left beside the record.
    char folder[SETTING_PATH_SIZE];
    lstrcpynA(folder, path, sizeof folder);
    PathRemoveFileSpecA(folder);
    RemoveStaleMergeFiles(folder);
    SYSTEMTIME today;
    GetLocalTime(&today);
    DailyBackup backup;
    bool backingUp = ProbeUntilReadable(record) == RECORD_READABLE && StartDailyBackup(&backup, path, &today);
    if (!backingUp) {
        BackupOutcome outcome;
        MakeDailyBackup(record, path, &today, &outcome);
        char notes[SETTING_PATH_SIZE];
        ProgramNotesPath(notes);
        BackUpNotes(notes, &today, &outcome);
        ShowBackupOutcome(nullptr, &outcome, path);
        // Nothing to show: the message has said why.
        if (outcome.state == BACKUP_BUSY || outcome.state == BACKUP_NOT_RECORD) {
            CloseRecordReader(record);
            return 1;
        }
    }
    bool cancelled = false;
    if (!CreateReportWindow(instance, record, path, backingUp ? &backup : nullptr, &cancelled)) {
        // What the backup finds (a damaged record) says more than the failed read.
        if (backingUp && cancelled)
            CancelDailyBackup(&backup);
        if (backingUp)
            FinishDailyBackup(&backup);
        bool told = backingUp && backup.outcome.state != BACKUP_MADE && backup.outcome.state != BACKUP_ALREADY_TODAY;
        if (!cancelled && !told)
            TellRecordProblem("プロファイルを読めませんでした。", path);
        return 1;
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (backingUp)
        FinishDailyBackup(&backup);
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls,
                                     ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    // The report needs only where it runs from; the record's change lists and
    // shortcuts are the tool's.
    Heap.Init();
    ModuleDirectory.Init();
    SettingsPath.Init();
    ComputeProgramPaths();
    WarnAboutCodePage(nullptr);
    int result = RunReport(instance);
    ModuleDirectory.Release();
    SettingsPath.Release();
    return result;
}
