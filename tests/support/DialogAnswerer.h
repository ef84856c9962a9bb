#pragma once
#include "base/Platform.h"
#include <string>
#include <thread>
#include <vector>

// What a dialog (a message box, a file dialog) showed when it was answered.
struct DialogSeen {
    std::string title;
    std::string text;  // the message of a message box
    HICON icon = nullptr;
};

// From a thread of its own, waits for each of the next dialogs that the given
// thread opens, reads it, and presses the given button (IDOK, IDCANCEL, ...)
// in it. Seen() joins and tells what was found; fewer entries than buttons
// means a dialog never came.
class DialogAnswerer {
public:
    DialogAnswerer(DWORD threadId, std::vector<int> buttons, DWORD timeoutMs = 15000);
    ~DialogAnswerer();
    const std::vector<DialogSeen>& Seen();

private:
    void Run();
    DWORD threadId;
    std::vector<int> buttons;
    DWORD timeoutMs;
    std::vector<DialogSeen> seen;
    std::thread worker;
};

// The system's own picture for a message box icon (MB_ICONERROR -> IDI_HAND).
HICON SystemIcon(LPCSTR id);
