#include "report/RecordTools.h"
#include "base/Settings.h"
#include "base/TextUtil.h"
#include "report/Backup.h"
#include "report/ProgressDialog.h"
#include "store/CharacterNames.h"
#include "store/NotesFile.h"
#include "store/RecordMerge.h"
#include "store/TimeStamp.h"
#include "ui/window/FileDialog.h"
#include "ui/window/MessageBoxes.h"
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#define LIVE_FOLDER_ITEM "配信用フォルダーを開く: "
#define RECORD_FILTER "プロファイル (*.db)\0*.db\0すべてのファイル (*.*)\0*.*\0"
// Conflicts listed in the summary; the count says how many more there are.
const uint32_t CONFLICTS_LISTED = 8;

void AppendRecordToolsMenu(HMENU bar)
{
    HMENU tools = CreatePopupMenu();
    AppendMenuA(tools, MF_STRING, ID_TOOLS_MERGE, "別のプロファイルと合わせて新しいファイルを作る(&M)...");
    AppendMenuA(tools, MF_STRING, ID_TOOLS_REPAIR, "壊れたプロファイルを修復する(&R)...");
    AppendMenuA(tools, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(tools, MF_STRING, ID_TOOLS_LIVE_FILES, "配信用ファイルを書き出す(&L)");
    AppendMenuA(tools, MF_STRING, ID_TOOLS_LIVE_FOLDER_OPEN, LIVE_FOLDER_ITEM);
    AppendMenuA(tools, MF_STRING, ID_TOOLS_LIVE_FOLDER_CHOOSE, "配信用フォルダーを選ぶ(&F)...");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(tools), "記録と配信(&R)");
}

void UpdateRecordToolsMenu(HMENU menu)
{
    if (GetMenuState(menu, ID_TOOLS_LIVE_FILES, MF_BYCOMMAND) == static_cast<UINT>(-1))
        return;
    CheckMenuItem(menu, ID_TOOLS_LIVE_FILES, MF_BYCOMMAND | (LiveFilesEnabled() ? MF_CHECKED : MF_UNCHECKED));
    char folder[SETTING_PATH_SIZE];
    ReadLiveFolder(folder, sizeof folder);
    // A menu takes '&' as the mark of the access key.
    TextBuffer text;
    text.InitFrom(LIVE_FOLDER_ITEM);
    for (const char* c = folder; *c; ++c) {
        char one[3] = {*c, '\0', '\0'};
        if (*c == '&')
            one[1] = '&';
        else if (IsDBCSLeadByte(static_cast<BYTE>(*c)) && c[1])
            one[1] = *++c;
        text.Append(one);
    }
    ModifyMenuA(menu, ID_TOOLS_LIVE_FOLDER_OPEN, MF_BYCOMMAND | MF_STRING, ID_TOOLS_LIVE_FOLDER_OPEN, text.data);
    text.Release();
}

// The open-file dialog for an input, starting in folder when given.
static bool ChooseInput(HWND window, const char* title, const char* folder, char* path)
{
    path[0] = '\0';
    return ChooseFile(window, RECORD_FILTER, nullptr, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, path,
                      SETTING_PATH_SIZE, folder[0] ? folder : nullptr, title);
}

static bool SamePath(const char* a, const char* b)
{
    char fullA[MAX_PATH], fullB[MAX_PATH];
    return GetFullPathNameA(a, MAX_PATH, fullA, nullptr) && GetFullPathNameA(b, MAX_PATH, fullB, nullptr) &&
           lstrcmpiA(fullA, fullB) == 0;
}

static void ShowWithPath(HWND window, bool error, const char* text, const char* path, const char* after = "")
{
    TextBuffer message;
    message.InitFrom(text);
    message.Append("\r\n");
    message.Append(path);
    message.Append(after);
    if (error)
        ShowError(window, message.data);
    else
        ShowWarning(window, message.data);
    message.Release();
}

// Why an input cannot be merged; nothing has been written.
static void TellInputProblem(HWND window, int32_t state, const char* path)
{
    const char* untouched = "\r\n\r\n新しいファイルは作っていません。どのファイルも変更していません。";
    switch (state) {
    case MERGE_INPUT_DAMAGED:
        ShowWithPath(window, true,
                     "このプロファイルは壊れているため合わせられません（SQLite のデータベースでないか、"
                     "整合性の検査で問題が見つかりました）。",
                     path, untouched);
        break;
    case MERGE_INPUT_NOT_RECORD:
        ShowWithPath(window, true,
                     "このファイルには対戦の記録がありません（空のファイルか、プロファイルではないデータベースです）。",
                     path, untouched);
        break;
    case MERGE_INPUT_BUSY:
        ShowWithPath(window, false,
                     "プロファイルを今は読めません（ほかのプログラムが使用中か、vty.exe が記録の保存の途中で"
                     "止まっています）。",
                     path, "\r\n\r\nファイルはそのままにして、しばらくしてからもう一度試してください。");
        break;
    default:
        ShowWithPath(window, true, "プロファイルを開けませんでした。", path, untouched);
        break;
    }
}

