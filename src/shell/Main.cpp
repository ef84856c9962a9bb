// Process entry: the global objects exist for exactly the run of the application.
#include "base/ProgramPaths.h"
#include "shell/Application.h"
#include "shell/Globals.h"
#include "ui/window/CodePageWarning.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CreateGlobals();
    // The warning's setting lives in the settings file beside the program.
    ComputeProgramPaths();
    WarnAboutCodePage(nullptr);
    int result = ApplicationMain();
    ReleaseGlobals();
    return result;
}
