// The hidden main window in this process: start-up order, tray menu and icon,
// shutdown, against the real window procedure and resources.
#include "res/resource.h"
#include "shell/AppState.h"
#include "base/ProgramPaths.h"
#include "store/ChangeHistory.h"
#include "shell/MainWindow.h"
#include "store/RecordDatabase.h"
#include "support/DialogAnswerer.h"
#include "support/ShellFixture.h"
#include "watcher/BattleState.h"
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

void Notify(uint32_t kind, uint32_t detail, LPARAM value)
{
    SendMessageA(App.mainWindow, WM_WATCHNOTIFY, MAKEWPARAM(kind, detail), value);
}

// True when the shell knows the tool's icon.
bool ShellHasIcon()
{
    NOTIFYICONDATAA probe = App.trayIcon;
    probe.cbSize = NOTIFYICONDATAA_V2_SIZE;  // shutdown clears it in the record
    probe.uFlags = NIF_TIP;
    return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

class MainWindow : public ShellFixture {};

}  // namespace

TEST_F(MainWindow, FirstStartUsesDefaultsAndDefaultDatabase)
{
    ASSERT_NE(nullptr, Start());
    EXPECT_TRUE(FileExists(folder.File("Default.db")));
    EXPECT_EQ(folder.File("Default.db"), DatabasePath.data);
    EXPECT_NE(nullptr, RecordConnection());
    EXPECT_FALSE(App.limiterOn);
    EXPECT_FALSE(Checked(ID_LIMITER));
    EXPECT_EQ(0, App.copyMode);
    EXPECT_TRUE(Checked(ID_COPY_NOTHING));
    EXPECT_FALSE(Checked(ID_COPY_OPPONENT));
    EXPECT_FALSE(Checked(ID_COPY_EVERYTHING));
    EXPECT_FALSE(Checked(ID_SUSPEND_COUNTING));
    EXPECT_EQ(TrayPicture(IDI_TRAY_SEARCHING), App.trayIcon.hIcon);
    EXPECT_STREQ("Vantory Rev.4 autorun", App.trayIcon.szTip);
    EXPECT_EQ(488u, App.trayIcon.cbSize);
    ASSERT_NE(nullptr, App.statsWindow);
    EXPECT_FALSE(IsWindowVisible(App.statsWindow));
    EXPECT_FALSE(IsWindowVisible(App.mainWindow));

    Stop();
    EXPECT_EQ(folder.File("Default.db"), Setting("General", "Profile"));
    EXPECT_EQ("0", Setting("General", "tcgLimit"));
    EXPECT_EQ("0", Setting("General", "InfoTrans"));
    EXPECT_EQ(nullptr, RecordConnection());
    EXPECT_FALSE(IsWindow(App.statsWindow));
}

TEST_F(MainWindow, LimiterSwitchFromSettingsIsSavedAsOne)
{
    WritePrivateProfileStringA("General", "tcgLimit", "7", folder.File("vty.ini").c_str());
    ASSERT_NE(nullptr, Start());
    EXPECT_TRUE(App.limiterOn);
    EXPECT_TRUE(Checked(ID_LIMITER));
    Stop();
    EXPECT_EQ("1", Setting("General", "tcgLimit"));
}

TEST_F(MainWindow, CopyModeOutOfRangeReadsAsNothing)
{
    for (const char* value : {"3", "-1"}) {
        WritePrivateProfileStringA("General", "infoTrans", value, folder.File("vty.ini").c_str());
        ASSERT_NE(nullptr, Start()) << value;
        EXPECT_EQ(0, App.copyMode) << value;
        EXPECT_TRUE(Checked(ID_COPY_NOTHING)) << value;
        EXPECT_FALSE(Checked(ID_COPY_OPPONENT)) << value;
        EXPECT_FALSE(Checked(ID_COPY_EVERYTHING)) << value;
        Stop();
        EXPECT_EQ("0", Setting("General", "InfoTrans")) << value;
        App = AppState{};
        App.instance = GetModuleHandleA(nullptr);
    }
}

