#pragma once
#include "base/GrowArray.h"
#include "base/Settings.h"
#include "store/RecordDatabase.h"

// Finished matches that their record file has not taken yet (another program
// holds it, or it cannot be written). Each is also written to a journal, a
// small SQLite file beside the program, and flushed to the disk before the
// tool goes on, so that neither a crash nor a power cut loses it; it leaves
// the journal only once its record holds the row. The next start, or the
// next load of its record, stores it there.

// The journal's name in the program's folder.
#define MATCH_JOURNAL_NAME "vty_waiting.db"

struct WaitingMatch {
    MatchRecord record;
    char recordPath[SETTING_PATH_SIZE];  // the record it was played on, as a full path
    bool journaled;                      // on the disk in the journal too
};

// Oldest first.
extern GrowArray<WaitingMatch> WaitingMatches;

// Takes in what an earlier run left in the journal at path (matches, and
// notes that waited for the notes file), if there is one; the journal itself
// is made when something first has to wait. False when a journal is there
// but cannot be read: it is left as it is.
bool OpenMatchJournal(const char* path);
// Closes the journal, removing its file when nothing waits in it.
void CloseMatchJournal();

// Puts a match of the current record at the end of the line. True when the
// journal holds it; false when it waits in memory only.
bool AddWaitingMatch(const MatchRecord* record);
// Stores the matches that wait for the current record, oldest first, each
// entering the undo list, up to the first the file does not take (waiting at
// most busyWaitMs for another program's lock). A match whose time stamp the
// record holds already (stored before a crash) leaves the line as stored.
// Calls stored, if given, for each one stored; returns how many left the line.
uint32_t StoreWaitingMatches(int busyWaitMs, void (*stored)(const MatchRecord* record));
// Writes the matches that wait in memory only to the journal; returns how
// many still are nowhere but in memory.
uint32_t JournalWaitingMatches();

// A note that waits for the notes file (store/OpponentNotes.h) into the
// journal, replacing an older one on the same name; false when the journal
// cannot take it.
struct WaitingNote;
bool JournalWaitingNote(const WaitingNote* note);
// Out of the journal once the notes file holds it.
void DropJournaledNote(const char* name);

// How many wait for the current record, or for the others.
uint32_t CountWaitingMatches(bool forCurrentRecord);
// The newest waiting match, whichever its record; false when none waits.
bool NewestWaitingMatch(MatchRecord* record);
// The record of the oldest match waiting for another record; null when none.
const char* OtherWaitingRecord();
