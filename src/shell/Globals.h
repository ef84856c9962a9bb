#pragma once
#include "base/GrowArray.h"
#include "base/TextBuffer.h"
#include "store/ChangeHistory.h"
#include "ui/shortcuts/ShortcutList.h"

// The objects that live for the whole run, made by CreateGlobals in this
// order before the application starts and released by ReleaseGlobals, in the
// same order, after it returns. The heap allocator comes first and stays.
extern TextBuffer ModuleDirectory;        // folder of the executable, no trailing separator
extern TextBuffer SettingsPath;           // ModuleDirectory + "vty.ini"
extern GrowArray<ChangeEntry> UndoList;   // oldest first; the last is undone next
extern GrowArray<ChangeEntry> RedoList;   // the last is redone next
extern TextBuffer DatabasePath;           // current record database, code page text
extern TextBuffer DatabasePathUtf8;       // the same path as SQLite takes it
extern GrowArray<ShortcutEntry> ShortcutList;

void CreateGlobals();
void ReleaseGlobals();