static void AppendCharacter(TextBuffer* text, int32_t id)
{
    char number[16];
    text->Append(id >= 0 && id < CHARACTER_COUNT ? CharacterShortName(id) : FormatText(number, "%d", id));
}

// "me(霊夢) 2-1 bob(魔理沙)", as the clipboard line after a match.
static void AppendMatch(TextBuffer* text, const MatchRecord* row)
{
    char line[FORMAT_TEXT_LIMIT];
    text->Append(row->p1name);
    text->Append("(");
    AppendCharacter(text, row->p1id);
    text->Append(FormatText(line, ") %d-%d ", row->p1win, row->p2win));
    text->Append(row->p2name);
    text->Append("(");
    AppendCharacter(text, row->p2id);
    text->Append(")");
}

// The conflicts, the first few with both of their matches, first being the
// name of the input whose row keeps its time.
static void AppendConflicts(TextBuffer* text, const RecordMerge* merge, const char* first, const char* second)
{
    char line[FORMAT_TEXT_LIMIT];
    for (uint32_t i = 0; i < merge->conflicts.count && i < CONFLICTS_LISTED; ++i) {
        const MergeConflict* conflict = &merge->conflicts.data[i];
        SYSTEMTIME at = {};
        LocalTimeFromTimestamp(conflict->first.timestamp, &at);
        text->Append(FormatText(line, "\r\n  %04d/%02d/%02d %02d:%02d:%02d.%03d\r\n    %s: ", at.wYear, at.wMonth,
                                at.wDay, at.wHour, at.wMinute, at.wSecond, at.wMilliseconds, first));
        AppendMatch(text, &conflict->first);
        text->Append(FormatText(line, "\r\n    %s: ", second));
        AppendMatch(text, &conflict->second);
    }
    if (merge->conflicts.count > CONFLICTS_LISTED)
        text->Append(FormatText(line, "\r\n  ほか %d 組", merge->conflicts.count - CONFLICTS_LISTED));
}

// The words of one kind of join in its summary.
struct JoinWords {
    const char* first;      // the input whose rows keep their time
    const char* second;     // the input whose conflicting rows move
    const char* total;      // the rows of the new file
    const char* untouched;  // that neither input is changed
    const char* unchanged;  // that neither input was changed
    const char* title;
};
static const JoinWords mergeWords = {"1つ目", "2つ目", "合わせた記録", "どちらのファイルも変更しません。",
                                     "元のプロファイルはどちらも変更していません。", "プロファイルを合わせる"};
static const JoinWords repairWords = {"壊れたファイル", "バックアップ", "修復した記録",
                                      "壊れたファイルもバックアップも変更しません。",
                                      "壊れたプロファイルとバックアップはどちらも変更していません。",
                                      "プロファイルを修復する"};

// The summary's end (the conflicts, the total) after the counts in text,
// shown with OK and Cancel; true when the player goes on to save.
static bool AskToSave(HWND owner, TextBuffer* text, const RecordMerge* merge, const JoinWords* words)
{
    char line[FORMAT_TEXT_LIMIT];
    if (merge->conflicts.count)
        text->Append(FormatText(line, "（同じ時刻で内容が違う対戦。どちらも残し、%sの方は時刻を 0.1 マイクロ秒後ろにずらします）",
                                words->second));
    AppendConflicts(text, merge, words->first, words->second);
    text->Append(FormatText(line, "\r\n\r\n%s: %d 件\r\n\r\n%sOK を押すと、保存する新しいファイルの名前を選べます。",
                            words->total, merge->merged, words->untouched));
    bool go = MessageBoxA(owner, text->data, words->title, MB_OKCANCEL | MB_ICONINFORMATION) == IDOK;
    text->Release();
    return go;
}

