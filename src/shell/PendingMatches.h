#pragma once
#include "store/WaitingMatches.h"

// The shell's side of the matches that wait for their record file
// (store/WaitingMatches.h): the tray tip that tells the player, the timer
// that tries them again, and what becomes of them at exit.

// The hidden main window's timer that tries them again while any waits.
const UINT_PTR PENDING_RETRY_TIMER = 1;
const UINT PENDING_RETRY_INTERVAL_MS = 3000;
// A match end and the timer wait only this long for another program's lock,
// so that a held file never freezes the windows.
const int BRIEF_BUSY_WAIT_MS = 50;

// At start, once the record is open: takes in the journal beside the
// program and stores what waits there for this record.
void StartPendingMatches();
// Stores a finished match after every one that waits for the same record, or
// puts it at the end of the line at once. Each match stored enters the undo
// list and refreshes the statistics window. False only when the record
// refused it for good (its time stamp is taken): then it is dropped.
bool StoreFinishedMatch(const MatchRecord* record);
// Tries the matches waiting for the current record again, oldest first, up
// to the first the file does not take, and brings the tray tip up to date.
void RetryPendingMatches(int busyWaitMs);
// At exit, after a last try: a match that is in the journal waits there for
// the next start; one that could not be written even there goes to a record
// file of its own beside the program, and failing that the player is shown
// each one, and gets the list on the clipboard.
void EndPendingMatches();
