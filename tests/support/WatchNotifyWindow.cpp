#include "support/WatchNotifyWindow.h"

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
    if (message >= WM_APP && message <= 0xBFFF) {
        auto self = reinterpret_cast<WatchNotifyWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self)
            self->received.push_back({message, wParam, lParam});
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool WatchNotifyWindow::PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done())
            return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    }
}

void WatchNotifyWindow::Pump(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

bool WatchNotifyWindow::WaitForCount(size_t count, DWORD timeoutMs)
{
    return PumpUntil([&] { return received.size() >= count; }, timeoutMs);
}
