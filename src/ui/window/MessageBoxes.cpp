#include "ui/window/MessageBoxes.h"

void ShowError(HWND owner, const char* text)
{
    MessageBoxA(owner, text, nullptr, MB_ICONERROR);
}

void ShowWarning(HWND owner, const char* text)
{
    MessageBoxA(owner, text, nullptr, MB_ICONWARNING);
}
