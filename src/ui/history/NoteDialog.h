#pragma once
#include "base/Platform.h"

// The note on one opponent profile (its stored bytes), in a small modal
// dialog owned by owner: OK stores the text before the dialog goes, an empty
// one removes the note. A file held by another program makes the note wait,
// and the player is told so. False when cancelled, when the note cannot be
// read, or when a note dialog is open already (it comes to the front).
bool EditOpponentNote(HWND owner, const char* name);
// Called when a note has to wait, so that it is tried again soon.
void SetNoteWaitingHandler(void (*handler)());
