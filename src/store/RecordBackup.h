#pragma once
#include "store/RecordReading.h"

// A copy of a record file made while vty.exe may store a match every moment:
// built from the record's rows, read in time-stamp ranges of a short read
// each (the file is free for vty.exe between them), into a new file with the
// schema every record file has. A range's rows are checked against the
// record's index in the same read, and the finished copy is checked whole
// (PRAGMA quick_check): the record itself is never checked in one go, which
// would hold it for seconds. The copy holds every match committed before it
// started; one stored meanwhile may or may not be in it, but never in part.

enum RecordCopyResult {
    COPY_SOUND,      // the copy is written and checked
    COPY_UNSOUND,    // the record (or the copy) failed a check: no copy
    COPY_BUSY,       // the record could not be read now: no copy
    COPY_FAILED,     // the copy could not be written: no copy
    COPY_CANCELLED,  // the progress cancelled it: no copy
};

// Writes the copy to copyPath (code page text; a file there is replaced).
// Anything but COPY_SOUND leaves no file at copyPath. Progress: the share of
// the record copied, then the check, in ten thousandths.
int32_t CopyRecordFile(RecordReader* record, const char* copyPath, const WorkProgress* progress);
