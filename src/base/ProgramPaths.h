#pragma once
#include "base/TextBuffer.h"

// Where the program runs from, filled once at start by ComputeProgramPaths.
extern TextBuffer ModuleDirectory;  // folder of the executable, no trailing separator
extern TextBuffer SettingsPath;     // ModuleDirectory + "vty.ini"

// Fills both from the running executable.
void ComputeProgramPaths();
