#include "ui/window/DpiScaling.h"
#include "ui/window/ListView.h"

typedef UINT(WINAPI* GetDpiForWindowFunction)(HWND);

uint32_t WindowDpi(HWND window)
{
    // Looked up each time: cheap next to the drawing it serves, and no state.
    GetDpiForWindowFunction getDpi = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    uint32_t dpi = getDpi && window ? getDpi(window) : 0;
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        dpi = screen ? static_cast<uint32_t>(GetDeviceCaps(screen, LOGPIXELSX)) : BASE_DPI;
        if (screen)
            ReleaseDC(nullptr, screen);
    }
    return dpi ? dpi : BASE_DPI;
}

int32_t ScaleForWindow(HWND window, int32_t pixels)
{
    return MulDiv(pixels, static_cast<int>(WindowDpi(window)), BASE_DPI);
}

static BOOL CALLBACK RescaleList(HWND child, LPARAM dpi)
{
    char kind[32] = "";
    GetClassNameA(child, kind, sizeof kind);
    if (!lstrcmpiA(kind, WC_LISTVIEWA))
        RescaleListColumns(child, static_cast<uint32_t>(dpi));
    return TRUE;
}

void HandleDpiChanged(HWND window, WPARAM wParam, LPARAM lParam)
{
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    if (suggested)
        SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    EnumChildWindows(window, RescaleList, static_cast<LPARAM>(LOWORD(wParam)));
}
