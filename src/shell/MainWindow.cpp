#include "shell/MainWindow.h"
#include "base/ProgramPaths.h"
#include "base/Settings.h"
#include "res/resource.h"
#include "shell/AppState.h"
#include "shell/Autorun.h"
#include "shell/LiveFiles.h"
#include "shell/MatchRecording.h"
#include "shell/PendingMatches.h"
#include "shell/TrayIcon.h"
#include "store/RecordDatabase.h"
#include "store/RecordQueries.h"
#include "store/WaitingMatches.h"
#include "ui/history/HistoryFilterDialog.h"
#include "ui/history/NoteDialog.h"
#include "ui/history/OpponentTable.h"
#include "ui/shortcuts/ShortcutDialogs.h"
#include "ui/shortcuts/ShortcutList.h"
#include "ui/window/FileDialog.h"
#include "ui/window/MessageBoxes.h"
#include "watcher/BattleState.h"
#include "watcher/MatchEnd.h"
#include "watcher/WatcherThread.h"
#include <commdlg.h>

static void OpenOpponentTableOf(HWND owner)
{
    OpenOpponentTable(owner);
}

// Waiting matches belong to the record in use when they ended: its last
// chance before another opens, and the new one's own go in first.
static void RetryAroundProfileLoad()
{
    RetryPendingMatches(BRIEF_BUSY_WAIT_MS);
}

const StatsWindowLinks ToolStatsLinks = {OpenOpponentTableOf, ChooseHistoryFilter, RetryAroundProfileLoad,
                                         RetryAroundProfileLoad};

void ApplyTrayState(uint32_t state)
{
    if (state == WATCH_SEARCHING) {
        SetTrayPicture(IDI_TRAY_SEARCHING);
        // The game has gone (or counting stopped): the report tool starts
        // before the tool may end itself.
        LaunchIfEnabled(App.mainWindow, AUTORUN_REPORT);
        AutoExitCheck(App.mainWindow);
        // The shutdown has removed the icon; it must not come back.
        if (!App.mainWindow)
            return;
    } else if (state == WATCH_ATTACHED) {
        SetTrayPicture(App.limiterOn ? IDI_TRAY_LIMITED : IDI_TRAY_WATCHING);
    }
}

