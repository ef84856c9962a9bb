// Process entry: the global objects exist for exactly the run of the application.
#include "shell/Application.h"
#include "shell/Globals.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CreateGlobals();
    int result = ApplicationMain();
    ReleaseGlobals();
    return result;
}
