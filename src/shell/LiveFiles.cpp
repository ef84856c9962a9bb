#include "shell/LiveFiles.h"
#include "base/Settings.h"
#include "base/TextUtil.h"
#include "shell/AppState.h"
#include "shell/PendingMatches.h"
#include "shell/TrayIcon.h"
#include "store/CharacterNames.h"
#include "store/OpponentNotes.h"
#include "store/RecordSummaries.h"
#include "store/StatsRows.h"
#include "store/TimeStamp.h"

// The texts are made in the code page, as everything in the tool, and turned
// into UTF-8 only for the files. Line ends are bare line feeds, which every
// stream program's text source breaks on.
#define CARD_TITLE "対戦相手 %s"
#define TALLY_ALL_TIME "通算"
#define TALLY_RECENT "30日"
#define TALLY_SESSION "今回"
#define TALLY_LINE "%s %d戦 %d勝 %d敗 %s"
#define LAST_MET_LINE "最終対戦 %s"
#define LAST_RESULTS_LINE "直近 %s"
#define FIRST_MEETING "初対戦"
#define NOTE_LINE "メモ: "
#define AGAINST_CHARACTER "対%s(全体)"
#define RESULT_LINE "%s %s(%s) %d-%d %s(%s)\n"
#define NOTHING_YET "-"
#define WON "勝"
#define LOST "負"
#define WON_MATCH "勝ち"
#define LOST_MATCH "負け"
#define WIN_STREAK " %d連勝"
#define LOSS_STREAK " %d連敗"

const UINT BALLOON_TIMEOUT_MS = 10000;
// The balloon's body holds this many bytes and its terminator.
const int32_t BALLOON_BODY_LIMIT = 255;
const UINT CODE_PAGE_932 = 932;

// "通算 3戦 2勝 1敗 67%"; no rate before the first match.
static void AppendTally(TextBuffer* text, const char* label, const WinLoss& tally)
{
    char rate[16] = NOTHING_YET;
    int32_t played = tally.wins + tally.losses;
    if (played)
        wnsprintfA(rate, sizeof rate, "%d%%", WinRate(tally.wins, tally.losses));
    char line[FORMAT_TEXT_LIMIT];
    text->Append(FormatText(line, TALLY_LINE, label, played, tally.wins, tally.losses, rate));
}

// Code page text to UTF-8; bytes that are no code page 932 text become the
// system's stand-in character. Into utf8 (initialised); false on failure.
static bool ToUtf8(const char* text, TextBuffer* utf8)
{
    int wideCount = MultiByteToWideChar(CODE_PAGE_932, 0, text, -1, nullptr, 0);
    if (wideCount <= 0)
        return false;
    WideTextBuffer wide;
    wide.Init();
    wide.Resize(static_cast<uint32_t>(wideCount));
    bool ok = MultiByteToWideChar(CODE_PAGE_932, 0, text, -1, wide.data, wideCount) == wideCount;
    int count = ok ? WideCharToMultiByte(CP_UTF8, 0, wide.data, -1, nullptr, 0, nullptr, nullptr) : 0;
    ok = count > 0;
    if (ok) {
        char* bytes = static_cast<char*>(Heap.Allocate(static_cast<size_t>(count)));
        ok = WideCharToMultiByte(CP_UTF8, 0, wide.data, -1, bytes, count, nullptr, nullptr) == count;
        if (ok)
            utf8->Assign(bytes);
        Heap.Free(bytes);
    }
    wide.Release();
    return ok;
}

// New texts that wait beside their file (as name.tmp) because a reader holds
// the file open and it cannot be replaced: moved over it at the next write
// and at each tick of a timer, so that a stream never keeps a stale card.
const int HELD_FILE_SLOTS = 4;
static char heldFiles[HELD_FILE_SLOTS][PROGRAM_PATH_SIZE];
const UINT LIVE_RETRY_INTERVAL_MS = 1000;

static void KeepHeldFile(const char* path)
{
    int slot = 0;
    for (int i = HELD_FILE_SLOTS; i-- > 0;)
        if (!heldFiles[i][0] || lstrcmpiA(heldFiles[i], path) == 0)
            slot = i;
    lstrcpynA(heldFiles[slot], path, PROGRAM_PATH_SIZE);
    if (App.mainWindow)
        SetTimer(App.mainWindow, LIVE_RETRY_TIMER, LIVE_RETRY_INTERVAL_MS, nullptr);
}