TEST_F(MainWindow, CopyModeKeyInAnyLetterCase)
{
    WriteFileBytes(folder.File("vty.ini"), "[general]\r\nINFOTRANS=1\r\n");
    ASSERT_NE(nullptr, Start());
    EXPECT_EQ(1, App.copyMode);
    EXPECT_TRUE(Checked(ID_COPY_OPPONENT));
    Command(ID_COPY_EVERYTHING);
    Stop();
    EXPECT_EQ("2", Setting("General", "infotrans"));
}

TEST_F(MainWindow, CopyModeItemsKeepExactlyOneCheck)
{
    ASSERT_NE(nullptr, Start());
    struct Step {
        UINT id;
        int32_t mode;
    } steps[] = {{ID_COPY_EVERYTHING, 2}, {ID_COPY_OPPONENT, 1}, {ID_COPY_OPPONENT, 1}, {ID_COPY_NOTHING, 0}};
    for (const Step& step : steps) {
        Command(step.id);
        EXPECT_EQ(step.mode, App.copyMode);
        EXPECT_EQ(step.mode == 0, Checked(ID_COPY_NOTHING));
        EXPECT_EQ(step.mode == 1, Checked(ID_COPY_OPPONENT));
        EXPECT_EQ(step.mode == 2, Checked(ID_COPY_EVERYTHING));
    }
}

TEST_F(MainWindow, CommandsOutsideTheMenuChangeNothing)
{
    ASSERT_NE(nullptr, Start());
    // Unused ids inside and outside the menu's range, and the items whose
    // work comes later (shortcut settings, autorun).
    for (UINT id : {40002u, 40005u, 40010u, 40025u, 40033u, 45056u, 50000u, 2u, 40017u, 40028u, 40029u, 40030u,
                    40031u, 40032u}) {
        AppState before = App;
        Command(id);
        EXPECT_EQ(0, memcmp(&before, &App, sizeof App)) << id;
        EXPECT_TRUE(IsWindow(App.mainWindow)) << id;
        EXPECT_FALSE(IsWindowVisible(App.statsWindow)) << id;
    }
    EXPECT_FALSE(FileExists(folder.File("vty.ini")));
}

TEST_F(MainWindow, LogoffRunsTheShutdownAndSavesTheSettings)
{
    ASSERT_NE(nullptr, Start());
    Command(ID_LIMITER);
    Command(ID_COPY_OPPONENT);
    SendMessageA(App.mainWindow, WM_ENDSESSION, FALSE, 0);  // logoff cancelled
    EXPECT_TRUE(IsWindow(App.mainWindow));
    EXPECT_FALSE(FileExists(folder.File("vty.ini")));
    HWND window = App.mainWindow;
    SendMessageA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ("1", Setting("General", "tcgLimit"));
    EXPECT_EQ("1", Setting("General", "InfoTrans"));
    EXPECT_EQ(folder.File("Default.db"), Setting("General", "Profile"));
}

TEST_F(MainWindow, IconRefusedByTheShellIsOfferedAgainAtTheNextChange)
{
    ASSERT_NE(nullptr, Start());
    // As if the shell had not taken the icon at start.
    Shell_NotifyIconA(NIM_DELETE, &App.trayIcon);
    App.trayIconShown = false;
    Notify(0, 1, 0);
    EXPECT_TRUE(App.trayIconShown);
    EXPECT_TRUE(ShellHasIcon());
    EXPECT_EQ(TrayPicture(IDI_TRAY_WATCHING), App.trayIcon.hIcon);
}

