#pragma once
#include "base/Platform.h"

// Asked by the edit dialog of its owner, the list dialog: wParam a key code,
// lParam the address of one byte that receives 1 when no row holds the key
// and 0 when one does. Only the edit dialog's own query is answered: any
// other leaves the byte as it was.
const UINT WM_SHORTCUT_KEY_FREE = 0x8000;

// Opens the modeless shortcut list dialog owned by owner, unless *openFlag
// is set. The flag is set while the dialog exists and cleared when it goes,
// so at most one exists. Its OK puts the edited list into force.
void OpenShortcutListDialog(HINSTANCE instance, HWND owner, uint8_t* openFlag);
