#include "support/TestSupport.h"
#include <algorithm>
#include <commctrl.h>
#include <shellapi.h>

TempFolder::TempFolder()
{
    static LONG serial;
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    path = base + std::string("vty-test-") + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount()) + "-" + std::to_string(InterlockedIncrement(&serial));
    CreateDirectoryA(path.c_str(), nullptr);
}

TempFolder::~TempFolder()
{
    std::string from = path + '\0';  // a list of names, ended by an empty one
    SHFILEOPSTRUCTA remove = {nullptr, FO_DELETE, from.c_str(), nullptr,
                              FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT, FALSE, nullptr, nullptr};
    SHFileOperationA(&remove);
}

std::string ProgramFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    PathRemoveFileSpecA(path);
    return path;
}

static std::function<bool()> loopOver;

static void CALLBACK QuitLoopWhenOver(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (loopOver()) {
        KillTimer(nullptr, timer);
        PostQuitMessage(0);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, int (*loop)())
{
    DWORD start = GetTickCount();
    std::function<bool()> over = [&] { return done() || GetTickCount() - start >= timeoutMs; };
    if (loop) {
        loopOver = over;
        UINT_PTR timer = SetTimer(nullptr, 0, 10, QuitLoopWhenOver);
        loop();
        KillTimer(nullptr, timer);
        return done();
    }
    for (MSG message;;) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (over())
            return done();
        // Short waits: the condition may turn true without any message.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

std::string ClipboardText()
{
    // Another process (the Wine desktop) may hold the clipboard for a moment.
    for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt)
        Sleep(20);
    HANDLE data = GetClipboardData(CF_TEXT);
    const char* locked = data ? static_cast<const char*>(GlobalLock(data)) : nullptr;
    std::string text = locked ? locked : "<none>";
    if (locked)
        GlobalUnlock(data);
    CloseClipboard();
    return text;
}

void SetClipboardText(const char* text)
{
    OpenClipboard(nullptr);
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, strlen(text) + 1);
    memcpy(GlobalLock(block), text, strlen(text) + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

// Width of text in the font that window draws with.
static int TextWidth(HWND window, const std::string& text)
{
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size.cx;
}

std::string CutTexts(HWND dialog)
{
    auto width = [&](const std::string& text) { return TextWidth(dialog, text); };
    // A label wraps at its width: cut when the wrapped text is taller than it.
    auto labelCut = [&](HWND label, const char* text, const RECT& client) {
        HDC dc = GetDC(label);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0)));
        RECT need = {0, 0, client.right, 0};
        UINT prefix = GetWindowLongA(label, GWL_STYLE) & SS_NOPREFIX ? DT_NOPREFIX : 0;
        DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | prefix);
        SelectObject(dc, old);
        ReleaseDC(label, dc);
        return need.bottom > client.bottom || need.right > client.right;
    };
    // What a list's scroll bar and borders, a check box's box and a button's edges take.
    int list = GetSystemMetrics(SM_CXVSCROLL) + 2 * GetSystemMetrics(SM_CXEDGE);
    int box = GetSystemMetrics(SM_CXMENUCHECK) + 1, edges = 4 * GetSystemMetrics(SM_CXEDGE);
    std::string cut;
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        char kind[32] = "", text[256] = "";
        GetClassNameA(control, kind, sizeof kind);
        GetWindowTextA(control, text, sizeof text);
        RECT client;
        GetClientRect(control, &client);
        LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
        if (!lstrcmpiA(kind, WC_LISTVIEWA)) {
            cut += CutListTexts(control);
        } else if (!lstrcmpiA(kind, "ComboBox")) {
            std::string longest;
            for (int i = 0; SendMessageA(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text)) >= 0; ++i)
                longest = width(text) > width(longest) ? text : longest;
            if (width(longest) > SendMessageA(control, CB_GETDROPPEDWIDTH, 0, 0) - list)
                cut += "list:" + longest + ";";
            if (width(longest) > client.right - list)  // the closed field, beside its arrow button
                cut += "field:" + longest + ";";
        } else if (*text && ((!lstrcmpiA(kind, "Static") && labelCut(control, text, client)) ||
                             (!lstrcmpiA(kind, "Button") && type != BS_GROUPBOX &&
                              width(text) > client.right - (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON ? edges : box)))) {
            cut += std::string(text) + ";";
        }
    }
    return cut;
}

std::string CutListTexts(HWND list)
{
    // Beside its text a cell keeps 5 pixels each side, a header item 3 edges
    // (and its sort arrow where it shows).
    HWND header = ListView_GetHeader(list);
    int columns = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)), edge = GetSystemMetrics(SM_CXEDGE);
    std::string cut;
    for (int column = 0; column < columns; ++column) {
        char text[256] = "";
        HDITEMA item = {};
        item.mask = HDI_TEXT | HDI_FORMAT | HDI_WIDTH, item.pszText = text, item.cchTextMax = sizeof text;
        SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item));
        if (TextWidth(header, text) + 6 * edge + (item.fmt & (HDF_SORTUP | HDF_SORTDOWN) ? 3 * edge + 8 : 0) > item.cxy)
            cut += "header:" + std::string(text) + ";";
        for (int row = 0; row < SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); ++row) {
            ListView_GetItemText(list, row, column, text, sizeof text);
            cut += TextWidth(list, text) + 10 > item.cxy ? "cell:" + std::string(text) + ";" : "";
        }
    }
    return cut;
}

ProgramRun::ProgramRun(const TempFolder& folder, const char* program, const std::string& arguments)
{
    for (const char* file : {program, "sqlite3.dll"})
        CopyFileA((ProgramFolder() + "\\" + file).c_str(), folder.File(file).c_str(), TRUE);
    std::string line = "\"" + folder.File(program) + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.Path().c_str(), &startup, &info);
}

ProgramRun::~ProgramRun()
{
    if (info.hProcess)
        Wait(0);
}

long ProgramRun::Wait(DWORD timeoutMs)
{
    DWORD code = static_cast<DWORD>(-1);
    if (!info.hProcess)
        return -1;
    if (WaitForSingleObject(info.hProcess, timeoutMs) != WAIT_OBJECT_0 || !GetExitCodeProcess(info.hProcess, &code))
        TerminateProcess(info.hProcess, code = static_cast<DWORD>(-1));
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    info = {};
    return static_cast<long>(code);
}

const char SCALE_RUN[] = "VTY_TEST_SCALE_RESULT";

std::vector<std::string> RunAtEveryScaling(const TempFolder& folder, const char* program, const char* filter)
{
    std::vector<std::string> found;
    SetEnvironmentVariableA(SCALE_RUN, folder.File("scaled.txt").c_str());
    for (DWORD dpi : {192, 120, 144, 96}) {
        RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD, &dpi, sizeof dpi);
        DeleteFileA(folder.File("scaled.txt").c_str());
        long exit = ProgramRun(folder, program, std::string("--gtest_filter=") + filter).Wait(120000);
        found.push_back(exit ? "exit " + std::to_string(exit) : ReadFileBytes(folder.File("scaled.txt")));
    }
    SetEnvironmentVariableA(SCALE_RUN, nullptr);
    return found;
}
