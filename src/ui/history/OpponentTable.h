#pragma once
#include "base/Platform.h"

// Opens another opponent profile table owned by owner (the statistics
// window): every opponent name of the record with its matches, wins, losses
// and win rate, sorted by name. Null when the window could not be made.
HWND OpenOpponentTable(HWND owner);
