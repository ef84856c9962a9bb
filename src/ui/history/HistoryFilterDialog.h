#pragma once
#include "base/Platform.h"

// The history filter dialog, modal and owned by owner. OK stores the
// criteria in HistoryFilter and opens a history window owned by owner;
// Cancel stores nothing. A refused OK keeps what it stored before the check
// that refused it.
void ChooseHistoryFilter(HWND owner);
