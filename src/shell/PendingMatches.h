#pragma once
#include "base/GrowArray.h"
#include "store/RecordDatabase.h"

// Finished matches that the record file could not take yet (another program
// holds it locked, or it cannot be written), oldest first, each with the time
// stamp of its end. They belong to the record in use when they ended.
extern GrowArray<MatchRecord> PendingMatches;

// The hidden main window's timer that tries them again while any waits.
const UINT_PTR PENDING_RETRY_TIMER = 1;
const UINT PENDING_RETRY_INTERVAL_MS = 3000;

// Stores a finished match after every waiting one, or puts it at the end of
// the line. Each match stored enters the undo list and refreshes the
// statistics window. False only when the record refused it for good (its
// time stamp is taken): then it is dropped.
bool StoreFinishedMatch(const MatchRecord* record);
// Tries the waiting matches again, oldest first, and stops at the first the
// file does not take. The retry timer waits only briefly for a lock, so the
// windows stay responsive; a last try before closing waits as long as a match
// end does.
void RetryPendingMatches(bool briefly);
// Writes matches that still wait into a new record file beside the program,
// named after recordPath and this moment, and forgets them. Called when
// recordPath is no longer used; when even that file cannot be written the
// player is told how many matches are lost.
void RescuePendingMatches(const char* recordPath);
