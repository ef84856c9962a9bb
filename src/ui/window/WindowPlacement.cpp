#include "ui/window/WindowPlacement.h"

static int64_t Area(const RECT* rect)
{
    return static_cast<int64_t>(rect->right - rect->left) * (rect->bottom - rect->top);
}

static LONG Clamp(LONG at, LONG size, LONG low, LONG high)
{
    if (at > high - size)
        at = high - size;
    return at < low ? low : at;
}

bool MoveOntoVisibleMonitor(RECT* frame)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    HMONITOR monitor = MonitorFromRect(frame, MONITOR_DEFAULTTONULL);
    RECT inside;
    if (monitor && GetMonitorInfoA(monitor, &info) && IntersectRect(&inside, frame, &info.rcWork) &&
        2 * Area(&inside) >= Area(frame))
        return false;
    if (!GetMonitorInfoA(MonitorFromRect(frame, MONITOR_DEFAULTTONEAREST), &info))
        return false;
    LONG width = frame->right - frame->left, height = frame->bottom - frame->top;
    LONG left = Clamp(frame->left, width, info.rcWork.left, info.rcWork.right);
    LONG top = Clamp(frame->top, height, info.rcWork.top, info.rcWork.bottom);
    OffsetRect(frame, left - frame->left, top - frame->top);
    return true;
}

void KeepWindowVisible(HWND window)
{
    RECT frame;
    if (GetWindowRect(window, &frame) && MoveOntoVisibleMonitor(&frame))
        SetWindowPos(window, nullptr, frame.left, frame.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

struct CascadeSpot {
    HWND window;
    POINT corner;
    bool taken;
};

static BOOL CALLBACK FindWindowAtSpot(HWND other, LPARAM context)
{
    CascadeSpot* spot = reinterpret_cast<CascadeSpot*>(context);
    RECT frame;
    if (other != spot->window && IsWindowVisible(other) && GetWindowRect(other, &frame) &&
        frame.left == spot->corner.x && frame.top == spot->corner.y)
        spot->taken = true;
    return !spot->taken;
}

void CascadeFromOwner(HWND window)
{
    HWND owner = GetWindow(window, GW_OWNER);
    RECT from, frame;
    if (!owner || !GetWindowRect(owner, &from) || !GetWindowRect(window, &frame))
        return;
    int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYSIZEFRAME);
    CascadeSpot spot = {window, {from.left, from.top}, true};
    // Twenty steps at most: a screen full of windows is left as it is.
    for (int i = 0; i < 20 && spot.taken; ++i) {
        spot.corner.x += step;
        spot.corner.y += step;
        spot.taken = false;
        EnumThreadWindows(GetCurrentThreadId(), FindWindowAtSpot, reinterpret_cast<LPARAM>(&spot));
    }
    OffsetRect(&frame, spot.corner.x - frame.left, spot.corner.y - frame.top);
    MoveOntoVisibleMonitor(&frame);
    SetWindowPos(window, nullptr, frame.left, frame.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
