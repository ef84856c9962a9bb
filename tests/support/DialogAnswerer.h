#pragma once
#include "base/Platform.h"
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
// press in it (IDOK, IDCANCEL, ...), or 0 for none. A button alone presses it.
struct DialogAction : std::function<int(HWND dialog)> {
    using function::function;
    DialogAction(int button) : function([button](HWND) { return button; }) {}
};

// The tests' one way through dialogs: from its own thread, waits for each next
// dialog that thread threadId opens, until its modal loop runs; reads it and runs
// its action (which drives it with messages, and may post a button to an earlier
// dialog after its own). Fewer seen than actions: one never came.
class DialogAnswerer {
public:
    DialogAnswerer(DWORD threadId, std::vector<DialogAction> actions, DWORD timeoutMs = 15000);
    ~DialogAnswerer() { Seen(); }
    const std::vector<DialogSeen>& Seen() { if (worker.joinable()) worker.join(); return seen; }
    // Stops waiting for a dialog that should not come, and tells what was found.
    const std::vector<DialogSeen>& Stop() { stopped = true; return Seen(); }

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