void RetryHeldLiveFiles()
{
    bool held = false;
    for (char* path : heldFiles) {
        if (!path[0])
            continue;
        TextBuffer temporary;
        temporary.InitFrom(path);
        temporary.Append(".tmp");
        // Gone meanwhile (a newer text took its place): nothing left to move.
        if (!PathFileExistsA(temporary.data) || MoveFileExA(temporary.data, path, MOVEFILE_REPLACE_EXISTING))
            path[0] = '\0';
        held = held || path[0];
        temporary.Release();
    }
    if (!held && App.mainWindow)
        KillTimer(App.mainWindow, LIVE_RETRY_TIMER);
}

// Replaces folder\name with text in UTF-8: written beside it under another
// name first, then moved over it in one step.
static void WriteLiveFile(const char* folder, const char* name, const char* text)
{
    TextBuffer utf8, path, temporary;
    utf8.Init();
    path.InitFrom(folder);
    path.AppendPath(name);
    temporary.InitFrom(path.data);
    temporary.Append(".tmp");
    if (ToUtf8(text, &utf8)) {
        HANDLE file = CreateFileA(temporary.data, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            bool ok = WriteFile(file, utf8.data, utf8.length, &written, nullptr) && written == utf8.length;
            CloseHandle(file);
            if (ok && !MoveFileExA(temporary.data, path.data, MOVEFILE_REPLACE_EXISTING) && PathFileExistsA(path.data))
                KeepHeldFile(path.data);
            else if (!ok)
                DeleteFileA(temporary.data);
        }
    }
    temporary.Release();
    path.Release();
    utf8.Release();
}

// The folder of the files, created when missing; false while they are off.
// A drive without its medium then fails quietly instead of asking the player
// in a system dialog over the game: EndLiveFiles restores the error mode.
static bool LiveFolder(char* folder, UINT* errorMode)
{
    if (!LiveFilesEnabled())
        return false;
    *errorMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    RetryHeldLiveFiles();
    ReadLiveFolder(folder, PROGRAM_PATH_SIZE);
    CreateDirectoryA(folder, nullptr);
    return true;
}

static void EndLiveFiles(UINT errorMode)
{
    SetErrorMode(errorMode);
}

static void WriteCharacter(const char* folder, int32_t character, int64_t now)
{
    CharacterSummary summary;
    if (character < 0 || character >= CHARACTER_COUNT || !SummariseCharacter(character, now, &summary))
        return;
    TextBuffer text;
    text.InitFrom(CharacterShortName(character));
    text.Append("\n");
    AppendTally(&text, TALLY_ALL_TIME, summary.allTime);
    text.Append("\n");
    AppendTally(&text, TALLY_RECENT, summary.recent);
    text.Append("\n");
    WriteLiveFile(folder, LIVE_CHARACTER_FILE, text.data);
    text.Release();
}

static void WriteSession(const char* folder, int64_t now)
{
    CurrentSession summary;
    if (!SummariseSession(now, &summary))
        return;
    TextBuffer text;
    text.Init();
    AppendTally(&text, TALLY_SESSION, summary.results);
    char streak[FORMAT_TEXT_LIMIT] = "";
    if (summary.streak)
        FormatText(streak, summary.streak > 0 ? WIN_STREAK : LOSS_STREAK,
                   summary.streak > 0 ? summary.streak : -summary.streak);
    text.Append(streak);
    text.Append("\n");
    WriteLiveFile(folder, LIVE_SESSION_FILE, text.data);
    text.Release();
}

