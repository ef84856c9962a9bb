#pragma once
#include "base/Platform.h"

// Opens the modeless shortcut list dialog owned by owner, unless *openFlag
// is set. The flag is set while the dialog exists and cleared when it goes,
// so at most one exists. Its OK puts the edited list into force.
void OpenShortcutListDialog(HINSTANCE instance, HWND owner, uint8_t* openFlag);
