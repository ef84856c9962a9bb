#pragma once
#include "base/Platform.h"
#include <functional>
#include <vector>

// One private message as it arrived.
struct PostedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A message-only window of the test thread that keeps every message at or
// above WM_APP posted to it, as the tool's hidden window would receive them.
class WatchNotifyWindow {
public:
    WatchNotifyWindow();
    ~WatchNotifyWindow();
    HWND Handle() const { return window; }
    // Dispatches the thread's messages for the given time.
    void Pump(DWORD ms);
    // Dispatches messages until done() holds or the time is over; returns done().
    bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
    // Waits until at least count messages have arrived.
    bool WaitForCount(size_t count, DWORD timeoutMs);
    std::vector<PostedMessage> received;

private:
    static LRESULT CALLBACK Procedure(HWND, UINT, WPARAM, LPARAM);
    HWND window = nullptr;
};
