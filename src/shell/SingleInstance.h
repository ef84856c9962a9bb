#pragma once
#include "base/Platform.h"

// One running tool per program folder: two would record every match twice
// and overwrite each other's settings. Tools in different folders, each with
// its own vty.ini, stay independent.

// Claims the program folder (ModuleDirectory) for this process. False when
// another instance holds it; that one is then asked to show its statistics
// window, and this one must end without touching any file.
bool ClaimProgramFolder();
// Lets a later start find this instance's hidden main window.
void PublishMainWindow(HWND window);
// Gives the folder free again at the end of the run.
void ReleaseProgramFolder();
