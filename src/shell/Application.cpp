#include "shell/Application.h"
#include "base/ProgramPaths.h"
#include "shell/MainWindow.h"
#include "shell/SingleInstance.h"
#include <commctrl.h>

int ApplicationMain()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    ComputeProgramPaths();
    if (!ClaimProgramFolder())
        return 0;
    InitCommonControls();
    int result = -1;
    HWND window = RegisterMainWindowClass(instance) ? CreateMainWindow() : nullptr;
    if (window) {
        PublishMainWindow(window);
        result = RunMessageLoop();
    }
    ReleaseProgramFolder();
    return result;
}