// What the merge gives; true when the player goes on to save it.
static bool AskToMerge(HWND window, const RecordMerge* merge, const char* first, const char* second)
{
    char line[FORMAT_TEXT_LIMIT];
    TextBuffer text;
    text.InitFrom("2つのプロファイルを合わせると、次のようになります。\r\n1つ目: ");
    text.Append(first);
    text.Append("\r\n2つ目: ");
    text.Append(second);
    text.Append(FormatText(line,
                           "\r\n\r\n1つ目だけにある対戦: %d 件\r\n2つ目だけにある対戦: %d 件\r\n"
                           "両方にある同じ対戦: %d 件（1件として数えます）\r\n食い違う対戦: %d 組",
                           merge->firstOnly, merge->secondOnly, merge->both, merge->conflicts.count));
    return AskToSave(window, &text, merge, &mergeWords);
}

// A new file for the merged or repaired record, beside the first input and
// named after it with ending: never an input, nor any file that exists.
static bool ChooseOutput(HWND window, const char* first, const char* second, const char* ending, const char* title,
                         char* path)
{
    char folder[SETTING_PATH_SIZE];
    lstrcpynA(folder, first, sizeof folder);
    PathRemoveFileSpecA(folder);
    lstrcpynA(path, PathFindFileNameA(first), SETTING_PATH_SIZE);
    PathRemoveExtensionA(path);
    lstrcatA(path, ending);
    for (;;) {
        if (!ChooseNewFile(window, RECORD_FILTER, "db", OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, path, SETTING_PATH_SIZE,
                           folder, title))
            return false;
        if (SamePath(path, first) || (second[0] && SamePath(path, second)))
            ShowWithPath(window, false, "合わせる元のプロファイルには保存できません。新しい名前を選んでください。", path);
        else if (PathFileExistsA(path))
            ShowWithPath(window, false, "すでにあるファイルには保存しません。新しい名前を選んでください。", path);
        else
            return true;
    }
}

#define HOW_TO_USE                                                                                           \
    "\r\n\r\n使うには: vty.exe の対戦表のタイトルバーを右クリックして「プロファイルを読み込む」"         \
    "でこのファイルを開くか、通知領域のアイコンのメニュー「プロフ短縮キー設定」でキーに割り当てて"             \
    "ください。読み込んだあとの対戦はこのファイルに記録されます。\r\n"

// Writes the new file and tells where it is and what it holds (detail), or
// that it could not be written; true when it was written.
static bool SaveJoined(HWND owner, RecordMerge* merge, const char* output, const char* detail,
                       const JoinWords* words)
{
    char line[FORMAT_TEXT_LIMIT];
    ProgressDialog progress;
    WorkProgress work;
    BeginProgress(&progress, owner, words->title, "新しいプロファイルに保存しています...", &work);
    bool written = WriteMergedRecord(merge, output, &work);
    EndProgress(&progress);
    // Cancelled: no file was left, as the player asked.
    if (ProgressCancelled(&progress))
        return false;
    if (!written) {
        ShowWithPath(owner, true,
                     FormatText(line, "%sを保存できませんでした（書き込めないか、保存した記録の検査で問題が"
                                      "見つかりました）。新しいファイルは作っていません。",
                                words->total),
                     output);
        return false;
    }
    TextBuffer text;
    text.InitFrom(FormatText(line, "%s（%d 件、検査済み）を新しいファイルに保存しました。\r\n", words->total,
                             merge->merged));
    text.Append(output);
    text.Append(detail);
    text.Append(HOW_TO_USE);
    text.Append(words->unchanged);
    MessageBoxA(owner, text.data, words->title, MB_OK | MB_ICONINFORMATION);
    text.Release();
    return true;
}

#define NOTES_TITLE "相手メモを合わせる"
#define NOTES_FILTER "相手メモ (vty_notes.db)\0" NOTES_FILE_NAME "\0データベース (*.db)\0*.db\0"

// A name as a message can show it: a byte that is no character of code
// page 932 (a name cut in the middle, a control character) as '?'.
static void AppendShownName(TextBuffer* text, const char* name)
{
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(name); *c; ++c) {
        bool lead = (*c >= 0x81 && *c <= 0x9F) || (*c >= 0xE0 && *c <= 0xFC);
        char one[3] = {static_cast<char>(*c), '\0', '\0'};
        if (lead && ((c[1] >= 0x40 && c[1] <= 0x7E) || (c[1] >= 0x80 && c[1] <= 0xFC)))
            one[1] = static_cast<char>(*++c);
        else if (lead || *c < 0x20 || *c == 0x7F || *c == 0x80 || *c == 0xA0 || *c >= 0xFD)
            one[0] = '?';
        text->Append(one);
    }
}

