#include "ui/stats/CustomRangeDialog.h"
#include "res/resource.h"
#include "store/RecordFilter.h"
#include "ui/window/MessageBoxes.h"
#include "ui/window/WindowPlacement.h"
#include <commctrl.h>

#define WARNING_START_AFTER_END "始点は終点より前にしてください"

const int OPPONENT_TEXT_LIMIT = 16;

// The day shown by a date picker, with its bounds as time stamps.
static void ReadPickedDay(HWND dialog, int pickerId, int64_t* begin, int64_t* end)
{
    SYSTEMTIME day = {};
    SendDlgItemMessageA(dialog, pickerId, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&day));
    GetDayBounds(&day, begin, end);
}

static bool Checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// OK: false, with the dialog left open, when the start lies after the end.
static bool ReadRange(HWND dialog, RecordFilter* range)
{
    memset(range, 0, sizeof *range);
    int64_t dayBegin, dayEnd;
    if (Checked(dialog, IDC_RANGE_OPPONENT_CHECK)) {
        range->flags = FILTER_P2NAME;
        GetDlgItemTextA(dialog, IDC_RANGE_OPPONENT, range->p2name, 32);
    }
    if (Checked(dialog, IDC_RANGE_START_CHECK)) {
        range->flags |= FILTER_BEGIN;
        ReadPickedDay(dialog, IDC_RANGE_START, &range->begin, &dayEnd);
    }
    if (Checked(dialog, IDC_RANGE_END_CHECK)) {
        range->flags |= FILTER_END;
        ReadPickedDay(dialog, IDC_RANGE_END, &dayBegin, &range->end);
        if ((range->flags & FILTER_BEGIN) && range->begin > range->end) {
            ShowWarning(dialog, WARNING_START_AFTER_END);
            return false;
        }
    }
    return true;
}

static INT_PTR CALLBACK CustomRangeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        SendDlgItemMessageA(dialog, IDC_RANGE_OPPONENT, EM_LIMITTEXT, OPPONENT_TEXT_LIMIT, 0);
        // Placed at the owner's corner, it may stand past the screen's edge.
        KeepWindowVisible(dialog);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id == IDC_RANGE_OPPONENT_CHECK || id == IDC_RANGE_START_CHECK || id == IDC_RANGE_END_CHECK) {
            // Each check box enables its partner, the control after it.
            bool check = !Checked(dialog, id);
            CheckDlgButton(dialog, id, check ? BST_CHECKED : BST_UNCHECKED);
            EnableWindow(GetDlgItem(dialog, id + 1), check);
        } else if (id == IDOK) {
            RecordFilter range;
            if (ReadRange(dialog, &range)) {
                *reinterpret_cast<RecordFilter*>(GetWindowLongPtrA(dialog, DWLP_USER)) = range;
                EndDialog(dialog, IDOK);
            }
        } else if (id == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
        }
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    }
    return FALSE;
}

bool ChooseCustomRange(HWND owner, RecordFilter* range)
{
    RecordFilter chosen;
    memset(&chosen, 0, sizeof chosen);
    INT_PTR result = DialogBoxParamA(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE)),
                                     MAKEINTRESOURCEA(IDD_CUSTOM_RANGE), owner, CustomRangeProc,
                                     reinterpret_cast<LPARAM>(&chosen));
    if (result != IDOK)
        return false;
    *range = chosen;
    return true;
}
