#pragma once
#include "base/Platform.h"

// How far long work on a record has come (a read of the whole record, a
// backup, a merge, a repair, an export), told between its short steps by the
// thread doing it: done out of total, in whatever unit the work counts. The
// handler returns false to cancel the work, which then stops at its next step
// and leaves no file behind. A null WorkProgress tells nothing.
struct WorkProgress {
    bool (*handler)(int64_t done, int64_t total, void* context);
    void* context;
};

// False when the work is to stop.
inline bool TellProgress(const WorkProgress* progress, int64_t done, int64_t total)
{
    return !progress || !progress->handler || progress->handler(done, total, progress->context);
}
