#include "shell/PendingMatches.h"
#include "base/Messages.h"
#include "base/ProgramPaths.h"
#include "base/TextUtil.h"
#include "shell/AppState.h"
#include "shell/TrayIcon.h"
#include "store/CharacterNames.h"
#include "store/MatchStore.h"
#include "store/OpponentNotes.h"
#include "store/TimeStamp.h"
#include "ui/history/NoteDialog.h"
#include "ui/window/MessageBoxes.h"

// Within the tray's 128-byte tip in code page 932.
#define PENDING_TIP "未保存の対戦結果が %u 件あります（プロファイルに書き込めません）"
#define OTHER_RECORD_TIP "%u 件の対戦結果がプロファイル「%s」を開くのを待っています"
#define PENDING_FILE_NAME "未保存の対戦結果(%s) %04u%02u%02u-%02u%02u%02u%s.db"
#define ERROR_MATCHES_LOST "%u 件の対戦結果を保存できませんでした。"
#define MATCHES_LOST_LIST "一覧をクリップボードにコピーしました。"
#define MATCHES_NOT_SHOWN "ほか %u 件"
#define ERROR_NOTES_LOST "%u 件の相手メモを保存できませんでした（メモのファイルが使用中です）。"

// Rescue files made in the same second get a number.
const int RESCUE_NAME_TRIES = 10;
// A message box taller than the screen hides its button.
const uint32_t LOST_MATCHES_SHOWN = 20;
// Leaves room in the tip for the text around a record's name.
const int32_t TIP_RECORD_NAME_LIMIT = 60;

// The refresh follows each stored match as it does a match stored at once.
static void AfterStored(const MatchRecord*)
{
    if (App.statsWindow)
        PostMessageA(App.statsWindow, WM_RECORDCHANGED, 0, 0);
}

// A record's file name without folder and extension.
static void RecordName(const char* recordPath, char* name, int size)
{
    lstrcpynA(name, PathFindFileNameA(recordPath), size);
    PathRemoveExtensionA(name);
}

// The tip tells the player while matches wait, so that they can free the
// file, or load the record that others wait for; the timer runs while the
// current record has matches waiting or a match is in memory only.
static void ShowPendingState()
{
    char tip[FORMAT_TEXT_LIMIT];
    uint32_t current = CountWaitingMatches(true);
    const char* other = OtherWaitingRecord();
    if (current) {
        FormatText(tip, PENDING_TIP, current);
    } else if (other) {
        char name[MAX_PATH];
        RecordName(other, name, sizeof name);
        CutToWholeCharacters(name, TIP_RECORD_NAME_LIMIT);
        FormatText(tip, OTHER_RECORD_TIP, CountWaitingMatches(false), name);
    } else {
        lstrcpynA(tip, TRAY_TIP, sizeof tip);
    }
    SetTrayTip(tip);
    if (!App.mainWindow)
        return;
    if (current || JournalWaitingMatches() || WaitingNotes.count)
        SetTimer(App.mainWindow, PENDING_RETRY_TIMER, PENDING_RETRY_INTERVAL_MS, nullptr);
    else
        KillTimer(App.mainWindow, PENDING_RETRY_TIMER);
}

void StartPendingMatches()
{
    TextBuffer path;
    path.InitFrom(ModuleDirectory.data);
    path.AppendPath(MATCH_JOURNAL_NAME);
    OpenMatchJournal(path.data);
    path.Assign(ModuleDirectory.data);
    path.AppendPath(NOTES_FILE_NAME);
    SetNotesPath(path.data);
    path.Release();
    SetNoteWaitingHandler(ShowPendingState);
    RetryPendingMatches(BRIEF_BUSY_WAIT_MS);
}

bool StoreFinishedMatch(const MatchRecord* record)
{
    StoreWaitingMatches(BRIEF_BUSY_WAIT_MS, AfterStored);
    // Behind a match that still waits, a newer one would only jump the line.
    uint32_t outcome = CountWaitingMatches(true) ? MATCH_NOT_WRITTEN : StoreMatch(record, BRIEF_BUSY_WAIT_MS);
    if (outcome == MATCH_STORED)
        AfterStored(record);
    else if (outcome == MATCH_NOT_WRITTEN)
        AddWaitingMatch(record);
    ShowPendingState();
    return outcome != MATCH_REFUSED;
}

void RetryPendingMatches(int busyWaitMs)
{
    StoreWaitingMatches(busyWaitMs, AfterStored);
    if (WaitingNotes.count)
        RetryOpponentNotes(busyWaitMs);
    ShowPendingState();
}

