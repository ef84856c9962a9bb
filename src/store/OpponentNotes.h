#pragma once
#include "base/GrowArray.h"
#include "store/RecordDatabase.h"

// What the player keeps on the people met online ("mashes on wake-up"), by
// opponent profile name as a record stores it, in a small SQLite file of its
// own beside the program: one for every record file, since the opponents are
// the same people. Kept with the record's care: a note is on the disk before
// a write returns; a file held by another program makes it wait in memory.

#define NOTES_FILE_NAME "vty_notes.db"
// The notes file's one table. Names and notes are code page bytes, kept as
// blobs so that SQLite never takes them for UTF-8; the name is the key as the
// record stores it; changed is the FILETIME (UTC) of the last write.
extern const char* const NOTES_TABLE;
// Bytes of a note, terminator included.
const uint32_t NOTE_SIZE = 1024;

struct WaitingNote {
    char name[PROFILE_NAME_SIZE];
    char note[NOTE_SIZE];  // "" removes the note
    int64_t changed;       // when it was written (FILETIME, UTC)
    bool journaled;        // on the disk in the journal of waiting things too
};
// Notes written while the file was held, oldest first; each is also put in
// the journal of waiting matches (store/WaitingMatches.h), so that a crash
// before the file takes it does not lose it.
extern GrowArray<WaitingNote> WaitingNotes;

// Where the notes are kept (a code page path); the file is made at the first
// note written, and nothing is opened before the first read or write.
void SetNotesPath(const char* path);
// The note on name into note (NOTE_SIZE bytes), a waiting one first; "" when
// there is none. Waits at most busyMs for a file another program holds (a
// match start cannot wait long). False, note "", when it cannot be read now.
bool ReadOpponentNote(const char* name, char* note, int busyMs);
// Stores note as the one on name (empty: removes it), flushed to the disk
// before it returns. False when the file is held or cannot be written: then
// the note waits for RetryOpponentNotes, and a newer write replaces it.
bool WriteOpponentNote(const char* name, const char* note);
// Writes the waiting notes, oldest first, each waiting at most busyMs for
// the file, and journals those still in memory only; true when none waits
// any more.
bool RetryOpponentNotes(int busyMs);
// How many waiting notes are in memory only (the journal refused them).
uint32_t UnjournaledNotes();
// Closes the file (the waiting notes stay).
void CloseOpponentNotes();

// Put between two texts of one note that were written apart (on two PCs,
// or one waiting while the file changed).
#define NOTES_SEPARATOR "\r\n――――\r\n"
// Both texts of a note in joined (NOTE_SIZE bytes, no terminator, its
// length in *length): first, then each piece of second (the parts that
// NOTES_SEPARATOR joined) that first does not hold already, so that joining
// again adds nothing. False when it would not fit in NOTE_SIZE - 1 bytes.
bool JoinNoteTexts(const char* first, int firstLength, const char* second, int secondLength, char* joined,
                   int* length);
