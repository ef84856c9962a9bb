#pragma once
#include "store/WorkProgress.h"

struct sqlite3;

// The rows of a damaged record file, as far as they can still be read:
// SQLite's recovery extension (ext/recover) reads the file page by page,
// without SQLite's checks of the whole, so that the rows of every page that
// is not itself damaged come back, those whose upper pages are gone too.
// The file is opened read-only and never changed.

// Copies every recovered row into table of work (a table with the record's
// seven columns and the time stamp as its key; a time stamp found twice is
// kept once), and its count into recovered. Returns a MergeInputState:
// MERGE_INPUT_READ, or why nothing could be read (MERGE_INPUT_MISSING too
// when the progress cancels).
int32_t RecoverRecordRows(sqlite3* work, const char* path, const char* table, int32_t* recovered,
                          const WorkProgress* progress = nullptr);
