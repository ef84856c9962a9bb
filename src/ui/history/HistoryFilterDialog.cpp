#include "ui/history/HistoryFilterDialog.h"
#include "res/resource.h"
#include "store/RecordFilter.h"
#include "store/RecordQueries.h"
#include "ui/history/HistoryWindow.h"
#include "store/CharacterNames.h"
#include "ui/window/MessageBoxes.h"
#include "ui/window/WindowPlacement.h"
#include <commctrl.h>

#define WARNING_START_AFTER_END "始点は終点より前にしてください"
#define WARNING_COUNT_BELOW_ONE "件数は１件以上にしてください"

// A name is read through a 32-byte buffer: 31 bytes and the terminator.
const int NAME_READ_SIZE = 32;

// Each check box and the input it enables.
struct CheckPartner {
    int check;
    int partner;
};
static const CheckPartner checkPartners[] = {
    {IDC_FILTER_OWN_NAME_CHECK, IDC_FILTER_OWN_NAME},
    {IDC_FILTER_OWN_CHARACTER_CHECK, IDC_FILTER_OWN_CHARACTER},
    {IDC_FILTER_OPPONENT_NAME_CHECK, IDC_FILTER_OPPONENT_NAME},
    {IDC_FILTER_OPPONENT_CHARACTER_CHECK, IDC_FILTER_OPPONENT_CHARACTER},
    {IDC_FILTER_START_CHECK, IDC_FILTER_START},
    {IDC_FILTER_END_CHECK, IDC_FILTER_END},
    {IDC_FILTER_COUNT_CHECK, IDC_FILTER_COUNT},
};

static bool Checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// The side by side groups keep the fields narrower than the long full names;
// the open list at least shows each name whole.
static void WidenDroppedList(HWND combo)
{
    HDC dc = GetDC(combo);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(combo, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (int32_t id = 0; id < CHARACTER_COUNT; ++id) {
        SIZE size = {};
        const char* name = CharacterFullName(id);
        GetTextExtentPoint32A(dc, name, lstrlenA(name), &size);
        if (size.cx > widest)
            widest = size.cx;
    }
    SelectObject(dc, old);
    ReleaseDC(combo, dc);
    // Room for the scroll bar, the border and the item's own margins.
    int width = widest + GetSystemMetrics(SM_CXVSCROLL) + 4 * GetSystemMetrics(SM_CXEDGE);
    SendMessageA(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(width), 0);
}

static void InitFilterDialog(HWND dialog)
{
    static const int characterLists[] = {IDC_FILTER_OWN_CHARACTER, IDC_FILTER_OPPONENT_CHARACTER};
    for (int list : characterLists) {
        for (int32_t id = 0; id < CHARACTER_COUNT; ++id)
            SendDlgItemMessageA(dialog, list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(CharacterFullName(id)));
        SendDlgItemMessageA(dialog, list, CB_SETCURSEL, 0, 0);
        WidenDroppedList(GetDlgItem(dialog, list));
    }
    // Without a range the control's arrows would run backwards (100 down to 0).
    SendDlgItemMessageA(dialog, IDC_FILTER_COUNT_SPIN, UDM_SETRANGE32, 0, 0x7FFFFFFF);
}

// The day a date picker shows, as its first or last millisecond.
static int64_t PickedDay(HWND dialog, int picker, bool last)
{
    SYSTEMTIME day = {};
    SendDlgItemMessageA(dialog, picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&day));
    int64_t begin, end;
    GetDayBounds(&day, &begin, &end);
    return last ? end : begin;
}

// The count: the up-down control's reading of its edit. A text that is not
// a whole number from 0 up counts as 0, which the check below refuses.
static int32_t ReadCount(HWND dialog)
{
    BOOL failed = FALSE;
    LRESULT position = SendDlgItemMessageA(dialog, IDC_FILTER_COUNT_SPIN, UDM_GETPOS32, 0,
                                           reinterpret_cast<LPARAM>(&failed));
    return failed ? 0 : static_cast<int32_t>(position);
}

// Stores the criteria when every check passes; false, the dialog staying
// open and the stored criteria untouched, when one refuses them. The opponent
// table opens its histories with what is stored, so a refused input must not
// reach it.
static bool StoreCriteria(HWND dialog)
{
    HistoryFilterSettings settings = HistoryFilter;
    settings.ownNameOn = Checked(dialog, IDC_FILTER_OWN_NAME_CHECK);
    settings.ownCharacterOn = Checked(dialog, IDC_FILTER_OWN_CHARACTER_CHECK);
    settings.opponentNameOn = Checked(dialog, IDC_FILTER_OPPONENT_NAME_CHECK);
    settings.opponentCharacterOn = Checked(dialog, IDC_FILTER_OPPONENT_CHARACTER_CHECK);
    settings.startOn = Checked(dialog, IDC_FILTER_START_CHECK);
    settings.endOn = Checked(dialog, IDC_FILTER_END_CHECK);
    settings.countOn = Checked(dialog, IDC_FILTER_COUNT_CHECK);
    if (settings.ownNameOn)
        GetDlgItemTextA(dialog, IDC_FILTER_OWN_NAME, settings.ownName, NAME_READ_SIZE);
    if (settings.opponentNameOn)
        GetDlgItemTextA(dialog, IDC_FILTER_OPPONENT_NAME, settings.opponentName, NAME_READ_SIZE);
    if (settings.ownCharacterOn)
        settings.ownCharacter =
            static_cast<int8_t>(SendDlgItemMessageA(dialog, IDC_FILTER_OWN_CHARACTER, CB_GETCURSEL, 0, 0));
    if (settings.opponentCharacterOn)
        settings.opponentCharacter =
            static_cast<int8_t>(SendDlgItemMessageA(dialog, IDC_FILTER_OPPONENT_CHARACTER, CB_GETCURSEL, 0, 0));
    if (settings.startOn)
        settings.start = PickedDay(dialog, IDC_FILTER_START, false);
    if (settings.endOn) {
        settings.end = PickedDay(dialog, IDC_FILTER_END, true);
        if (settings.startOn && settings.start > settings.end) {
            ShowWarning(dialog, WARNING_START_AFTER_END);
            return false;
        }
    }
    if (settings.countOn) {
        settings.count = ReadCount(dialog);
        if (settings.count < 1) {
            ShowWarning(dialog, WARNING_COUNT_BELOW_ONE);
            return false;
        }
    }
    HistoryFilter = settings;
    return true;
}

static void OnFilterCommand(HWND dialog, int id)
{
    for (const CheckPartner& pair : checkPartners)
        if (pair.check == id)
            EnableWindow(GetDlgItem(dialog, pair.partner), Checked(dialog, id));
    if (id == IDOK && StoreCriteria(dialog)) {
        // A typed name may be any part of the opponent's.
        OpenHistoryWindow(GetWindow(dialog, GW_OWNER), true);
        EndDialog(dialog, IDOK);
    } else if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
    }
}

static INT_PTR CALLBACK HistoryFilterProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        InitFilterDialog(dialog);
        // Placed at the owner's corner, it may stand past the screen's edge.
        KeepWindowVisible(dialog);
        return TRUE;
    case WM_COMMAND:
        OnFilterCommand(dialog, LOWORD(wParam));
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    return FALSE;
}

void ChooseHistoryFilter(HWND owner)
{
    DialogBoxParamA(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE)),
                    MAKEINTRESOURCEA(IDD_HISTORY_FILTER), owner, HistoryFilterProc, 0);
}
