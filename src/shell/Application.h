#pragma once
#include "base/Platform.h"

// Runs the tool; returns the process exit code.
int ApplicationMain();