// What the merge of notes did, or why it changed nothing.
static void TellNotesMerge(HWND window, const NotesMerge* merge, const char* own, const char* other)
{
    const char* nothing = "\r\n\r\n相手メモはどちらも変更していません。";
    switch (merge->state) {
    case NOTES_OWN_BUSY:
        ShowWithPath(window, false, "このPCの相手メモを今は変更できません（vty.exe かほかのプログラムが使用中です）。", own,
                     "\r\n\r\n相手メモはどちらも変更していません。しばらくしてから、もう一度プロファイルを合わせると"
                     "相手メモも合わせられます。");
        return;
    case NOTES_OWN_UNSOUND:
        ShowWithPath(window, true, "このPCの相手メモのファイルが壊れているか、相手メモのファイルではありません。", own,
                     nothing);
        return;
    case NOTES_OWN_FAILED:
        ShowWithPath(window, true, "このPCの相手メモに書き込めませんでした。", own, nothing);
        return;
    case NOTES_OTHER_BUSY:
        ShowWithPath(window, false, "この相手メモを今は読めません（ほかのプログラムが使用中です）。", other, nothing);
        return;
    case NOTES_OTHER_UNSOUND:
        ShowWithPath(window, true, "このファイルは相手メモとして読めません（壊れているか、相手メモのファイルではありません）。",
                     other, nothing);
        return;
    }
    char line[FORMAT_TEXT_LIMIT];
    TextBuffer text;
    text.InitFrom("相手メモを合わせました。\r\nこのPCの相手メモ: ");
    text.Append(own);
    text.Append("\r\n合わせた相手メモ: ");
    text.Append(other);
    text.Append(FormatText(line,
                           "\r\n\r\n追加したメモ: %d 件\r\n同じ内容で1つにしたメモ: %d 件\r\n"
                           "両方の内容をつないだメモ: %d 件\r\nつなぐと長すぎるため合わせなかったメモ: %d 件",
                           merge->added, merge->kept, merge->joined, merge->tooLong.count));
    if (merge->tooLong.count)
        text.Append("（このPCのメモはそのままです）");
    for (uint32_t i = 0; i < merge->tooLong.count && i < CONFLICTS_LISTED; ++i) {
        text.Append("\r\n  ");
        AppendShownName(&text, merge->tooLong.data[i].name);
    }
    if (merge->tooLong.count > CONFLICTS_LISTED)
        text.Append(FormatText(line, "\r\n  ほか %d 人", merge->tooLong.count - CONFLICTS_LISTED));
    text.Append("\r\n\r\n合わせた相手メモのファイルは変更していません。");
    MessageBoxA(window, text.data, NOTES_TITLE, MB_OK | MB_ICONINFORMATION);
    text.Release();
}

// After a merge of records: the notes beside the second record (or a notes
// file the player chooses) joined into this PC's, when the player agrees.
static void OfferNotesMerge(HWND window, const char* second)
{
    char own[SETTING_PATH_SIZE], other[SETTING_PATH_SIZE];
    ProgramNotesPath(own);
    lstrcpynA(other, second, sizeof other);
    PathRemoveFileSpecA(other);
    PathAppendA(other, NOTES_FILE_NAME);
    TextBuffer text;
    bool beside = IsPlainFile(other) && !SamePath(other, own);
    if (beside) {
        text.InitFrom("2つ目のプロファイルと同じフォルダーに相手メモがあります。\r\n");
        text.Append(other);
        text.Append("\r\n\r\nこの相手メモを、このPCの相手メモに合わせますか？");
    } else {
        text.InitFrom("相手メモ（" NOTES_FILE_NAME "）も合わせますか？「はい」を押すと、合わせる相手メモのファイルを選べます。");
    }
    text.Append("\r\nこのPCの相手メモ: ");
    text.Append(own);
    text.Append("\r\n\r\n同じ相手のメモの内容が違うときは、このPCのメモのあとに線をはさんで両方を残します。"
                "合わせる相手メモのファイルは変更しません。");
    bool go = MessageBoxA(window, text.data, NOTES_TITLE, MB_YESNO | MB_ICONQUESTION) == IDYES;
    text.Release();
    if (!go)
        return;
    if (!beside) {
        PathRemoveFileSpecA(other);
        char folder[SETTING_PATH_SIZE];
        lstrcpynA(folder, other, sizeof folder);
        other[0] = '\0';
        if (!ChooseFile(window, NOTES_FILTER, nullptr, OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, other,
                        SETTING_PATH_SIZE, folder, "合わせる相手メモ（別のPCの " NOTES_FILE_NAME "）"))
            return;
        if (SamePath(other, own)) {
            ShowWithPath(window, false, "このPCの相手メモどうしは合わせられません。別のファイルを選んでください。", other);
            return;
        }
    }
    NotesMerge merge;
    InitNotesMerge(&merge);
    HCURSOR cursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    MergeNotesFiles(own, other, &merge);
    SetCursor(cursor);
    TellNotesMerge(window, &merge, own, other);
    ClearNotesMerge(&merge);
}

