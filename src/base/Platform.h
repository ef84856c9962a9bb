// The one header that brings in the platform: every source includes it first.
#pragma once

#include <windows.h>
#include <shlwapi.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>