static void CheckCopyMode()
{
    CheckMenuItem(App.trayMenu, ID_COPY_NOTHING, App.copyMode == COPY_NOTHING ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(App.trayMenu, ID_COPY_OPPONENT,
                  App.copyMode == COPY_OPPONENT_NAME ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(App.trayMenu, ID_COPY_EVERYTHING, App.copyMode == COPY_RESULT_LINE ? MF_CHECKED : MF_UNCHECKED);
}

// Opens the profile named in the settings (or Default.db beside the program);
// while that fails, tells the user and lets them pick another file.
static bool OpenStartupDatabase(HWND window)
{
    char chosen[SETTING_PATH_SIZE];
    ReadSettingText(SECTION_GENERAL, KEY_PROFILE, "", chosen, sizeof chosen);
    TextBuffer path;
    path.InitFrom(chosen);
    if (path.length == 0) {
        path.Assign(ModuleDirectory.data);
        path.AppendPath("Default.db");
    }
    bool opened = SetDatabasePath(path.data) && OpenRecordDatabase();
    path.Release();
    while (!opened) {
        ShowError(window, ERROR_PROFILE_MAPPING);
        bool picked = ChooseRecordFile(window, chosen, sizeof chosen);
        // A stored name that is no usable file name makes the dialog fail
        // before the user sees it: offer it again with an empty name.
        if (!picked && CommDlgExtendedError() != 0 && chosen[0] != '\0') {
            chosen[0] = '\0';
            picked = ChooseRecordFile(window, chosen, sizeof chosen);
        }
        if (!picked)
            return false;
        opened = SetDatabasePath(chosen) && OpenRecordDatabase();
        // The settings name the record in use for the report tool.
        if (opened)
            WriteSettingText(SECTION_GENERAL, KEY_PROFILE, DatabasePath.data);
    }
    return true;
}

static bool OnCreate(HWND window)
{
    App.mainWindow = window;
    if (!OpenStartupDatabase(window))
        return false;
    App.taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");

    // Started at logon before the shell has a taskbar, the icon is refused;
    // the tool keeps recording and adds it when the taskbar announces itself.
    CreateTrayIcon(window, WM_TRAYNOTIFY, IDI_TRAY_SEARCHING);
    // Matches an earlier run could not store go in before any new one.
    StartPendingMatches();

    App.trayMenuBar = LoadMenuA(App.instance, MAKEINTRESOURCEA(IDM_TRAY));
    App.trayMenu = App.trayMenuBar ? GetSubMenu(App.trayMenuBar, 0) : nullptr;
    if (!App.trayMenu)
        return false;
    App.statsWindow = CreateStatsWindow(App.instance, &ToolStatsLinks);
    if (!App.statsWindow)
        return false;
    App.watcherStarted = StartWatcher(window);
    if (!App.watcherStarted)
        return false;

    App.limiterOn = ReadSettingInt(SECTION_GENERAL, KEY_TCG_LIMIT, 0) != 0;
    App.limiterCount = 0;
    if (App.limiterOn)
        CheckMenuItem(App.trayMenu, ID_LIMITER, MF_CHECKED);
    App.copyMode = ReadSettingInt(SECTION_GENERAL, KEY_INFO_TRANS_READ, COPY_NOTHING);
    if (App.copyMode < COPY_NOTHING || App.copyMode > COPY_RESULT_LINE)
        App.copyMode = COPY_NOTHING;
    CheckCopyMode();
    LoadShortcuts(window);
    ShowAutorunCheck(App.trayMenu, AUTORUN_GAME, ID_AUTORUN_GAME);
    ShowAutorunCheck(App.trayMenu, AUTORUN_REPORT, ID_AUTORUN_REPORT);
    ShowAutorunCheck(App.trayMenu, AUTORUN_SELF, ID_AUTO_EXIT);
    LaunchIfEnabled(window, AUTORUN_GAME);
    App.started = true;
    return true;
}

// Runs once, on WM_DESTROY or when creation is refused.
static void OnDestroy()
{
    if (!App.mainWindow)
        return;
    if (App.statsWindow) {
        // A refused start leaves the settings file as it was.
        DestroyStatsWindow(App.statsWindow, App.started);
        App.statsWindow = nullptr;
    }
    if (App.started) {
        WriteSettingText(SECTION_GENERAL, KEY_PROFILE, DatabasePath.data);
        WriteSettingInt(SECTION_GENERAL, KEY_TCG_LIMIT, App.limiterOn ? 1 : 0);
        WriteSettingInt(SECTION_GENERAL, KEY_INFO_TRANS_WRITE, App.copyMode);
        SaveShortcuts();
    }
    RemoveTrayIcon();
    if (App.watcherStarted) {
        StopWatcher();
        App.watcherStarted = false;
    }
    DestroyShortcutTable();
    UnregisterHotKey(App.mainWindow, NOTE_HOTKEY_ID);
    EndPendingMatches();
    CloseRecordDatabase();
    if (App.trayMenuBar)
        DestroyMenu(App.trayMenuBar);
    App.trayMenuBar = nullptr;
    App.trayMenu = nullptr;
    App.mainWindow = nullptr;
    PostQuitMessage(0);
}

static void ShowStatsWindow()
{
    ShowWindow(App.statsWindow, SW_SHOW);
    SetForegroundWindow(App.statsWindow);
}

// The note on the opponent of the match just played: the newest match
// stored or waiting.
static void AskLastOpponentNote(HWND window)
{
    RecordFilter everything;
    memset(&everything, 0, sizeof everything);
    MatchRecord last, waiting;
    bool played = QueryLatestRecord(&everything, &last);
    if (NewestWaitingMatch(&waiting) && (!played || waiting.timestamp > last.timestamp)) {
        last = waiting;
        played = true;
    }
    if (!played || !last.p2name[0]) {
        ShowWarning(nullptr, "メモを書く対戦相手がまだいません。");
        return;
    }
    SetForegroundWindow(window);
    EditOpponentNote(window, last.p2name);
}

static void EditLastOpponentNote(HWND window)
{
    // The key pressed again while the dialog or the warning shows only brings it up.
    if (App.noteDialogOpen) {
        HWND dialog = GetLastActivePopup(window);
        if (dialog != window)
            SetForegroundWindow(dialog);
        return;
    }
    App.noteDialogOpen = true;
    AskLastOpponentNote(window);
    App.noteDialogOpen = false;
}

static void OnCommand(HWND window, UINT id)
{
    switch (id) {
    case ID_SHOW_STATS:
        ShowStatsWindow();
        break;
    case ID_LAST_OPPONENT_NOTE:
        EditLastOpponentNote(window);
        break;
    case ID_SUSPEND_COUNTING:
        App.countingSuspended = !App.countingSuspended;
        CheckMenuItem(App.trayMenu, ID_SUSPEND_COUNTING, App.countingSuspended ? MF_CHECKED : MF_UNCHECKED);
        ApplyTrayState(App.countingSuspended ? WATCH_SEARCHING : GameWatcher.state);
        break;
    case ID_LIMITER:
        App.limiterOn = !App.limiterOn;
        App.limiterCount = 0;
        CheckMenuItem(App.trayMenu, ID_LIMITER, App.limiterOn ? MF_CHECKED : MF_UNCHECKED);
        ApplyTrayState(GameWatcher.state);
        break;
    case ID_COPY_NOTHING:
    case ID_COPY_OPPONENT:
    case ID_COPY_EVERYTHING:
        App.copyMode = id == ID_COPY_NOTHING ? COPY_NOTHING
                       : id == ID_COPY_OPPONENT ? COPY_OPPONENT_NAME
                                                : COPY_RESULT_LINE;
        CheckCopyMode();
        break;
    case ID_SHORTCUT_SETTINGS:
        OpenShortcutListDialog(App.instance, window, &App.shortcutDialogOpen);
        break;
    case ID_AUTORUN_GAME:
        ToggleAutorun(AUTORUN_GAME, id);
        break;
    case ID_GAME_PATH:
        ChooseAutorunPath(window, GAME_FILTER, AUTORUN_GAME);
        break;
    case ID_AUTORUN_REPORT:
        ToggleAutorun(AUTORUN_REPORT, id);
        break;
    case ID_REPORT_PATH:
        ChooseAutorunPath(window, REPORT_FILTER, AUTORUN_REPORT);
        break;
    case ID_AUTO_EXIT:
        ToggleAutorun(AUTORUN_SELF, id);
        break;
    case ID_EXIT:
        DestroyWindow(window);
        break;
    }
}

// The note item names its key, as menus name their accelerators.
static void ShowNoteKeyInMenu()
{
    TextBuffer text;
    text.InitFrom("前の対戦相手のメモ...");
    if (NoteShortcutActive) {
        text.Append("\t");
        ShortcutKeyName(NoteShortcutKey, &text);
    }
    ModifyMenuA(App.trayMenu, ID_LAST_OPPONENT_NOTE, MF_BYCOMMAND | MF_STRING, ID_LAST_OPPONENT_NOTE, text.data);
    text.Release();
}

static void OnTrayNotify(HWND window, LPARAM mouseMessage)
{
    if (mouseMessage == WM_RBUTTONDOWN) {
        ShowNoteKeyInMenu();
        POINT at;
        GetCursorPos(&at);
        // The menu closes properly only when its owner is in the foreground
        // and receives a message after it.
        SetForegroundWindow(window);
        TrackPopupMenu(App.trayMenu, TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0, window, nullptr);
        SendMessageA(window, WM_NULL, 0, 0);
    } else if (mouseMessage == WM_LBUTTONDBLCLK) {
        ShowStatsWindow();
    }
}

static void OnWatchNotify(WPARAM wParam, LPARAM lParam)
{
    uint32_t kind = LOWORD(wParam);
    uint32_t detail = HIWORD(wParam);
    if (kind == WATCH_MATCH_ENDED) {
        MatchEnd* end = reinterpret_cast<MatchEnd*>(lParam);
        if (!App.countingSuspended)
            RunEndOfMatchTest(end);
        Heap.Free(end);
        return;
    }
    if (App.countingSuspended)
        return;
    if (kind == WATCH_STATE_CHANGED)
        ApplyTrayState(detail);
    else if (kind == WATCH_VALUE_CHANGED && detail == SceneId)
        RunStartOfMatchTest(static_cast<int32_t>(lParam));
}

static LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        if (OnCreate(window))
            return 0;
        // Not every system sends WM_DESTROY to a window that refused its
        // creation: undo what was started here.
        OnDestroy();
        return -1;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) >= ID_TRAY_FIRST && LOWORD(wParam) <= ID_TRAY_LAST)
            OnCommand(window, LOWORD(wParam));
        return 0;
    case WM_TRAYNOTIFY:
        OnTrayNotify(window, lParam);
        return 1;
    case WM_HOTKEY:
        if (wParam == NOTE_HOTKEY_ID)
            EditLastOpponentNote(window);
        return 0;
    case WM_WATCHNOTIFY:
        OnWatchNotify(wParam, lParam);
        return 0;
    case WM_TIMER:
        if (wParam == PENDING_RETRY_TIMER)
            RetryPendingMatches(BRIEF_BUSY_WAIT_MS);
        else if (wParam == LIVE_RETRY_TIMER)
            RetryHeldLiveFiles();
        return 0;
    case WM_ENDSESSION:
        // At logoff the process ends without its windows being destroyed:
        // shut down now so that the settings are saved.
        if (wParam)
            DestroyWindow(window);
        return 0;
    }
    if (message == App.taskbarCreatedMessage && message != 0) {
        ReAddTrayIcon();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterMainWindowClass(HINSTANCE instance)
{
    App.instance = instance;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = MAIN_WINDOW_CLASS;
    return RegisterClassA(&windowClass) != 0;
}

HWND CreateMainWindow()
{
    return CreateWindowExA(0, MAIN_WINDOW_CLASS, nullptr, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, nullptr, nullptr, App.instance, nullptr);
}

int RunMessageLoop()
{
    MSG message;
    for (;;) {
        BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(message.wParam);
        if (got == -1)
            return -1;  // a broken loop is not a normal end
        // Profile shortcut keys reach the statistics window from any window of the tool.
        if (ShortcutAccelerators && App.statsWindow &&
            TranslateAcceleratorA(App.statsWindow, ShortcutAccelerators, &message))
            continue;
        // Keyboard handling for whichever modeless dialog the message is in:
        // the dialog is the top-level window around the message's window.
        HWND dialog = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        if (dialog && IsDialogMessageA(dialog, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
