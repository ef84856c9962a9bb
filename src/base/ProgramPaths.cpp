#include "base/ProgramPaths.h"

TextBuffer ModuleDirectory;
TextBuffer SettingsPath;

void ComputeProgramPaths()
{
    char path[PROGRAM_PATH_SIZE];
    DWORD n = GetModuleFileNameA(GetModuleHandleA(nullptr), path, sizeof path);
    if (n >= sizeof path)
        n = sizeof path - 1;
    path[n] = '\0';
    PathRemoveFileSpecA(path);
    ModuleDirectory.Assign(path);
    SettingsPath.Assign(ModuleDirectory.data);
    SettingsPath.AppendPath(SETTINGS_FILE_NAME);
}
