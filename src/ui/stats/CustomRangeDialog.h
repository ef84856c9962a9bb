#pragma once
#include "store/RecordFilter.h"

// The custom range dialog, modal and owned by owner; it starts clear every
// time. On OK, range holds exactly the chosen conditions (FILTER_P2NAME,
// FILTER_BEGIN at 00:00:00.000 of the first day, FILTER_END at 23:59:59.999
// of the last) and the result is true; on cancel range is untouched.
bool ChooseCustomRange(HWND owner, RecordFilter* range);
