#pragma once
#include "base/Platform.h"

// The commands of the statistics and detail windows live in their system
// menus, ahead of the system's own entries.

// One entry; a null text is a separator.
struct MenuEntry {
    UINT id;
    const char* text;
};

// Puts the entries at the top of window's system menu, checkedId checked.
// False when the window has no system menu.
bool AddMenuEntries(HWND window, const MenuEntry* entries, size_t count, UINT checkedId);

// Greys undoId and redoId while there is nothing to take back or make again.
// Called for every message: it acts only as the system menu opens, by a
// right press on the caption or (Alt+Space, the caption icon) WM_INITMENU.
void UpdateUndoItems(HWND window, UINT message, WPARAM wParam, UINT undoId, UINT redoId);
