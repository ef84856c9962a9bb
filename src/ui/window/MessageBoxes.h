#pragma once
#include "base/Platform.h"

// Message boxes owned by the window where something happened, with the
// system's default caption: the error icon for failures, the warning icon
// for refused input.
void ShowError(HWND owner, const char* text);
void ShowWarning(HWND owner, const char* text);

// A record database that could not be opened, at start and at a profile load.
#define ERROR_PROFILE_MAPPING "プロファイルのマッピングに失敗しました。"
