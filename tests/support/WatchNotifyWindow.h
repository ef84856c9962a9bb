#pragma once
#include "base/Platform.h"
#include <string>
#include <vector>

// A message-only window of the test thread that keeps every message at or
// above WM_APP posted to it, as the tool's hidden window would receive them.
class WatchNotifyWindow {
public:
    WatchNotifyWindow();
    ~WatchNotifyWindow();
    HWND Handle() const { return window; }
    // The watcher's notices received so far as one text: "attached",
    // "detached", "SELECTOR=VALUE" for a changed value; anything else shown raw.
    std::string Text() const;
    std::vector<MSG> received;

private:
    static LRESULT CALLBACK Procedure(HWND, UINT, WPARAM, LPARAM);
    HWND window = nullptr;
};