static void MergeRecords(HWND window)
{
    char first[SETTING_PATH_SIZE], second[SETTING_PATH_SIZE], folder[SETTING_PATH_SIZE], output[SETTING_PATH_SIZE];
    const char* shown = static_cast<const char*>(GetPropA(window, RECORD_PATH_PROPERTY));
    if (shown)
        lstrcpynA(first, shown, sizeof first);
    else if (!ChooseInput(window, "合わせる1つ目のプロファイル", "", first))
        return;
    // The backups are what a player most often merges with.
    lstrcpynA(folder, first, sizeof folder);
    PathRemoveFileSpecA(folder);
    PathAppendA(folder, BACKUP_FOLDER_NAME);
    if (!PathIsDirectoryA(folder))
        PathRemoveFileSpecA(folder);
    if (!ChooseInput(window, "合わせるプロファイル（バックアップや別のPCの記録）", folder, second))
        return;
    if (SamePath(first, second)) {
        ShowWithPath(window, false, "同じファイルどうしは合わせられません。別のプロファイルを選んでください。", second);
        return;
    }
    RecordMerge merge;
    InitRecordMerge(&merge);
    ProgressDialog progress;
    WorkProgress work;
    BeginProgress(&progress, window, mergeWords.title, "プロファイルを読み込んでいます...", &work);
    bool read = ReadRecordsToMerge(first, second, &merge, &work);
    EndProgress(&progress);
    if (ProgressCancelled(&progress)) {
        // Nothing was written: nothing to tell.
    } else if (!read) {
        if (merge.firstState != MERGE_INPUT_READ)
            TellInputProblem(window, merge.firstState, first);
        else
            TellInputProblem(window, merge.secondState, second);
    } else if (AskToMerge(window, &merge, first, second) &&
               ChooseOutput(window, first, second, "_統合.db", "合わせた記録を保存する新しいファイル", output)) {
        char detail[FORMAT_TEXT_LIMIT] = "";
        if (merge.conflicts.count)
            FormatText(detail, "\r\n食い違った対戦 %d 組は両方とも入っています（2つ目の方は時刻を 0.1 マイクロ秒"
                               "ずらしています）。",
                       merge.conflicts.count);
        if (SaveJoined(window, &merge, output, detail, &mergeWords))
            OfferNotesMerge(window, second);
    }
    ClearRecordMerge(&merge);
}

// Why a repair cannot start; nothing has been written.
static void TellRepairProblem(HWND window, const RecordMerge* merge, const char* damaged, const char* backup)
{
    if (merge->firstState == MERGE_INPUT_READ) {
        TellInputProblem(window, merge->secondState, backup);
    } else if (merge->firstState == MERGE_INPUT_BUSY || merge->firstState == MERGE_INPUT_MISSING) {
        TellInputProblem(window, merge->firstState, damaged);
    } else {
        ShowWithPath(window, true,
                     "このファイルからは対戦の記録を1件も読み出せませんでした（プロファイルではないか、"
                     "記録の表がすべて壊れています）。",
                     damaged, "\r\n\r\n新しいファイルは作っていません。どのファイルも変更していません。");
    }
}

// What the repair gives: from where each row comes; true when the player
// goes on to save it.
static bool AskToRepair(HWND owner, const RecordMerge* merge, const char* damaged, const char* backup)
{
    char line[FORMAT_TEXT_LIMIT];
    TextBuffer text;
    text.InitFrom("壊れたプロファイルを修復すると、次のようになります。\r\n壊れたファイル: ");
    text.Append(damaged);
    text.Append("\r\nバックアップ: ");
    text.Append(backup[0] ? backup : "（正常なバックアップはありません）");
    text.Append(FormatText(line,
                           "\r\n\r\n壊れたファイルから読み出せた対戦: %d 件\r\n"
                           "  そのうちバックアップにない対戦: %d 件\r\nバックアップだけにある対戦: %d 件\r\n"
                           "両方にある同じ対戦: %d 件（1件として数えます）\r\n食い違う対戦: %d 組",
                           merge->recovered, merge->firstOnly, merge->secondOnly, merge->both,
                           merge->conflicts.count));
    return AskToSave(owner, &text, merge, &repairWords);
}

