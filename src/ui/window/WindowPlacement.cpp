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
