#pragma once
#include "base/GrowArray.h"
#include "store/RecordDatabase.h"

// What a change did to the record; any kind other than CHANGE_INSERTED is a deletion.
const uint32_t CHANGE_INSERTED = 0;
const uint32_t CHANGE_DELETED = 1;

// One change of the record, kept in memory for undo and redo.
struct ChangeEntry {
    uint32_t kind;
    MatchRecord record;
};

// The changes that undo and redo take back and make again, oldest first:
// the last entry of each is the next one used.
extern GrowArray<ChangeEntry> UndoList;
extern GrowArray<ChangeEntry> RedoList;

// Called after a change has been committed: empties RedoList and appends the
// change to UndoList.
void RecordChange(uint32_t kind, const MatchRecord* record);
// Takes back the newest change of UndoList in a transaction of its own and
// moves it to RedoList. False, with both lists unchanged and the transaction
// rolled back, when the list is empty, a match waits for the record
// (WaitingMatches.h) or the database refused.
bool UndoChange();
// Makes the newest change of RedoList again and moves it back to UndoList;
// fails like UndoChange.
bool RedoChange();
