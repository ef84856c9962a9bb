#pragma once
#include "base/TextBuffer.h"

// The programs the tool can start or end around the game; each name is also
// the first half of its keys in [Autorun].
#define AUTORUN_GAME "Hisoutensoku"
#define AUTORUN_REPORT "Zevazovazez"
#define AUTORUN_SELF "Vantory"

#define AUTORUN_ENABLED "Enabled"
#define AUTORUN_FILE_NAME "FileName"

#define GAME_FILTER "東方非想天則 (th123.exe)\0th123.exe\0"
#define REPORT_FILTER "Vantory報告ツール (vty_report.exe)\0vty_report.exe\0"

// key = program + "." + suffix, cut to 259 characters.
void AutorunKey(const char* program, const char* suffix, TextBuffer* key);
// Checks the menu item when the program's switch is on, unchecks it otherwise.
void ShowAutorunCheck(HMENU menu, const char* program, UINT item);
// Starts the program from its own folder when its switch is on and its path
// set. Whether the start worked is not looked at.
void LaunchIfEnabled(HWND owner, const char* program);
// Destroys the hidden main window (which ends the tool) when auto-exit is on.
void AutoExitCheck(HWND mainWindow);
// Flips the program's switch in the settings and the tray menu item's check.
void ToggleAutorun(const char* program, UINT item);
// Lets the user pick the program's executable and stores its path; the
// switch is left as it is.
void ChooseAutorunPath(HWND owner, const char* filter, const char* program);
