#pragma once
#include "store/RecordDatabase.h"

// What a change did to the record; any kind other than CHANGE_INSERTED is a deletion.
const uint32_t CHANGE_INSERTED = 0;
const uint32_t CHANGE_DELETED = 1;

// One change of the record, kept in memory for undo and redo.
struct ChangeEntry {
    uint32_t kind;
    MatchRecord record;
};
