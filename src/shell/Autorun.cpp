#include "shell/Autorun.h"
#include "base/Settings.h"
#include "shell/AppState.h"
#include "ui/window/FileDialog.h"
#include <commdlg.h>

const uint32_t AUTORUN_KEY_LIMIT = 259;

void AutorunKey(const char* program, const char* suffix, TextBuffer* key)
{
    key->Assign(program);
    key->Append(".");
    key->Append(suffix);
    if (key->length > AUTORUN_KEY_LIMIT) {
        char cut[AUTORUN_KEY_LIMIT + 1];
        lstrcpynA(cut, key->data, sizeof cut);
        key->Assign(cut);
    }
}

static int32_t ReadEnabled(const char* program)
{
    TextBuffer key;
    key.Init();
    AutorunKey(program, AUTORUN_ENABLED, &key);
    int32_t enabled = ReadSettingInt(SECTION_AUTORUN, key.data, 0);
    key.Release();
    return enabled;
}

void ShowAutorunCheck(HMENU menu, const char* program, UINT item)
{
    CheckMenuItem(menu, item, ReadEnabled(program) ? MF_CHECKED : MF_UNCHECKED);
}

void LaunchIfEnabled(HWND owner, const char* program)
{
    if (!ReadEnabled(program))
        return;
    char path[SETTING_FILE_NAME_SIZE];
    TextBuffer key;
    key.Init();
    AutorunKey(program, AUTORUN_FILE_NAME, &key);
    uint32_t length = ReadSettingText(SECTION_AUTORUN, key.data, "", path, sizeof path);
    key.Release();
    if (length == 0)
        return;
    // The program runs from its own folder, where it may look for its files.
    char folder[SETTING_FILE_NAME_SIZE];
    lstrcpynA(folder, path, sizeof folder);
    PathRemoveFileSpecA(folder);
    ShellExecuteA(owner, "open", path, nullptr, folder, SW_SHOWNORMAL);
}

void AutoExitCheck(HWND mainWindow)
{
    if (ReadEnabled(AUTORUN_SELF))
        DestroyWindow(mainWindow);
}

void ToggleAutorun(const char* program, UINT item)
{
    TextBuffer key;
    key.Init();
    AutorunKey(program, AUTORUN_ENABLED, &key);
    WriteSettingInt(SECTION_AUTORUN, key.data, ReadSettingInt(SECTION_AUTORUN, key.data, 0) == 0 ? 1 : 0);
    key.Release();
    ShowAutorunCheck(App.trayMenu, program, item);
}

void ChooseAutorunPath(HWND owner, const char* filter, const char* program)
{
    char path[SETTING_FILE_NAME_SIZE] = "";
    if (!ChooseFile(owner, filter, "exe", OFN_CREATEPROMPT, path, sizeof path))
        return;
    TextBuffer key;
    key.Init();
    AutorunKey(program, AUTORUN_FILE_NAME, &key);
    WriteSettingText(SECTION_AUTORUN, key.data, path);
    key.Release();
}
