#include "support/WatchNotifyWindow.h"
#include "watcher/WatcherThread.h"
#include <cstdio>

static const char* const CLASS_NAME = "VtyTestWatchTarget";

WatchNotifyWindow::WatchNotifyWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = CLASS_NAME;
    RegisterClassA(&wc);  // fails harmlessly when already registered
    window = CreateWindowExA(0, CLASS_NAME, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

WatchNotifyWindow::~WatchNotifyWindow()
{
    DestroyWindow(window);
}

LRESULT CALLBACK WatchNotifyWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto self = reinterpret_cast<WatchNotifyWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message < WM_APP || message > 0xBFFF || !self)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    self->received.push_back({hwnd, message, wParam, lParam, 0, {0, 0}});
    return 0;
}

std::string WatchNotifyWindow::Text() const
{
    std::string text;
    for (const MSG& m : received) {
        char one[64];
        int kind = LOWORD(m.wParam), high = HIWORD(m.wParam);
        long value = static_cast<long>(m.lParam);
        if (m.message == WM_WATCHNOTIFY && kind == WATCH_STATE_CHANGED && value == 0 && high <= WATCH_ATTACHED)
            snprintf(one, sizeof one, high == WATCH_ATTACHED ? "attached" : "detached");
        else if (m.message == WM_WATCHNOTIFY && kind == WATCH_VALUE_CHANGED)
            snprintf(one, sizeof one, "%d=%ld", high, value);
        else
            snprintf(one, sizeof one, "message%u(%d,%d,%ld)", m.message, kind, high, value);
        text += (text.empty() ? "" : " ") + std::string(one);
    }
    return text;
}
