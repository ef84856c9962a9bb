// Stand-in for the report tool vty_report.exe: it only leaves a trace that
// it was started. Each start appends one line to vty_report.log beside the
// executable: "folder=<working folder>|parameters=<command line after the
// program name>|profile=<[General] Profile of the vty.ini beside it>", the
// record that the real report tool would show.
#include <windows.h>

// The command line without the program's own name and the blanks after it.
static const char* Parameters()
{
    const char* line = GetCommandLineA();
    bool quoted = false;
    for (; *line && (quoted || (*line != ' ' && *line != '\t')); ++line)
        if (*line == '"')
            quoted = !quoted;
    while (*line == ' ' || *line == '\t')
        ++line;
    return line;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char log[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, log, MAX_PATH);
    while (length > 0 && log[length - 1] != '\\')
        --length;
    lstrcpyA(log + length, "vty_report.log");

    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    char parameters[MAX_PATH];
    lstrcpynA(parameters, Parameters(), MAX_PATH);
    char settings[MAX_PATH];
    lstrcpyA(settings, log);
    lstrcpyA(settings + length, "vty.ini");
    char profile[MAX_PATH];
    GetPrivateProfileStringA("General", "Profile", "", profile, MAX_PATH, settings);
    char entry[4 * MAX_PATH];
    wsprintfA(entry, "folder=%s|parameters=%s|profile=%s\r\n", folder, parameters, profile);

    HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, entry, lstrlenA(entry), &written, nullptr);
    CloseHandle(file);
    return 0;
}