// ModuleDirectory\未保存の対戦結果(record) date-time[-n].db, the first that is free.
static bool WriteRescueFile(const char* recordPath, const GrowArray<MatchRecord>* matches)
{
    char record[MAX_PATH];
    RecordName(recordPath, record, sizeof record);
    SYSTEMTIME now;
    GetLocalTime(&now);
    TextBuffer path;
    path.Init();
    bool written = false;
    for (int n = 1; !written && n <= RESCUE_NAME_TRIES; ++n) {
        char number[16] = "";
        if (n > 1)
            wnsprintfA(number, sizeof number, "-%d", n);
        char name[FORMAT_TEXT_LIMIT];
        FormatText(name, PENDING_FILE_NAME, record, now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                   now.wSecond, number);
        path.Assign(ModuleDirectory.data);
        path.AppendPath(name);
        if (!PathFileExistsA(path.data))
            written = WriteNewRecordFile(path.data, matches->data, matches->count);
    }
    path.Release();
    return written;
}

// Moves the matches in memory only of the oldest one's record into a rescue
// file; those it cannot take go to lost. False when none is left.
static bool RescueOneRecord(GrowArray<MatchRecord>* lost)
{
    uint32_t first = 0;
    while (first < WaitingMatches.count && WaitingMatches.At(first).journaled)
        ++first;
    if (first == WaitingMatches.count)
        return false;
    char recordPath[SETTING_PATH_SIZE];
    lstrcpynA(recordPath, WaitingMatches.At(first).recordPath, sizeof recordPath);
    GrowArray<MatchRecord> matches;
    matches.Init();
    uint32_t kept = 0;
    for (uint32_t i = 0; i < WaitingMatches.count; ++i) {
        const WaitingMatch& match = WaitingMatches.At(i);
        if (!match.journaled && lstrcmpiA(match.recordPath, recordPath) == 0)
            matches.Append(match.record);
        else
            WaitingMatches.data[kept++] = match;
    }
    WaitingMatches.count = kept;
    if (!WriteRescueFile(recordPath, &matches))
        for (uint32_t i = 0; i < matches.count; ++i)
            lost->Append(matches.At(i));
    matches.Clear();
    return true;
}

// One line a match, as the player would write it down.
static void AppendMatchLine(TextBuffer* text, const MatchRecord* match)
{
    SYSTEMTIME at = {};
    LocalTimeFromTimestamp(match->timestamp, &at);
    char line[FORMAT_TEXT_LIMIT];
    FormatText(line, "%04u/%02u/%02u %02u:%02u:%02u %s(%s) %d-%d %s(%s)\r\n", at.wYear, at.wMonth, at.wDay,
               at.wHour, at.wMinute, at.wSecond, match->p1name, CharacterShortName(match->p1id), match->p1win,
               match->p2win, match->p2name, CharacterShortName(match->p2id));
    text->Append(line);
}

// Nothing kept them: the player sees each one, and can paste the list.
static void ShowLostMatches(const GrowArray<MatchRecord>* lost)
{
    TextBuffer list, message;
    list.Init();
    message.Init();
    char line[FORMAT_TEXT_LIMIT];
    message.Append(FormatText(line, ERROR_MATCHES_LOST, lost->count));
    message.Append("\r\n\r\n");
    for (uint32_t i = 0; i < lost->count; ++i) {
        AppendMatchLine(&list, &lost->data[i]);
        if (i < LOST_MATCHES_SHOWN)
            AppendMatchLine(&message, &lost->data[i]);
    }
    if (lost->count > LOST_MATCHES_SHOWN)
        message.Append(FormatText(line, MATCHES_NOT_SHOWN "\r\n", lost->count - LOST_MATCHES_SHOWN));
    if (CopyTextToClipboard(list.data, static_cast<int>(list.length)))
        message.Append("\r\n" MATCHES_LOST_LIST);
    ShowError(nullptr, message.data);
    list.Release();
    message.Release();
}

// The notes neither the file nor the journal took: the player can paste
// them somewhere.
static void ShowLostNotes()
{
    TextBuffer list;
    list.Init();
    for (uint32_t i = 0; i < WaitingNotes.count; ++i) {
        if (WaitingNotes.At(i).journaled)
            continue;
        list.Append(WaitingNotes.At(i).name);
        list.Append(":\r\n");
        list.Append(WaitingNotes.At(i).note);
        list.Append("\r\n\r\n");
    }
    char message[FORMAT_TEXT_LIMIT];
    FormatText(message, ERROR_NOTES_LOST, UnjournaledNotes());
    if (CopyTextToClipboard(list.data, static_cast<int>(list.length)))
        lstrcatA(message, "\r\n" MATCHES_LOST_LIST);
    ShowError(nullptr, message);
    list.Release();
}

void EndPendingMatches()
{
    // A note in the journal waits there for the next start.
    if (WaitingNotes.count && !RetryOpponentNotes(DATABASE_BUSY_TIMEOUT_MS) && UnjournaledNotes())
        ShowLostNotes();
    CloseOpponentNotes();
    WaitingNotes.Clear();
    RetryPendingMatches(DATABASE_BUSY_TIMEOUT_MS);
    GrowArray<MatchRecord> lost;
    lost.Init();
    if (JournalWaitingMatches())
        while (RescueOneRecord(&lost)) {
        }
    if (lost.count)
        ShowLostMatches(&lost);
    lost.Clear();
    CloseMatchJournal();
    WaitingMatches.Clear();
}