void RepairRecord(HWND owner, const char* path)
{
    char backup[SETTING_PATH_SIZE], output[SETTING_PATH_SIZE];
    FindNewestGoodBackup(path, backup);
    RecordMerge merge;
    InitRecordMerge(&merge);
    ProgressDialog progress;
    WorkProgress work;
    BeginProgress(&progress, owner, repairWords.title, "壊れたプロファイルから対戦を読み出しています...", &work);
    bool read = ReadRecordsToRepair(path, backup[0] ? backup : nullptr, &merge, &work);
    EndProgress(&progress);
    if (ProgressCancelled(&progress)) {
        // Nothing was written: nothing to tell.
    } else if (!read) {
        TellRepairProblem(owner, &merge, path, backup);
    } else if (AskToRepair(owner, &merge, path, backup) &&
               ChooseOutput(owner, path, backup, "_修復.db", "修復した記録を保存する新しいファイル", output)) {
        char detail[FORMAT_TEXT_LIMIT];
        FormatText(detail,
                   "\r\n壊れたファイルから %d 件、バックアップだけから %d 件、両方から %d 件。"
                   "食い違った対戦 %d 組は両方とも入っています。",
                   merge.firstOnly, merge.secondOnly, merge.both, merge.conflicts.count);
        SaveJoined(owner, &merge, output, detail, &repairWords);
    }
    ClearRecordMerge(&merge);
}

// The repair from the menu: any record file, the one shown offered first.
static void RepairChosenRecord(HWND window)
{
    char folder[SETTING_PATH_SIZE], path[SETTING_PATH_SIZE];
    const char* shown = static_cast<const char*>(GetPropA(window, RECORD_PATH_PROPERTY));
    lstrcpynA(folder, shown ? shown : "", sizeof folder);
    PathRemoveFileSpecA(folder);
    if (ChooseInput(window, "修復するプロファイル", folder, path))
        RepairRecord(window, path);
}

// Opens at the folder chosen now; one that vty.exe has not made yet (no
// match played) opens at its nearest existing parent, not at the drive root.
static int CALLBACK StartInFolder(HWND dialog, UINT message, LPARAM, LPARAM folder)
{
    if (message != BFFM_INITIALIZED)
        return 0;
    char start[MAX_PATH];
    lstrcpynA(start, reinterpret_cast<const char*>(folder), sizeof start);
    while (!PathIsDirectoryA(start) && PathRemoveFileSpecA(start))
        ;
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start));
    return 0;
}

static void ChooseLiveFolder(HWND window)
{
    char folder[MAX_PATH];
    ReadLiveFolder(folder, sizeof folder);
    BROWSEINFOA browse = {};
    browse.hwndOwner = window;
    browse.lpszTitle = "配信用ファイルを書き出すフォルダーを選んでください。";
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    browse.lpfn = StartInFolder;
    browse.lParam = reinterpret_cast<LPARAM>(folder);
    LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
    if (!chosen)
        return;
    if (SHGetPathFromIDListA(chosen, folder))
        WriteSettingText(SECTION_LIVE_FILES, KEY_LIVE_FOLDER, folder);
    ILFree(chosen);
}

bool HandleRecordToolsCommand(HWND window, UINT id)
{
    char folder[SETTING_PATH_SIZE];
    switch (id) {
    case ID_TOOLS_MERGE:
        MergeRecords(window);
        return true;
    case ID_TOOLS_REPAIR:
        RepairChosenRecord(window);
        return true;
    case ID_TOOLS_LIVE_FILES:
        WriteSettingInt(SECTION_LIVE_FILES, KEY_LIVE_ENABLED, LiveFilesEnabled() ? 0 : 1);
        return true;
    case ID_TOOLS_LIVE_FOLDER_OPEN:
        // vty.exe makes the folder at the first match; an empty one shows where that will be.
        ReadLiveFolder(folder, sizeof folder);
        CreateDirectoryA(folder, nullptr);
        ShellExecuteA(window, "open", folder, nullptr, nullptr, SW_SHOWNORMAL);
        return true;
    case ID_TOOLS_LIVE_FOLDER_CHOOSE:
        ChooseLiveFolder(window);
        return true;
    }
    return false;
}
