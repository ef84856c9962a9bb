#include "shell/Application.h"
#include "shell/Globals.h"
#include "shell/Settings.h"
#include "store/RecordDatabase.h"

void ComputeProgramPaths()
{
    char path[SETTING_PATH_SIZE];
    DWORD n = GetModuleFileNameA(GetModuleHandleA(nullptr), path, sizeof path);
    if (n >= sizeof path)
        n = sizeof path - 1;
    path[n] = '\0';
    PathRemoveFileSpecA(path);
    ModuleDirectory.Assign(path);
    SettingsPath.Assign(ModuleDirectory.data);
    SettingsPath.AppendPath(SETTINGS_FILE_NAME);
}

// The record database named by [General] Profile, or Default.db beside the executable.
static bool OpenStartupDatabase()
{
    char profile[SETTING_PATH_SIZE];
    ReadSettingText(SECTION_GENERAL, KEY_PROFILE, "", profile, sizeof profile);
    TextBuffer path;
    path.InitFrom(profile);
    if (path.length == 0) {
        path.Assign(ModuleDirectory.data);
        path.AppendPath("Default.db");
    }
    bool ok = SetDatabasePath(path.data) && OpenRecordDatabase();
    path.Release();
    return ok;
}

int ApplicationMain()
{
    ComputeProgramPaths();
    if (!OpenStartupDatabase())
        return -1;
    WriteSettingText(SECTION_GENERAL, KEY_PROFILE, DatabasePath.data);
    CloseRecordDatabase();
    return 0;
}
