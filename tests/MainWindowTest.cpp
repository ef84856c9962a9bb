// The hidden main window in this process: start-up order, tray menu and icon,
// shutdown, against the real window procedure and resources.
#include "res/resource.h"
#include "shell/AppState.h"
#include "shell/MainWindow.h"
#include "store/RecordDatabase.h"
#include "support/DialogAnswerer.h"
#include "support/ShellFixture.h"
#include "ui/stats/StatsWindow.h"
#include "watcher/WatcherThread.h"

namespace {

HICON TrayPicture(UINT id)
{
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16,
                                         LR_SHARED));
}

void Command(UINT id)
{
    SendMessageA(App.mainWindow, WM_COMMAND, id, 0);
}

// True when the shell knows the tool's icon.
bool ShellHasIcon()
{
    NOTIFYICONDATAA probe = App.trayIcon;
    probe.cbSize = NOTIFYICONDATAA_V2_SIZE;  // shutdown clears it in the record
    probe.uFlags = NIF_TIP;
    return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

class MainWindow : public ShellFixture {
protected:
    // The switches as the menu shows them: limiter, copy mode items, suspension.
    std::string MenuChecks()
    {
        std::string checks;
        for (UINT id : {ID_LIMITER, ID_COPY_NOTHING, ID_COPY_OPPONENT, ID_COPY_EVERYTHING, ID_SUSPEND_COUNTING})
            checks += Checked(id) ? "x" : "-";
        return checks;
    }
    std::string SavedGeneral()
    {
        return Setting("General", "Profile") + "|" + Setting("General", "tcgLimit") + "|" +
               Setting("General", "InfoTrans");
    }
};

}  // namespace

TEST_F(MainWindow, FirstStartShowsTheStatisticsOnlyOnDemandAndShutdownEndsAll)
{
    ASSERT_NE(nullptr, Start());
    EXPECT_EQ(folder.File("Default.db"), DatabasePath.data);
    EXPECT_NE(nullptr, RecordConnection());
    EXPECT_EQ(0u, ReadFileBytes(folder.File("Default.db")).find("SQLite format 3"));
    EXPECT_STREQ("Vantory Rev.4 autorun", App.trayIcon.szTip);
    EXPECT_EQ(static_cast<DWORD>(NOTIFYICONDATAA_V2_SIZE), App.trayIcon.cbSize);
    ASSERT_NE(nullptr, App.statsWindow);
    EXPECT_FALSE(IsWindowVisible(App.statsWindow));
    EXPECT_FALSE(IsWindowVisible(App.mainWindow));
    EXPECT_TRUE(App.watcherStarted);
    // Ids inside the menu's range that no item uses, and ids outside it, change nothing.
    for (UINT id : {40002u, 40005u, 40010u, 40025u, 40033u, 45056u, 50000u, 2u}) {
        AppState before = App;
        Command(id);
        EXPECT_EQ(0, memcmp(&before, &App, sizeof App)) << id;
        EXPECT_FALSE(IsWindowVisible(App.statsWindow)) << id;
    }
    EXPECT_FALSE(FileExists(folder.File("vty.ini")));  // written at exit only

    Command(ID_SHOW_STATS);
    EXPECT_TRUE(IsWindowVisible(App.statsWindow));
    ShowWindow(App.statsWindow, SW_HIDE);
    for (int twice = 0; twice < 2; ++twice) {
        SendMessageA(App.mainWindow, WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK);
        EXPECT_TRUE(IsWindowVisible(App.statsWindow));
    }

    HWND stats = App.statsWindow;
    Command(ID_EXIT);
    EXPECT_FALSE(IsWindow(App.mainWindow) || IsWindow(stats));
    EXPECT_FALSE(ShellHasIcon());
    EXPECT_FALSE(App.watcherStarted);
    EXPECT_EQ(nullptr, RecordConnection());
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0u, quit.wParam);
}

TEST_F(MainWindow, SettingsReadAtStartAndWrittenAtExit)
{
    std::string other = folder.File("戦績.db");
    struct Case {
        std::string settings;
        std::vector<UINT> commands;
        const char* checks;  // limiter, copy nothing / opponent / line, suspended
        std::string saved;   // Profile|tcgLimit|InfoTrans
    } cases[] = {
        {"", {}, "-x---", folder.File("Default.db") + "|0|0"},
        {"[General]\r\ntcgLimit=7\r\n", {}, "xx---", folder.File("Default.db") + "|1|0"},
        {"[General]\r\ninfoTrans=3\r\n", {}, "-x---", folder.File("Default.db") + "|0|0"},
        {"[General]\r\ninfoTrans=-1\r\n", {}, "-x---", folder.File("Default.db") + "|0|0"},
        {"[general]\r\nINFOTRANS=1\r\nProfile=" + other + "\r\n", {}, "--x--", other + "|0|1"},
        {"", {ID_COPY_EVERYTHING, ID_COPY_OPPONENT, ID_COPY_OPPONENT, ID_LIMITER}, "x-x--",
         folder.File("Default.db") + "|1|1"},
        {"", {ID_COPY_EVERYTHING, ID_LIMITER, ID_LIMITER, ID_SUSPEND_COUNTING}, "---xx",
         folder.File("Default.db") + "|0|2"},
    };
    for (const Case& c : cases) {
        WriteFileBytes(folder.File("vty.ini"), c.settings);
        ASSERT_NE(nullptr, Start()) << c.settings;
        for (UINT id : c.commands)
            Command(id);
        EXPECT_EQ(c.checks, MenuChecks()) << c.settings;
        Stop();
        EXPECT_EQ(c.saved, SavedGeneral()) << c.settings;
    }
    EXPECT_TRUE(FileExists(other));
}

