#include "support/TestSupport.h"
#include "base/ProgramPaths.h"
#include "store/ChangeHistory.h"

TempFolder::TempFolder()
{
    static LONG serial;
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    char name[MAX_PATH];
    wnsprintfA(name, sizeof name, "%svty-test-%lu-%lu-%ld", base, GetCurrentProcessId(), GetTickCount(),
               InterlockedIncrement(&serial));
    path = name;
    CreateDirectoryA(path.c_str(), nullptr);
}

TempFolder::~TempFolder()
{
    RemoveTree(path);
}

std::string TempFolder::File(const std::string& name) const
{
    return path + "\\" + name;
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::string& path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ProgramFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    PathRemoveFileSpecA(path);
    return path;
}

SettingsFileScope::SettingsFileScope(const std::string& path) : saved(SettingsPath.data)
{
    SettingsPath.Assign(path.c_str());
}

SettingsFileScope::~SettingsFileScope()
{
    SettingsPath.Assign(saved.c_str());
}

long RunProgram(const std::string& commandLine, const std::string& folder, DWORD timeoutMs)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<long>(code);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done())
            return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        // Short waits: the condition may turn true without any message.
        DWORD left = timeoutMs - elapsed;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 10 ? left : 10, QS_ALLINPUT);
    }
}

void PumpMessages(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

std::string ClipboardText()
{
    // Another process (the Wine desktop) may hold the clipboard for a moment.
    for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt)
        Sleep(20);
    std::string text = "<none>";
    HANDLE data = GetClipboardData(CF_TEXT);
    const char* locked = data ? static_cast<const char*>(GlobalLock(data)) : nullptr;
    if (locked) {
        text = locked;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

void SetClipboardText(const char* text)
{
    OpenClipboard(nullptr);
    EmptyClipboard();
    size_t size = strlen(text) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    memcpy(GlobalLock(block), text, size);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

std::string CutTexts(HWND dialog)
{
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
    auto extent = [&](const std::string& text) {
        SIZE size = {};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    std::string cut;
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        char kind[32] = "", text[256] = "";
        GetClassNameA(control, kind, sizeof kind);
        GetWindowTextA(control, text, sizeof text);
        RECT client;
        GetClientRect(control, &client);
        LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
        if (!lstrcmpiA(kind, "ComboBox")) {
            int widest = 0, count = static_cast<int>(SendMessageA(control, CB_GETCOUNT, 0, 0));
            std::string longest;
            for (int i = 0; i < count; ++i) {
                char item[256] = "";
                SendMessageA(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
                if (extent(item) > widest)
                    widest = extent(item), longest = item;
            }
            // The list's border and scroll bar take their part of its width.
            int room = static_cast<int>(SendMessageA(control, CB_GETDROPPEDWIDTH, 0, 0)) -
                       GetSystemMetrics(SM_CXVSCROLL) - 2 * GetSystemMetrics(SM_CXEDGE);
            if (widest > room)
                cut += "list:" + longest + ";";
            // The closed field shows the chosen name beside its arrow button.
            if (widest > client.right - GetSystemMetrics(SM_CXVSCROLL) - 2 * GetSystemMetrics(SM_CXEDGE))
                cut += "field:" + longest + ";";
        } else if (*text && !lstrcmpiA(kind, "Static")) {
            if (extent(text) > client.right)
                cut += std::string(text) + ";";
        } else if (*text && !lstrcmpiA(kind, "Button") && type != BS_GROUPBOX) {
            bool box = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                       type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE;
            // The box before the text; a button's edges around it.
            int room = client.right - (box ? GetSystemMetrics(SM_CXMENUCHECK) + 1 : 4 * GetSystemMetrics(SM_CXEDGE));
            if (extent(text) > room)
                cut += std::string(text) + ";";
        }
    }
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    return cut;
}
