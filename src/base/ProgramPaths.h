#pragma once
#include "base/TextBuffer.h"

#define SETTINGS_FILE_NAME "vty.ini"
// A path of at most 1024 characters and its terminator.
const uint32_t PROGRAM_PATH_SIZE = 1025;

// Where the program runs from, filled once at start by ComputeProgramPaths.
extern TextBuffer ModuleDirectory;  // folder of the executable, no trailing separator
extern TextBuffer SettingsPath;     // ModuleDirectory + "vty.ini"

// Fills both from the running executable.
void ComputeProgramPaths();
