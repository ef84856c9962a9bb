#include "shell/Application.h"
#include "shell/Globals.h"
#include "shell/MainWindow.h"
#include "shell/Settings.h"
#include <commctrl.h>

// Fills ModuleDirectory and SettingsPath from the running executable.
static void ComputeProgramPaths()
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

int ApplicationMain()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    ComputeProgramPaths();
    InitCommonControls();
    if (!RegisterMainWindowClass(instance))
        return -1;
    if (!CreateMainWindow())
        return -1;
    return RunMessageLoop();
}
