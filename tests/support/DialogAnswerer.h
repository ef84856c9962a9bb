#pragma once
#include "base/Platform.h"
#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// What a dialog (a message box, a file dialog) showed when it was answered.
struct DialogSeen {
    std::string title;
    std::string text;  // the message of a message box
    HICON icon = nullptr;
};

// What to do in one dialog, from the answering thread: returns the button to
// press in it (IDOK, IDCANCEL, ...), or 0 for none.
using DialogAction = std::function<int(HWND dialog)>;

// From a thread of its own, waits for each of the next dialogs that the given
// thread opens (any visible dialog that was not there when the answerer
// began), reads it, and runs its action or presses its button. Seen() joins
// and tells what was found; fewer entries than actions means a dialog never came.
class DialogAnswerer {
public:
    DialogAnswerer(DWORD threadId, std::vector<DialogAction> actions, DWORD timeoutMs = 15000);
    DialogAnswerer(DWORD threadId, std::initializer_list<int> buttons, DWORD timeoutMs = 15000);
    ~DialogAnswerer();
    const std::vector<DialogSeen>& Seen();
    // Stops waiting for a dialog that should not come, and tells what was found.
    const std::vector<DialogSeen>& Stop();

private:
    void Run();
    DWORD threadId;
    std::vector<DialogAction> actions;
    DWORD timeoutMs;
    std::vector<HWND> handled;
    std::vector<DialogSeen> seen;
    std::atomic<bool> stopped{false};
    std::thread worker;
};
