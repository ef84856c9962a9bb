#pragma once
#include "store/RecordDatabase.h"

// What became of a match handed to StoreMatch.
const uint32_t MATCH_STORED = 0;       // committed to the current record
const uint32_t MATCH_REFUSED = 1;      // can never go in: its time stamp is taken
const uint32_t MATCH_NOT_WRITTEN = 2;  // the file is busy or cannot be written now

// Inserts one match into the current record in a transaction of its own,
// waiting at most busyWaitMs for another program's lock; once committed, the
// change enters the undo list. Anything but a refused row counts as not
// written, so the caller may try again later.
uint32_t StoreMatch(const MatchRecord* record, int busyWaitMs);

// Creates a record file at path (which must not exist yet) with the table and
// index of every record file, holding the records. False, with no file left
// behind, when that fails.
bool WriteNewRecordFile(const char* path, const MatchRecord* records, uint32_t count);
