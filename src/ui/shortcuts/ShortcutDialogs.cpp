#include "ui/shortcuts/ShortcutDialogs.h"
#include "res/resource.h"
#include "ui/shortcuts/ShortcutList.h"
#include "ui/window/DpiScaling.h"
#include "ui/window/FileDialog.h"
#include "ui/window/ListView.h"
#include "ui/window/MessageBoxes.h"
#include <commctrl.h>
#include <commdlg.h>

#define WARNING_NO_KEY "短縮キーを設定してください"
#define WARNING_KEY_TAKEN "既に登録されているキーです"
#define WARNING_NO_PATH "プロファイルパスを指定してください"
#define WARNING_PATH_MISSING "存在するパスを指定してください"
#define WARNING_KEY_ELSEWHERE "ほかのプログラムが使用しているキーです"
#define WARNING_NOTE_MODIFIERS "前の対戦相手のメモのキーは Ctrl、Alt、Shift のうち2つと組み合わせてください"

static const ListColumn ShortcutColumns[] = {
    {0, 100, "短縮キー"},
    {0, 200, "プロファイル"},
};

// What the edit dialog takes and gives back.
struct ShortcutEdit {
    HWND list;     // the list dialog's rows, whose keys a new key must not repeat
    bool editing;  // false when adding
    uint16_t key;  // the row's key on entry, 0 when adding; the new key on OK
    char path[SHORTCUT_PATH_SIZE];
};

static HINSTANCE dialogInstance;
static uint8_t* dialogOpenFlag;

// The row's item text is the key's name, its item value the key code.
static void WriteRow(HWND list, int32_t row, bool insert, uint16_t key, const char* path)
{
    TextBuffer name;
    name.Init();
    ShortcutKeyName(key, &name);  // a failed name shows as far as it got
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = name.data;
    item.lParam = key;
    SendMessageA(list, insert ? LVM_INSERTITEMA : LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    name.Release();
    SetCellText(list, row, 1, path);
}

static uint16_t RowKey(HWND list, int32_t row)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return static_cast<uint16_t>(item.lParam);
}

static void ReadRowPath(HWND list, int32_t row, char* path)
{
    LVITEMA item = {};
    item.iSubItem = 1;
    item.pszText = path;
    item.cchTextMax = SHORTCUT_PATH_SIZE;
    path[0] = '\0';
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

static int32_t RowCount(HWND list)
{
    return static_cast<int32_t>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

// The note key as the list dialog holds it now.
static uint16_t DialogNoteKey(HWND listDialog)
{
    uint16_t hotKey = static_cast<uint16_t>(SendDlgItemMessageA(listDialog, IDC_SHORTCUT_NOTE_KEY, HKM_GETHOTKEY, 0, 0));
    return (hotKey & 0xFF) ? ShortcutKeyFromHotKey(hotKey) : 0;
}

// One key does one thing: a profile key may not be the note key either.
static bool ListHasKey(HWND list, uint16_t key)
{
    int32_t count = RowCount(list);
    for (int32_t row = 0; row < count; ++row)
        if (RowKey(list, row) == key)
            return true;
    return key && key == DialogNoteKey(GetParent(list));
}

static void BrowseForProfile(HWND dialog)
{
    char path[SHORTCUT_PATH_SIZE] = "";
    if (ChooseFile(dialog, DATABASE_FILTER, "db", OFN_FILEMUSTEXIST, path, sizeof path))
        SetDlgItemTextA(dialog, IDC_SHORTCUT_PATH, path);
}

// OK of the edit dialog: false, with a warning and the dialog left open,
// when the input cannot be taken.
static bool AcceptEdit(HWND dialog, ShortcutEdit* edit)
{
    uint16_t hotKey = static_cast<uint16_t>(SendDlgItemMessageA(dialog, IDC_SHORTCUT_HOTKEY, HKM_GETHOTKEY, 0, 0));
    if ((hotKey & 0xFF) == 0) {
        ShowWarning(dialog, WARNING_NO_KEY);
        return false;
    }
    uint16_t key = ShortcutKeyFromHotKey(hotKey);
    // A row keeping its own key is no duplicate of itself.
    if ((!edit->editing || key != edit->key) && ListHasKey(edit->list, key)) {
        ShowWarning(dialog, WARNING_KEY_TAKEN);
        return false;
    }
    char path[SHORTCUT_PATH_SIZE];
    if (GetDlgItemTextA(dialog, IDC_SHORTCUT_PATH, path, sizeof path) == 0) {
        ShowWarning(dialog, WARNING_NO_PATH);
        return false;
    }
    if (!PathFileExistsA(path)) {
        ShowWarning(dialog, WARNING_PATH_MISSING);
        return false;
    }
    edit->key = key;
    lstrcpynA(edit->path, path, sizeof edit->path);
    return true;
}

static INT_PTR CALLBACK EditDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    ShortcutEdit* edit = reinterpret_cast<ShortcutEdit*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        edit = reinterpret_cast<ShortcutEdit*>(lParam);
        if (edit->key != 0) {
            SendDlgItemMessageA(dialog, IDC_SHORTCUT_HOTKEY, HKM_SETHOTKEY, HotKeyFromShortcutKey(edit->key), 0);
            SetDlgItemTextA(dialog, IDC_SHORTCUT_PATH, edit->path);
        }
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SHORTCUT_BROWSE:
            BrowseForProfile(dialog);
            return TRUE;
        case IDOK:
            if (AcceptEdit(dialog, edit))
                EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

static bool RunEditDialog(HWND owner, ShortcutEdit* edit)
{
    return DialogBoxParamA(dialogInstance, MAKEINTRESOURCEA(IDD_SHORTCUT_EDIT), owner, EditDialogProc,
                           reinterpret_cast<LPARAM>(edit)) == IDOK;
}

static void AddRow(HWND dialog, HWND list)
{
    if (RowCount(list) >= static_cast<int32_t>(SHORTCUT_LIMIT))
        return;
    ShortcutEdit edit = {list, false, 0, ""};
    if (RunEditDialog(dialog, &edit))
        WriteRow(list, RowCount(list), true, edit.key, edit.path);
}

static void EditRow(HWND dialog, HWND list)
{
    int32_t row = static_cast<int32_t>(SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0));
    if (row < 0 || row >= RowCount(list))
        return;
    ShortcutEdit edit = {list, true, RowKey(list, row), ""};
    ReadRowPath(list, row, edit.path);
    if (RunEditDialog(dialog, &edit))
        WriteRow(list, row, false, edit.key, edit.path);
}

static void DeleteRow(HWND list)
{
    int32_t row = static_cast<int32_t>(SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0));
    if (row >= 0 && row < RowCount(list))
        SendMessageA(list, LVM_DELETEITEM, row, 0);
}