TEST_F(MainWindow, ShowCommandAndDoubleClickShowTheStatistics)
{
    ASSERT_NE(nullptr, Start());
    Command(ID_SHOW_STATS);
    EXPECT_TRUE(IsWindowVisible(App.statsWindow));
    ShowWindow(App.statsWindow, SW_HIDE);
    SendMessageA(App.mainWindow, WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(App.statsWindow));
    // Again while already visible: stays shown.
    SendMessageA(App.mainWindow, WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(App.statsWindow));
    // The close box only hides it.
    SendMessageA(App.statsWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindowVisible(App.statsWindow));
    EXPECT_TRUE(IsWindow(App.statsWindow));
}

TEST_F(MainWindow, TrayPictureFollowsStateLimiterAndSuspension)
{
    ASSERT_NE(nullptr, Start());
    Notify(0, 1, 0);  // attached
    EXPECT_EQ(TrayPicture(IDI_TRAY_WATCHING), App.trayIcon.hIcon);
    Command(ID_LIMITER);  // no game is really attached: the watcher's own state rules
    EXPECT_TRUE(App.limiterOn);
    EXPECT_TRUE(Checked(ID_LIMITER));
    EXPECT_EQ(TrayPicture(IDI_TRAY_SEARCHING), App.trayIcon.hIcon);
    Notify(0, 1, 0);
    EXPECT_EQ(TrayPicture(IDI_TRAY_LIMITED), App.trayIcon.hIcon);
    Notify(0, 7, 0);  // an unknown state keeps the picture
    EXPECT_EQ(TrayPicture(IDI_TRAY_LIMITED), App.trayIcon.hIcon);

    Command(ID_SUSPEND_COUNTING);
    EXPECT_TRUE(Checked(ID_SUSPEND_COUNTING));
    EXPECT_EQ(TrayPicture(IDI_TRAY_SEARCHING), App.trayIcon.hIcon);
    Notify(0, 1, 0);  // ignored while suspended
    EXPECT_EQ(TrayPicture(IDI_TRAY_SEARCHING), App.trayIcon.hIcon);
    Command(ID_SUSPEND_COUNTING);
    EXPECT_FALSE(Checked(ID_SUSPEND_COUNTING));
    EXPECT_EQ(0u, App.countingSuspended);
    Notify(0, 0, 0);
    EXPECT_EQ(TrayPicture(IDI_TRAY_SEARCHING), App.trayIcon.hIcon);
}

TEST_F(MainWindow, TaskbarRestartAddsTheCurrentPictureAgain)
{
    ASSERT_NE(nullptr, Start());
    ASSERT_NE(0u, App.taskbarCreatedMessage);
    EXPECT_EQ(App.taskbarCreatedMessage, RegisterWindowMessageA("TaskbarCreated"));
    Notify(0, 1, 0);
    HICON current = App.trayIcon.hIcon;
    // A new taskbar knows no icons.
    Shell_NotifyIconA(NIM_DELETE, &App.trayIcon);
    EXPECT_FALSE(ShellHasIcon());
    SendMessageA(App.mainWindow, App.taskbarCreatedMessage, 0, 0);
    EXPECT_TRUE(ShellHasIcon());
    EXPECT_EQ(current, App.trayIcon.hIcon);
    EXPECT_EQ(TrayPicture(IDI_TRAY_WATCHING), current);
}

TEST_F(MainWindow, ShutdownRemovesTheIconAndStopsTheWatcher)
{
    ASSERT_NE(nullptr, Start());
    EXPECT_TRUE(ShellHasIcon());
    EXPECT_TRUE(App.watcherStarted);
    Command(ID_EXIT);
    EXPECT_FALSE(IsWindow(App.mainWindow));
    EXPECT_FALSE(ShellHasIcon());
    EXPECT_FALSE(App.watcherStarted);
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0u, quit.wParam);
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
    EXPECT_EQ(SystemIcon(IDI_HAND), seen[0].icon);
    PumpMessages(50);
    EXPECT_EQ(settings, ReadFileBytes(folder.File("vty.ini")));
    EXPECT_EQ(std::string(4096, 'n'), ReadFileBytes(notDatabase));
    EXPECT_FALSE(ShellHasIcon());
}
