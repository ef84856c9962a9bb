#include "shell/Globals.h"
#include "base/ProgramPaths.h"
#include "shell/PendingMatches.h"
#include "store/ChangeHistory.h"
#include "store/OpponentNotes.h"
#include "store/RecordDatabase.h"
#include "ui/shortcuts/ShortcutList.h"

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
    WaitingMatches.Init();
    WaitingNotes.Init();
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
    WaitingMatches.Clear();
    WaitingNotes.Clear();
}
