#pragma once
#include "base/GrowArray.h"
#include "store/RecordDatabase.h"
#include "store/WorkProgress.h"

struct sqlite3;

// Joins two record files (a backup, the record of another PC) into a new
// record file. Neither input is ever written: each is opened read-only and
// copied a few pages at a time, so that vty.exe, recording into one of them,
// waits at most for one short read.

// What the read of one input found.
enum MergeInputState {
    MERGE_INPUT_READ,        // its rows are in the work copy
    MERGE_INPUT_MISSING,     // no such file, a folder, or it cannot be opened
    MERGE_INPUT_NOT_RECORD,  // an empty file, or a database without the record table and its columns
    MERGE_INPUT_DAMAGED,     // no SQLite database, or one that fails its check (cut short, overwritten)
    MERGE_INPUT_BUSY,        // locked, or a hot journal only a writer may roll back: nothing known wrong
};

// Two rows with one time stamp and different values. Both are kept: the
// first input's at the time stamp, the second's moved to the nearest free
// tick after it (100 ns later; recorded matches lie on whole milliseconds).
struct MergeConflict {
    MatchRecord first;
    MatchRecord second;  // at its own time stamp, as the second input holds it
    int64_t movedTimestamp;
};

struct RecordMerge {
    sqlite3* work;  // in memory: the rows of both inputs; null before a read
    int32_t firstState, secondState;
    int32_t firstOnly, secondOnly;  // time stamps in one input only
    int32_t both;                   // same time stamp and the same values: kept once
    GrowArray<MergeConflict> conflicts;
    int32_t merged;     // rows of the new file
    int32_t recovered;  // a repair: the rows read from the damaged file
};

void InitRecordMerge(RecordMerge* merge);
void ClearRecordMerge(RecordMerge* merge);

// Reads both inputs (code page paths) and counts what a merge gives; false,
// with the states saying why, when either cannot be read, or when the
// progress cancels (the states then say nothing).
bool ReadRecordsToMerge(const char* firstPath, const char* secondPath, RecordMerge* merge,
                        const WorkProgress* progress = nullptr);

// A repair of a damaged record (code page paths): its readable rows
// (RecordRepair) as the first input, the backup (null for none) as the
// second; counted as a merge. False, with the states saying why, when
// either cannot be read.
bool ReadRecordsToRepair(const char* damagedPath, const char* backupPath, RecordMerge* merge,
                         const WorkProgress* progress = nullptr);

// The new file is written as "<outputPath>.vty-part" and renamed when it is
// checked. One left by a merge that was killed goes at the next merge into
// its folder, or at the report's next start in the record's folder, once it
// is this old (a merge still writing one changes it all the time).
#define MERGE_PART_SUFFIX ".vty-part"
const uint32_t MERGE_PART_STALE_MS = 10 * 60 * 1000;
void RemoveStaleMergeFiles(const char* folder);

// Writes the merged rows, by time stamp, as a new record file with the
// schema vty.exe creates: first under the temporary name above, which
// becomes outputPath only when PRAGMA integrity_check answers ok and the
// row count is the sum of the counts. False, with nothing left behind, when
// any step fails, the progress cancels or outputPath exists.
bool WriteMergedRecord(RecordMerge* merge, const char* outputPath, const WorkProgress* progress = nullptr);
