#pragma once
#include "store/RecordFilter.h"

// A detail window: one of the player's characters broken down by opponent
// character over a period, where matches are added and removed by hand.
// Opens one more, owned by owner and shown, for character p1id over period
// as it stands now (a today window keeps its day); null on failure.
HWND OpenDetailWindow(HWND owner, int32_t p1id, int32_t period, const RecordFilter* customRange);
