#pragma once
#include "store/WorkProgress.h"

// The window of long work in the report (its start on a large record, the
// daily backup, the merge, the repair, the CSV export): a progress bar that
// shows once the work has run half a second, and a 「キャンセル」 button that
// stops it. Work on the main thread tells its progress through the
// WorkProgress that BeginProgress hands out, which keeps the window's
// messages moving; work on a thread of its own uses the one of
// BeginWorkerProgress and the main thread calls ShowProgress now and then.

#define PROGRESS_WINDOW_CLASS "VtyProgressWindow"

// Work that runs this long before the window shows.
const DWORD PROGRESS_DELAY_MS = 500;

struct ProgressDialog {
    HWND owner;               // disabled while work on the main thread runs; may be null
    HWND window;              // null until shown
    HWND bar;
    const char* caption;      // the window's caption
    const char* text;         // the line above the bar
    DWORD started;            // GetTickCount at the start
    volatile LONG cancelled;  // the button was pressed
    volatile LONG done;       // from a worker thread, in ten thousandths
    volatile LONG paused;     // a worker thread waits at its next step while set
    bool ownerDisabled;
};

// Work on the main thread: owner (or null) is disabled until EndProgress.
// texts: static text. Fills work with the handler to pass to the store.
void BeginProgress(ProgressDialog* progress, HWND owner, const char* caption, const char* text, WorkProgress* work);
// Work on another thread: its handler only stores the progress and answers
// whether to go on; the main thread shows it with ShowProgress.
void BeginWorkerProgress(ProgressDialog* progress, HWND owner, const char* caption, const char* text,
                         WorkProgress* work);
// Holds a worker thread at its next step, or lets it go on: the main
// thread's own work first when both compete for the processor.
void PauseWorker(ProgressDialog* progress, bool paused);
// The main thread: shows (once the delay is over) and updates the window.
void ShowProgress(ProgressDialog* progress);
bool ProgressCancelled(const ProgressDialog* progress);
// Closes the window and gives the owner back its input.
void EndProgress(ProgressDialog* progress);