// OK: the note key first, since another program may hold it; false, with
// a warning and the dialog left open, when it cannot be taken.
static bool ApplyNoteKey(HWND dialog, HWND list)
{
    uint16_t key = DialogNoteKey(dialog);
    int32_t count = RowCount(list);
    for (int32_t row = 0; row < count; ++row)
        if (key && RowKey(list, row) == key) {
            ShowWarning(dialog, WARNING_KEY_TAKEN);
            return false;
        }
    // It works in every program: one modifier alone would take Ctrl+S or Alt+F4 from them.
    uint16_t modifiers = key >> 8;
    if (key && (!!(modifiers & SHORTCUT_SHIFT) + !!(modifiers & SHORTCUT_CTRL) + !!(modifiers & SHORTCUT_ALT)) < 2) {
        ShowWarning(dialog, WARNING_NOTE_MODIFIERS);
        return false;
    }
    // The same key again is tried again: another program may have let it go.
    HWND owner = GetWindow(dialog, GW_OWNER);
    if ((key != NoteShortcutKey || (key && !NoteShortcutActive)) && !SetNoteShortcut(owner, key)) {
        ShowWarning(dialog, WARNING_KEY_ELSEWHERE);
        return false;
    }
    return true;
}

// OK: the rows in display order become the shortcut list.
static void ApplyRows(HWND list)
{
    GrowArray<ShortcutEntry> entries;
    entries.Init();
    int32_t count = RowCount(list);
    for (int32_t row = 0; row < count; ++row) {
        ShortcutEntry entry;
        entry.key = RowKey(list, row);
        ReadRowPath(list, row, entry.path);
        entries.Append(entry);
    }
    RebuildShortcuts(entries.data, entries.count);
    entries.Clear();
}

static INT_PTR CALLBACK ListDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND list = GetDlgItem(dialog, IDC_SHORTCUT_LIST);
    switch (message) {
    case WM_INITDIALOG:
        SetUpListColumns(list, ShortcutColumns, 2);
        // Typed, a key with fewer than two modifiers becomes Ctrl+Alt and the key.
        SendDlgItemMessageA(dialog, IDC_SHORTCUT_NOTE_KEY, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S | HKCOMB_C | HKCOMB_A,
                            HOTKEYF_CONTROL | HOTKEYF_ALT);
        if (NoteShortcutKey)
            SendDlgItemMessageA(dialog, IDC_SHORTCUT_NOTE_KEY, HKM_SETHOTKEY, HotKeyFromShortcutKey(NoteShortcutKey), 0);
        for (uint32_t i = 0; i < ShortcutList.count; ++i)
            WriteRow(list, static_cast<int32_t>(i), true, ShortcutList.At(i).key, ShortcutList.At(i).path);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SHORTCUT_ADD:
            AddRow(dialog, list);
            return TRUE;
        case IDC_SHORTCUT_EDIT:
            EditRow(dialog, list);
            return TRUE;
        case IDC_SHORTCUT_DELETE:
            DeleteRow(list);
            return TRUE;
        case IDOK:
            if (!ApplyNoteKey(dialog, list))
                return TRUE;
            ApplyRows(list);
            DestroyWindow(dialog);
            return TRUE;
        case IDCANCEL:
            DestroyWindow(dialog);
            return TRUE;
        }
        return FALSE;
    case WM_DPICHANGED:
        HandleDpiChanged(dialog, wParam, lParam);
        return FALSE;
    case WM_NOTIFY:
        return AnswerStripedListDraw(dialog, lParam);
    case WM_DESTROY:
        // Also when the owner goes first: the flag follows the dialog's life.
        if (dialogOpenFlag)
            *dialogOpenFlag = 0;
        dialogOpenFlag = nullptr;
        return FALSE;
    }
    return FALSE;
}

void OpenShortcutListDialog(HINSTANCE instance, HWND owner, uint8_t* openFlag)
{
    if (*openFlag)
        return;
    *openFlag = 1;
    dialogInstance = instance;
    dialogOpenFlag = openFlag;
    HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_SHORTCUT_LIST), owner, ListDialogProc,
                                     reinterpret_cast<LPARAM>(owner));
    if (dialog) {
        ShowWindow(dialog, SW_SHOW);
    } else {
        // Nothing to close it later: the menu item must keep working.
        *openFlag = 0;
        dialogOpenFlag = nullptr;
    }
}
