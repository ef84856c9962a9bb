#include "store/ChangeHistory.h"
#include "store/RecordQueries.h"
#include "store/WaitingMatches.h"

GrowArray<ChangeEntry> UndoList;
GrowArray<ChangeEntry> RedoList;

void RecordChange(uint32_t kind, const MatchRecord* record)
{
    RedoList.Clear();
    ChangeEntry entry;
    entry.kind = kind;
    entry.record = *record;
    UndoList.Append(entry);
}

// Applies the newest entry of from (reversed when undoing) in one
// transaction and moves it to the end of to; the entry stays on failure.
static bool MoveChange(GrowArray<ChangeEntry>* from, GrowArray<ChangeEntry>* to, bool undo)
{
    // The newest change is not the newest match while one waits for the
    // file: undo would take back the one before it, and the late store
    // would then empty the redo list.
    if (from->count == 0 || CountWaitingMatches(true) > 0)
        return false;
    BeginTransaction();
    ChangeEntry entry = from->At(from->count - 1);
    bool insert = (entry.kind == CHANGE_INSERTED) != undo;
    bool ok = insert ? InsertRecord(&entry.record) : DeleteRecord(entry.record.timestamp);
    // The entry moves only once the change is really stored.
    if (!EndTransaction(!ok))
        return false;
    to->Append(entry);
    --from->count;  // the block keeps its size
    return true;
}

bool UndoChange()
{
    return MoveChange(&UndoList, &RedoList, true);
}

bool RedoChange()
{
    return MoveChange(&RedoList, &UndoList, false);
}
