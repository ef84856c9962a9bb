#include "ui/stats/StatsMenu.h"
#include "store/ChangeHistory.h"
#include "store/WaitingMatches.h"

bool AddMenuEntries(HWND window, const MenuEntry* entries, size_t count, UINT checkedId)
{
    HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu)
        return false;
    for (UINT i = 0; i < count; ++i) {
        UINT flags = MF_BYPOSITION | (entries[i].text ? MF_STRING : MF_SEPARATOR);
        if (checkedId && entries[i].id == checkedId)
            flags |= MF_CHECKED;
        InsertMenuA(menu, i, flags, entries[i].id, entries[i].text);
    }
    return true;
}

void UpdateUndoItems(HWND window, UINT message, WPARAM wParam, UINT undoId, UINT redoId)
{
    if (message != WM_INITMENU && (message != WM_NCRBUTTONDOWN || wParam != HTCAPTION))
        return;
    HMENU menu = GetSystemMenu(window, FALSE);
    // Both wait with the matches that wait for the record.
    bool waiting = CountWaitingMatches(true) > 0;
    EnableMenuItem(menu, undoId, MF_BYCOMMAND | (UndoList.count && !waiting ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu, redoId, MF_BYCOMMAND | (RedoList.count && !waiting ? MF_ENABLED : MF_GRAYED));
}
