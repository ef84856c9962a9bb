#include "shell/Globals.h"

TextBuffer ModuleDirectory;
TextBuffer SettingsPath;
GrowArray<ChangeEntry> UndoList;
GrowArray<ChangeEntry> RedoList;
TextBuffer DatabasePath;
TextBuffer DatabasePathUtf8;
GrowArray<ShortcutEntry> ShortcutList;

void CreateGlobals()
{
    Heap.Init();
    ModuleDirectory.Init();
    SettingsPath.Init();
    UndoList.Init();
    RedoList.Init();
    DatabasePath.Init();
    DatabasePathUtf8.Init();
    ShortcutList.Init();
}

void ReleaseGlobals()
{
    ModuleDirectory.Release();
    SettingsPath.Release();
    UndoList.Clear();
    RedoList.Clear();
    DatabasePath.Release();
    DatabasePathUtf8.Release();
    ShortcutList.Clear();
}
