#pragma once
#include "base/Platform.h"

// A stored time stamp is the FILETIME count (100 ns since 1601) of the local
// wall-clock time, never converted to or from UTC.

// One day in time stamp units (100 ns).
const int64_t DAY_TICKS = 864000000000LL;

// Matches less than this far apart belong to one session: a gap of 30
// minutes or more starts the next one, so a night across midnight stays one.
const int64_t SESSION_GAP = 30 * 60 * 10000000LL;
bool StartsNewSession(int64_t previous, int64_t next);

int64_t TimestampFromLocalTime(const SYSTEMTIME* localTime);
// False when the count is no valid time (negative or past the year 30827).
bool LocalTimeFromTimestamp(int64_t timestamp, SYSTEMTIME* localTime);
// The local clock of this moment.
int64_t CurrentTimestamp();
