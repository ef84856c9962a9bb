// Stand-in for the report tool vty_report.exe: each start appends one line to
// vty_report.log beside the executable: "folder=<working folder>|parameters=
// <command line after the program name>|profile=<[General] Profile of the
// vty.ini beside it>", the record that the real report tool would show.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const char* parameters = GetCommandLineA();
    for (bool quoted = false; *parameters && (quoted || (*parameters != ' ' && *parameters != '\t')); ++parameters)
        quoted = *parameters == '"' ? !quoted : quoted;
    while (*parameters == ' ' || *parameters == '\t')
        ++parameters;
    char log[MAX_PATH], settings[MAX_PATH], folder[MAX_PATH] = "", profile[MAX_PATH], entry[4 * MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, log, MAX_PATH);
    while (length > 0 && log[length - 1] != '\\')
        --length;
    lstrcpyA(log + length, "vty.ini");
    lstrcpyA(settings, log);
    lstrcpyA(log + length, "vty_report.log");
    GetCurrentDirectoryA(MAX_PATH, folder);
    GetPrivateProfileStringA("General", "Profile", "", profile, MAX_PATH, settings);
    wsprintfA(entry, "folder=%s|parameters=%.259s|profile=%s\r\n", folder, parameters, profile);
    HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    DWORD written = 0;
    bool logged = WriteFile(file, entry, lstrlenA(entry), &written, nullptr);
    CloseHandle(file);
    return logged ? 0 : 1;
}
