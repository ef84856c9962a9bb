#include "support/DialogAnswerer.h"

namespace {

struct Search {
    DWORD threadId;
    std::vector<HWND>* handled;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM parameter)
{
    Search* search = reinterpret_cast<Search*>(parameter);
    char className[32];
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    for (HWND old : *search->handled)
        if (old == window)
            return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK FindIcon(HWND child, LPARAM parameter)
{
    char className[32];
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HICON*>(parameter) = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        return FALSE;
    }
    return TRUE;
}

}  // namespace

DialogAnswerer::DialogAnswerer(DWORD threadId, std::vector<DialogAction> actions, DWORD timeoutMs,
                               std::vector<HWND> exclude)
    : threadId(threadId), actions(std::move(actions)), timeoutMs(timeoutMs), handled(std::move(exclude)),
      worker(&DialogAnswerer::Run, this)
{
}

static std::vector<DialogAction> PressButtons(std::initializer_list<int> buttons)
{
    std::vector<DialogAction> actions;
    for (int button : buttons)
        actions.push_back([button](HWND) { return button; });
    return actions;
}

DialogAnswerer::DialogAnswerer(DWORD threadId, std::initializer_list<int> buttons, DWORD timeoutMs)
    : DialogAnswerer(threadId, PressButtons(buttons), timeoutMs)
{
}

DialogAnswerer::~DialogAnswerer()
{
    if (worker.joinable())
        worker.join();
}

const std::vector<DialogSeen>& DialogAnswerer::Seen()
{
    if (worker.joinable())
        worker.join();
    return seen;
}

void DialogAnswerer::Run()
{
    for (const DialogAction& action : actions) {
        Search search = {threadId, &handled, nullptr};
        DWORD start = GetTickCount();
        while (!search.found && GetTickCount() - start < timeoutMs) {
            EnumThreadWindows(threadId, FindDialog, reinterpret_cast<LPARAM>(&search));
            if (!search.found)
                Sleep(20);
        }
        if (!search.found)
            return;
        HWND dialog = search.found;
        handled.push_back(dialog);
        Sleep(50);  // let the dialog finish its initialisation
        DialogSeen entry;
        char text[1024];
        GetWindowTextA(dialog, text, sizeof text);
        entry.title = text;
        HWND message = GetDlgItem(dialog, 0xFFFF);
        if (message) {
            GetWindowTextA(message, text, sizeof text);
            entry.text = text;
        }
        EnumChildWindows(dialog, FindIcon, reinterpret_cast<LPARAM>(&entry.icon));
        seen.push_back(entry);
        int button = action(dialog);
        if (button)
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    }
}

HICON SystemIcon(LPCSTR id)
{
    return LoadIconA(nullptr, id);
}
