#pragma once
#include "store/OpponentNotes.h"
#include "store/RecordBackup.h"

// The notes file (vty_notes.db) as the report tool handles it: copied beside
// the record's daily backups, and joined with another PC's notes. vty.exe may
// write a note at any moment: a notes file is read in one short read, and
// changed in one transaction that waits at most DATABASE_BUSY_TIMEOUT_MS for it.

// A database with the notes table: one short look, not the full check.
bool IsNotesFile(const char* path);
// One with the notes table that also passes the check (PRAGMA quick_check).
bool IsGoodNotesFile(const char* path);

// Copies every note of the file at notesPath (code page text) to a new file
// at copyPath (a file there is replaced), read in one short read; the copy is
// checked whole and must hold every note read. A damaged file, or one that is
// no notes file, gives COPY_UNSOUND; anything but COPY_SOUND leaves no file at
// copyPath. progress is asked once the copy is written, before its check.
int32_t CopyNotesFile(const char* notesPath, const char* copyPath, const WorkProgress* progress);

enum NotesMergeState {
    NOTES_MERGED,          // this PC's notes hold the other's now
    NOTES_OWN_BUSY,        // this PC's notes are held by another program: nothing changed
    NOTES_OWN_UNSOUND,     // this PC's file is damaged or no notes file: nothing changed
    NOTES_OWN_FAILED,      // this PC's notes could not be written: nothing changed
    NOTES_OTHER_BUSY,      // the other file cannot be read now: nothing changed
    NOTES_OTHER_UNSOUND,   // the other file is damaged or no notes file: nothing changed
};

// An opponent whose note was not joined, as the file names it (cut to whole
// characters of PROFILE_NAME_SIZE - 1 bytes at most).
struct NoteName {
    char name[PROFILE_NAME_SIZE];
};

struct NotesMerge {
    int32_t state;
    int32_t added;               // names only in the other file
    int32_t kept;                // this PC's text already holds every piece of the other's
    int32_t joined;              // both texts now, this PC's first
    GrowArray<NoteName> tooLong; // not written: the joined text would pass NOTE_SIZE - 1 bytes
};

void InitNotesMerge(NotesMerge* merge);
void ClearNotesMerge(NotesMerge* merge);
// Joins the notes of the file at otherPath (read-only: never written) into
// the one at ownPath (made when missing), both code page paths, in one
// transaction. A name only in the other file is added as it is; a note whose
// text differs keeps this PC's text, NOTES_SEPARATOR and the other's, and the
// newer change time; this PC's text that already holds the other's (the same,
// or a part of it after an earlier join) stays as it is. A note that would
// not fit is not written at all. Anything but NOTES_MERGED changes nothing.
void MergeNotesFiles(const char* ownPath, const char* otherPath, NotesMerge* merge);
