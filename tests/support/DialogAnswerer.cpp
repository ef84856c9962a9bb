#include "support/DialogAnswerer.h"
#include <algorithm>

// The top-level windows of a thread; of a class, only its visible ones.
static std::vector<HWND> ThreadWindows(DWORD threadId, const char* className)
{
    std::vector<HWND> found;
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, className, nullptr)) != nullptr;)
        if (GetWindowThreadProcessId(window, nullptr) == threadId && (!className || IsWindowVisible(window)))
            found.push_back(window);
    return found;
}

DialogAnswerer::DialogAnswerer(DWORD threadId, std::vector<DialogAction> actions, DWORD timeoutMs)
    : threadId(threadId), actions(std::move(actions)), timeoutMs(timeoutMs),
      handled(ThreadWindows(threadId, nullptr))  // the dialog that opens this one, detail windows...
{
    worker = std::thread(&DialogAnswerer::Run, this);
}

void DialogAnswerer::Run()
{
    for (const DialogAction& action : actions) {
        HWND dialog = nullptr;
        for (DWORD start = GetTickCount(); !dialog && !stopped && GetTickCount() - start < timeoutMs; Sleep(20))
            for (HWND window : ThreadWindows(threadId, "#32770"))
                if (std::find(handled.begin(), handled.end(), window) == handled.end())
                    dialog = window;
        if (!dialog)
            return;
        handled.push_back(dialog);
        // Answered once the thread takes messages again, in the dialog's modal loop.
        SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, nullptr);
        char title[256] = "", text[1024] = "";
        GetWindowTextA(dialog, title, sizeof title);
        GetDlgItemTextA(dialog, 0xFFFF, text, sizeof text);  // a message box's message
        seen.push_back({title, text, nullptr});
        for (HWND child = nullptr; (child = FindWindowExA(dialog, child, "Static", nullptr)) != nullptr;)
            if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                seen.back().icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        if (int button = action(dialog))
            PostMessageA(dialog, WM_COMMAND, button, 0);
    }
}
