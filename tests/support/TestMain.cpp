// Every test program runs with the global objects made as the tool makes them.
#include "base/Platform.h"
#include "shell/Globals.h"
#include <commctrl.h>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // A program ended on purpose (bounds check) must not open a crash dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES | ICC_UPDOWN_CLASS |
                                                          ICC_HOTKEY_CLASS};
    InitCommonControlsEx(&controls);
    CreateGlobals();
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    ReleaseGlobals();
    return result;
}
