#pragma once
#include "base/Platform.h"

// Fills ModuleDirectory and SettingsPath from the running executable.
void ComputeProgramPaths();

// Runs the tool; returns the process exit code.
int ApplicationMain();
