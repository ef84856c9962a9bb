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
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES | ICC_UPDOWN_CLASS |
                                                          ICC_HOTKEY_CLASS};
    InitCommonControlsEx(&controls);
    int result = -1;
    HWND window = RegisterMainWindowClass(instance) ? CreateMainWindow() : nullptr;
    if (window) {
        PublishMainWindow(window);
        result = RunMessageLoop();
    }
    ReleaseProgramFolder();
    return result;
}
