#include "ui/window/OwnedWindows.h"
#include "base/GrowArray.h"

// found->At(0) is the owner; the windows it owns are appended.
static BOOL CALLBACK CollectOwned(HWND window, LPARAM context)
{
    GrowArray<HWND>* found = reinterpret_cast<GrowArray<HWND>*>(context);
    LONG style = GetWindowLongA(window, GWL_STYLE);
    if (GetWindow(window, GW_OWNER) == found->At(0) && (style & (WS_POPUP | WS_BORDER | WS_SYSMENU)))
        found->Append(window);
    return TRUE;
}

static void CollectOwnedWindows(HWND owner, GrowArray<HWND>* found)
{
    found->Init();
    found->Append(owner);
    EnumThreadWindows(GetCurrentThreadId(), CollectOwned, reinterpret_cast<LPARAM>(found));
}

void CloseOwnedWindows(HWND owner)
{
    // Collected first: destroying while enumerating would skip windows.
    GrowArray<HWND> found;
    CollectOwnedWindows(owner, &found);
    for (uint32_t i = 1; i < found.count; ++i)
        if (IsWindow(found.At(i)))
            DestroyWindow(found.At(i));
    found.Clear();
}

void PostToOwnedWindows(HWND owner, UINT message, HWND except)
{
    GrowArray<HWND> found;
    CollectOwnedWindows(owner, &found);
    for (uint32_t i = 1; i < found.count; ++i)
        if (found.At(i) != except)
            PostMessageA(found.At(i), message, 0, 0);
    found.Clear();
}
