#include "ui/history/NoteDialog.h"
#include "base/TextUtil.h"
#include "res/resource.h"
#include "store/OpponentNotes.h"
#include "ui/window/MessageBoxes.h"

// Two lines: the longest name fills the first.
#define NOTE_LABEL "「%s」へのメモ\r\n（空にして OK で消えます）"
#define NOTE_WAITING                                                                     \
    "メモのファイルをほかのプログラムが使用中のため、メモはまだ保存されていません。" \
    "使えるようになりしだい保存します。"

struct NoteEdit {
    const char* name;
    char before[NOTE_SIZE];  // as the dialog opened: OK without a change writes nothing
    char note[NOTE_SIZE];
};

static void (*noteWaitingHandler)();
// The one note dialog open: a second, from another window or the note key,
// would be a dialog in the first one's loop, perhaps on the same name.
static HWND openNoteDialog;

void SetNoteWaitingHandler(void (*handler)())
{
    noteWaitingHandler = handler;
}

// At OK, before the dialog goes: once it has gone the note is on the disk,
// or waiting where a crash cannot take it.
static void StoreEditedNote(HWND dialog, NoteEdit* edit)
{
    GetDlgItemTextA(dialog, IDC_NOTE_TEXT, edit->note, NOTE_SIZE);
    // By the bytes: the locale's comparison passes over some characters.
    if (strcmp(edit->note, edit->before) == 0 || WriteOpponentNote(edit->name, edit->note))
        return;
    if (noteWaitingHandler)
        noteWaitingHandler();
    MessageBoxA(dialog, NOTE_WAITING, "相手メモ", MB_OK | MB_ICONINFORMATION);
}

static INT_PTR CALLBACK NoteDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    NoteEdit* edit = reinterpret_cast<NoteEdit*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (message == WM_INITDIALOG) {
        openNoteDialog = dialog;
        edit = reinterpret_cast<NoteEdit*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        char shown[PROFILE_NAME_SIZE], label[FORMAT_TEXT_LIMIT];
        lstrcpynA(shown, edit->name, sizeof shown);
        CutToWholeCharacters(shown, PROFILE_NAME_SIZE - 1);
        SetDlgItemTextA(dialog, IDC_NOTE_NAME, FormatText(label, NOTE_LABEL, shown));
        SendDlgItemMessageA(dialog, IDC_NOTE_TEXT, EM_LIMITTEXT, NOTE_SIZE - 1, 0);
        SetDlgItemTextA(dialog, IDC_NOTE_TEXT, edit->note);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        if (LOWORD(wParam) == IDOK)
            StoreEditedNote(dialog, edit);
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

bool EditOpponentNote(HWND owner, const char* name)
{
    if (openNoteDialog) {
        SetForegroundWindow(openNoteDialog);
        return false;
    }
    NoteEdit edit;
    edit.name = name;
    if (!ReadOpponentNote(name, edit.before, DATABASE_BUSY_TIMEOUT_MS)) {
        ShowError(owner, "相手メモのファイルを読めませんでした。");
        return false;
    }
    lstrcpynA(edit.note, edit.before, NOTE_SIZE);
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
    bool stored = DialogBoxParamA(instance ? instance : GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_OPPONENT_NOTE),
                                  owner, NoteDialogProc, reinterpret_cast<LPARAM>(&edit)) == IDOK;
    openNoteDialog = nullptr;
    return stored;
}
