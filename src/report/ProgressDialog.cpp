#include "report/ProgressDialog.h"
#include "ui/window/DpiScaling.h"
#include <commctrl.h>

const int PROGRESS_TEXT_ID = 100;
const int PROGRESS_BAR_ID = 101;
const LONG PROGRESS_RANGE = 10000;

static LRESULT CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ProgressDialog* progress = reinterpret_cast<ProgressDialog*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL && progress) {
        InterlockedExchange(&progress->cancelled, 1);
        EnableWindow(GetDlgItem(window, IDCANCEL), FALSE);
        return 0;
    }
    // Closing the window is the button's job: the work ends it.
    if (message == WM_CLOSE)
        return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

// Places are for 96 DPI; the owner's (or the screen's) DPI scales them.
static HWND AddControl(HWND window, const char* windowClass, const char* text, DWORD style, int id, RECT at,
                       HFONT font)
{
    uint32_t dpi = WindowDpi(GetWindow(window, GW_OWNER));
    at = RECT{MulDiv(at.left, static_cast<int>(dpi), BASE_DPI), MulDiv(at.top, static_cast<int>(dpi), BASE_DPI),
              MulDiv(at.right, static_cast<int>(dpi), BASE_DPI), MulDiv(at.bottom, static_cast<int>(dpi), BASE_DPI)};
    HWND control = CreateWindowExA(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, at.left, at.top,
                                   at.right - at.left, at.bottom - at.top, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

// A window of its own class (the report program has no dialog resources),
// centred on its owner, or on the work area without one.
static void CreateProgressWindow(ProgressDialog* progress)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    if (!GetClassInfoA(instance, PROGRESS_WINDOW_CLASS, &windowClass)) {
        windowClass.lpfnWndProc = ProgressProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = PROGRESS_WINDOW_CLASS;
        RegisterClassA(&windowClass);
    }
    const DWORD style = WS_POPUP | WS_CAPTION | WS_BORDER;
    RECT frame = {0, 0, ScaleForWindow(progress->owner, 360), ScaleForWindow(progress->owner, 96)}, area;
    AdjustWindowRect(&frame, style, FALSE);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    if (!progress->owner || !GetWindowRect(progress->owner, &area))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    HWND window = CreateWindowExA(WS_EX_DLGMODALFRAME, PROGRESS_WINDOW_CLASS, progress->caption, style,
                                  (area.left + area.right - width) / 2, (area.top + area.bottom - height) / 2, width,
                                  height, progress->owner, nullptr, instance, nullptr);
    if (!window)
        return;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(progress));
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    AddControl(window, "STATIC", progress->text, SS_LEFT, PROGRESS_TEXT_ID, RECT{12, 12, 348, 30}, font);
    progress->bar = AddControl(window, PROGRESS_CLASSA, "", 0, PROGRESS_BAR_ID, RECT{12, 34, 348, 52}, font);
    SendMessageA(progress->bar, PBM_SETRANGE32, 0, PROGRESS_RANGE);
    AddControl(window, "BUTTON", "キャンセル", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, RECT{258, 62, 348, 86}, font);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    progress->window = window;
}

static void Start(ProgressDialog* progress, HWND owner, const char* caption, const char* text, WorkProgress* work,
                  bool (*handler)(int64_t, int64_t, void*))
{
    progress->owner = owner;
    progress->window = progress->bar = nullptr;
    progress->caption = caption;
    progress->text = text;
    progress->started = GetTickCount();
    progress->cancelled = 0;
    progress->done = 0;
    progress->paused = 0;
    progress->ownerDisabled = false;
    work->handler = handler;
    work->context = progress;
}

static LONG Share(int64_t done, int64_t total)
{
    return total > 0 ? static_cast<LONG>(done * PROGRESS_RANGE / total) : 0;
}

// On the main thread: the window shown or updated, its messages and the
// owner's paint handled.
static bool PumpProgress(int64_t done, int64_t total, void* context)
{
    ProgressDialog* progress = static_cast<ProgressDialog*>(context);
    progress->done = Share(done, total);
    ShowProgress(progress);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Kept for the program's own loop, which ends with it.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return !ProgressCancelled(progress);
}

static bool StoreProgress(int64_t done, int64_t total, void* context)
{
    ProgressDialog* progress = static_cast<ProgressDialog*>(context);
    InterlockedExchange(&progress->done, Share(done, total));
    while (progress->paused && !ProgressCancelled(progress))
        Sleep(10);
    return !ProgressCancelled(progress);
}

void BeginProgress(ProgressDialog* progress, HWND owner, const char* caption, const char* text, WorkProgress* work)
{
    Start(progress, owner, caption, text, work, PumpProgress);
    // The owner takes no input meanwhile: no second command starts inside this one.
    if (owner && IsWindowEnabled(owner)) {
        EnableWindow(owner, FALSE);
        progress->ownerDisabled = true;
    }
}

void BeginWorkerProgress(ProgressDialog* progress, HWND owner, const char* caption, const char* text,
                         WorkProgress* work)
{
    Start(progress, owner, caption, text, work, StoreProgress);
}

void PauseWorker(ProgressDialog* progress, bool paused)
{
    InterlockedExchange(&progress->paused, paused ? 1 : 0);
}

void ShowProgress(ProgressDialog* progress)
{
    if (!progress->window && GetTickCount() - progress->started >= PROGRESS_DELAY_MS)
        CreateProgressWindow(progress);
    if (progress->bar)
        SendMessageA(progress->bar, PBM_SETPOS, static_cast<WPARAM>(progress->done), 0);
}

bool ProgressCancelled(const ProgressDialog* progress)
{
    return progress->cancelled != 0;
}

void EndProgress(ProgressDialog* progress)
{
    // The owner first, so that closing the window activates it.
    if (progress->ownerDisabled)
        EnableWindow(progress->owner, TRUE);
    progress->ownerDisabled = false;
    if (progress->window)
        DestroyWindow(progress->window);
    progress->window = progress->bar = nullptr;
}