TEST_F(MainWindow, LogoffRunsTheShutdownAndSavesTheRecordLoadedLast)
{
    ASSERT_NE(nullptr, Start());
    std::string other = folder.File("other.db");
    ASSERT_TRUE(LoadProfile(App.statsWindow, other.c_str()));
    Command(ID_LIMITER);
    Command(ID_COPY_OPPONENT);
    SendMessageA(App.mainWindow, WM_ENDSESSION, FALSE, 0);  // logoff cancelled
    EXPECT_TRUE(IsWindow(App.mainWindow));
    // The record in use is written at once; the rest waits for the shutdown.
    EXPECT_EQ(other + "|<none>|<none>", SavedGeneral());
    HWND window = App.mainWindow;
    SendMessageA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(other + "|1|1", SavedGeneral());
}

TEST_F(MainWindow, TrayPictureFollowsStateLimiterSuspensionAndTheShell)
{
    ASSERT_NE(nullptr, Start());
    EXPECT_EQ(TrayPicture(IDI_TRAY_SEARCHING), App.trayIcon.hIcon);
    EXPECT_TRUE(ShellHasIcon());
    struct Step {
        UINT command;     // 0: a watcher report of state
        uint32_t state;
        UINT picture;
    } steps[] = {
        {0, WATCH_ATTACHED, IDI_TRAY_WATCHING},
        // No game is really attached: the watcher's own state rules.
        {ID_LIMITER, 0, IDI_TRAY_SEARCHING},
        {0, WATCH_ATTACHED, IDI_TRAY_LIMITED},
        {0, 7, IDI_TRAY_LIMITED},  // an unknown state keeps the picture
        {ID_SUSPEND_COUNTING, 0, IDI_TRAY_SEARCHING},
        {0, WATCH_ATTACHED, IDI_TRAY_SEARCHING},  // ignored while suspended
        {ID_SUSPEND_COUNTING, 0, IDI_TRAY_SEARCHING},
        {ID_LIMITER, 0, IDI_TRAY_SEARCHING},
        {0, WATCH_ATTACHED, IDI_TRAY_WATCHING},
    };
    int n = 0;
    for (const Step& step : steps) {
        if (step.command)
            Command(step.command);
        else
            SendMessageA(App.mainWindow, WM_WATCHNOTIFY, MAKEWPARAM(WATCH_STATE_CHANGED, step.state), 0);
        EXPECT_EQ(TrayPicture(step.picture), App.trayIcon.hIcon) << "step " << n++;
    }

    // A new taskbar knows no icons; the current picture is added again.
    Shell_NotifyIconA(NIM_DELETE, &App.trayIcon);
    SendMessageA(App.mainWindow, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(ShellHasIcon());
    // An icon the shell refused at start is offered again at the next change.
    Shell_NotifyIconA(NIM_DELETE, &App.trayIcon);
    App.trayIconShown = false;
    SendMessageA(App.mainWindow, WM_WATCHNOTIFY, MAKEWPARAM(WATCH_STATE_CHANGED, WATCH_SEARCHING), 0);
    EXPECT_TRUE(App.trayIconShown && ShellHasIcon());
    EXPECT_EQ(TrayPicture(IDI_TRAY_SEARCHING), App.trayIcon.hIcon);
}

TEST_F(MainWindow, UnopenableProfileAsksAndRefusedStartKeepsTheSettings)
{
    std::string notDatabase = folder.File("notes.db");
    WriteFileBytes(notDatabase, std::string(4096, 'n'));
    std::string settings = "[General]\r\nProfile=" + notDatabase + "\r\ntcgLimit=7\r\ninfoTrans=2\r\n"
                           "[Shortcut]\r\nKey0=577\r\nPath0=a.db\r\n";
    WriteFileBytes(folder.File("vty.ini"), settings);

    DialogAnswerer answerer(GetCurrentThreadId(), {IDOK, IDCANCEL});
    EXPECT_EQ(nullptr, Start());
    const std::vector<DialogSeen>& seen = answerer.Seen();
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ("プロファイルのマッピングに失敗しました。", seen[0].text);
    EXPECT_EQ(LoadIconA(nullptr, IDI_HAND), seen[0].icon);
    PumpMessages(50);
    EXPECT_EQ(settings, ReadFileBytes(folder.File("vty.ini")));
    EXPECT_EQ(std::string(4096, 'n'), ReadFileBytes(notDatabase));
    EXPECT_FALSE(ShellHasIcon());
}