// The card under its title, each line ending in a line feed: the record
// against the opponent or the first meeting, the player's characters against
// it, and the record against the character it plays now over all opponents.
// note: the lines of the note on the opponent to show, or "".
static void AppendCard(TextBuffer* body, const OpponentSummary& summary, int32_t opponentCharacter, const char* note)
{
    char line[FORMAT_TEXT_LIMIT];
    if (!summary.met) {
        body->Append(FIRST_MEETING "\n");
    } else {
        char day[16] = NOTHING_YET, last[16] = "";
        SYSTEMTIME met;
        if (summary.lastMet && LocalTimeFromTimestamp(summary.lastMet, &met))
            wnsprintfA(day, sizeof day, "%04u/%02u/%02u", met.wYear, met.wMonth, met.wDay);
        for (uint32_t i = 0; i < summary.lastCount; ++i)
            lstrcatA(last, summary.last[i] == 'W' ? WON : LOST);
        AppendTally(body, TALLY_ALL_TIME, summary.allTime);
        body->Append("\n");
        AppendTally(body, TALLY_RECENT, summary.recent);
        body->Append("\n");
        body->Append(FormatText(line, LAST_MET_LINE, day));
        body->Append("\n");
        body->Append(FormatText(line, LAST_RESULTS_LINE, summary.lastCount ? last : NOTHING_YET));
        body->Append("\n");
    }
    // What the player wrote on this opponent stands above the numbers by character.
    if (note[0]) {
        body->Append(NOTE_LINE);
        body->Append(note);
        body->Append("\n");
    }
    for (uint32_t i = 0; i < summary.characterCount; ++i) {
        AppendTally(body, CharacterShortName(summary.characters[i].p1id), summary.characters[i].results);
        body->Append("\n");
    }
    WinLoss against;
    if (SummariseAgainstCharacter(opponentCharacter, &against) && against.wins + against.losses) {
        AppendTally(body, FormatText(line, AGAINST_CHARACTER, CharacterShortName(opponentCharacter)), against);
        body->Append("\n");
    }
}

void ShowMatchStart(const char* opponentName, int32_t ownCharacter, int32_t opponentCharacter)
{
    char folder[PROGRAM_PATH_SIZE];
    UINT errorMode;
    if (!LiveFolder(folder, &errorMode))
        return;
    int64_t now = CurrentTimestamp();
    OpponentSummary summary;
    if (SummariseOpponent(opponentName, now, &summary)) {
        char title[FORMAT_TEXT_LIMIT];
        FormatText(title, CARD_TITLE, opponentName);
        // The note reaches a stream only when the player says so; the balloon
        // is the player's own and takes its first line.
        char note[NOTE_SIZE], firstLine[NOTE_SIZE];
        if (!ReadOpponentNote(opponentName, note, BRIEF_BUSY_WAIT_MS))
            note[0] = '\0';
        lstrcpynA(firstLine, note, sizeof firstLine);
        firstLine[StrCSpnA(firstLine, "\r\n")] = '\0';
        for (char* at = note; (at = StrChrA(at, '\r')) != nullptr;)
            memmove(at, at + 1, lstrlenA(at));  // one line feed a line, as every live file
        bool showNotes = ReadSettingInt(SECTION_LIVE_FILES, KEY_LIVE_SHOW_NOTES, 0) == 1;
        TextBuffer body, card;
        body.Init();
        AppendCard(&body, summary, opponentCharacter, showNotes ? note : "");
        card.InitFrom(title);
        card.Append("\n");
        card.Append(body.data);
        WriteLiveFile(folder, LIVE_OPPONENT_FILE, card.data);
        body.Assign("");
        AppendCard(&body, summary, opponentCharacter, firstLine);
        // The balloon takes the lines without the last line feed, cut to what it holds.
        char balloon[BALLOON_BODY_LIMIT + 2];
        lstrcpynA(balloon, body.data, sizeof balloon);
        int32_t lines = static_cast<int32_t>(body.length) - 1;
        CutToWholeCharacters(balloon, lines < BALLOON_BODY_LIMIT ? lines : BALLOON_BODY_LIMIT);
        ShowTrayBalloon(title, balloon, BALLOON_TIMEOUT_MS);
        card.Release();
        body.Release();
    }
    WriteSession(folder, now);
    WriteCharacter(folder, ownCharacter, now);
    EndLiveFiles(errorMode);
}

void ShowMatchResult(const MatchRecord* record)
{
    char folder[PROGRAM_PATH_SIZE];
    UINT errorMode;
    if (!LiveFolder(folder, &errorMode))
        return;
    const char* outcome = record->p1win == 2 ? WON_MATCH : record->p2win == 2 ? LOST_MATCH : NOTHING_YET;
    char line[FORMAT_TEXT_LIMIT];
    FormatText(line, RESULT_LINE, outcome, record->p1name, CharacterShortName(record->p1id), record->p1win,
               record->p2win, record->p2name, CharacterShortName(record->p2id));
    WriteLiveFile(folder, LIVE_RESULT_FILE, line);
    int64_t now = CurrentTimestamp();
    WriteSession(folder, now);
    WriteCharacter(folder, record->p1id, now);
    EndLiveFiles(errorMode);
}
