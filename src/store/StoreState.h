#pragma once
#include "base/Settings.h"
#include "store/RecordTotals.h"

struct sqlite3;

// What the store keeps between calls, in one place: used by the store's own
// files only, on the main thread only. The lists the rest of the tool reads
// (DatabasePath, UndoList, RedoList, WaitingMatches) stay globals of their own.
struct StoreState {
    sqlite3* connection;                  // the current record, or null
    RecordTotals totals;                  // the current record summed up in memory
    sqlite3* journal;                     // the waiting matches' journal, once opened
    char journalPath[SETTING_PATH_SIZE];  // where it is; empty before OpenMatchJournal
    sqlite3* notes;                       // the opponent notes, once opened
    char notesPath[SETTING_PATH_SIZE];    // where they are; empty before SetNotesPath
};

extern StoreState RecordStore;
