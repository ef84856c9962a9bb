// Program autorun on the hidden main window: the switches and their check
// marks, the path choosers, the game started at start-up and the report tool
// and the tool's own end when the game has gone, with the report tool
// stand-in (vty_report.exe) and the game stand-in as real processes.
#include "res/resource.h"
#include "shell/AppState.h"
#include "support/DialogAnswerer.h"
#include "support/ShellFixture.h"
#include "support/StandInGame.h"
#include "ui/stats/StatsWindow.h"
#include "watcher/WatcherThread.h"

namespace {

// Put in front of the main window's procedure: at its WM_DESTROY, takes down
// what the report stand-in wrote by then (waiting a while for it).
WNDPROC mainProcedure;
std::string reportLog, loggedAtEnd = "<no end>";

LRESULT CALLBACK NoteReportAtEnd(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        for (int i = 0; i < 250 && ReadFileBytes(reportLog).empty(); ++i)
            Sleep(20);
        loggedAtEnd = ReadFileBytes(reportLog);
    }
    return CallWindowProcA(mainProcedure, window, message, wParam, lParam);
}

class Autorun : public ShellFixture {
protected:
    std::string reportFolder = folder.File("report");
    std::string report = reportFolder + "\\vty_report.exe";
    std::string log = reportFolder + "\\vty_report.log";

    void SetUp() override
    {
        ShellFixture::SetUp();
        CreateDirectoryA(reportFolder.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\report_standin.exe").c_str(), report.c_str(), FALSE));
    }
    void StartWith(const std::string& autorun)
    {
        WriteFileBytes(folder.File("vty.ini"), "[General]\r\ntcgLimit=7\r\n[Autorun]\r\n" + autorun);
        ASSERT_NE(nullptr, Start());
    }
    // The check marks of the game, the report tool and auto-exit.
    std::string Checks()
    {
        std::string checks;
        for (UINT id : {ID_AUTORUN_GAME, ID_AUTORUN_REPORT, ID_AUTO_EXIT})
            checks += Checked(id) ? "x" : "-";
        return checks;
    }
    // What the report stand-in wrote once it has run: one line per start.
    std::string StartsSeen(DWORD waitMs)
    {
        PumpUntil([&] { return !ReadFileBytes(log).empty(); }, waitMs);
        return ReadFileBytes(log);
    }
    std::string OneStart() { return "folder=" + reportFolder + "|parameters=|profile=\r\n"; }
    // The settings are saved at exit: tcgLimit=7 becomes 1.
    bool SettingsSaved() { return Setting("General", "tcgLimit") == "1"; }
};

}  // namespace

TEST_F(Autorun, ASwitchStartsItsProgramOnlyWithAPath)
{
    struct Case {
        std::string autorun;
        const char* checks;
        bool started;
    } cases[] = {
        {"", "---", false},
        {"Hisoutensoku.FileName=" + report + "\r\nZevazovazez.FileName=" + report + "\r\nZevazovazez.Enabled=0\r\n",
         "---", false},
        {"Zevazovazez.Enabled=1\r\nHisoutensoku.Enabled=1\r\n", "xx-", false},
        // The game is started at start-up; the stand-in shows from where.
        {"Hisoutensoku.Enabled=5\r\nHisoutensoku.FileName=" + report + "\r\n", "x--", true},
    };
    for (const Case& c : cases) {
        DeleteFileA(log.c_str());
        StartWith(c.autorun);
        SendMessageA(App.mainWindow, WM_WATCHNOTIFY, MAKEWPARAM(WATCH_STATE_CHANGED, WATCH_SEARCHING), 0);
        EXPECT_EQ(std::string(c.checks) + (c.started ? OneStart() : "") + "alive",
                  Checks() + StartsSeen(c.started ? 10000 : 1500) + (IsWindow(App.mainWindow) ? "alive" : "ended"))
            << c.autorun;
        Stop();
    }
}

TEST_F(Autorun, TogglesFlipTheSwitchAndChoosingAPathLeavesItAlone)
{
    StartWith("");
    SendMessageA(App.mainWindow, WM_COMMAND, ID_AUTORUN_GAME, 0);
    EXPECT_EQ("x--|1", Checks() + "|" + Setting("Autorun", "Hisoutensoku.Enabled"));
    SendMessageA(App.mainWindow, WM_COMMAND, ID_AUTORUN_GAME, 0);
    SendMessageA(App.mainWindow, WM_COMMAND, ID_AUTO_EXIT, 0);
    EXPECT_EQ("--x|0|1", Checks() + "|" + Setting("Autorun", "Hisoutensoku.Enabled") + "|" +
                             Setting("Autorun", "Vantory.Enabled"));

    std::string filter;
    DialogAnswerer answerer(GetCurrentThreadId(), {[&](HWND chooser) {
                                                       char text[128] = "";
                                                       GetDlgItemTextA(chooser, 0x470, text, sizeof text);  // file type
                                                       filter = text;
                                                       SetDlgItemTextA(chooser, 0x47C, report.c_str());
                                                       return IDOK;
                                                   }});
    SendMessageA(App.mainWindow, WM_COMMAND, ID_REPORT_PATH, 0);
    EXPECT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ("Vantory報告ツール (vty_report.exe)|" + report + "|<none>|--x",
              filter + "|" + Setting("Autorun", "Zevazovazez.FileName") + "|" +
                  Setting("Autorun", "Zevazovazez.Enabled") + "|" + Checks());
}

TEST_F(Autorun, TheGamesEndStartsTheReportToolFromItsFolderAndThenEndsTheTool)
{
    StandInGame game;
    ASSERT_TRUE(game.Start(folder.Path())) << game.LastAnswer();
    StartWith("Zevazovazez.Enabled=1\r\nZevazovazez.FileName=" + report + "\r\nVantory.Enabled=1\r\n");
    ASSERT_TRUE(PumpUntil([] { return GameWatcher.state == WATCH_ATTACHED; }, 5000));
    HWND window = App.mainWindow;
    EXPECT_EQ("", ReadFileBytes(log));
    reportLog = log;
    mainProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NoteReportAtEnd)));
    ASSERT_TRUE(game.Exit());
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }, 10000));
    EXPECT_TRUE(SettingsSaved());
    // The report tool was started before the tool began to end.
    EXPECT_EQ(OneStart(), loggedAtEnd);
    EXPECT_EQ(OneStart(), ReadFileBytes(log));
}

TEST_F(Autorun, TheReportToolFindsTheRecordLoadedLast)
{
    // The report tool reads the record in use from the vty.ini beside it.
    std::string besideTool = folder.File("vty_report.exe");
    ASSERT_TRUE(CopyFileA(report.c_str(), besideTool.c_str(), FALSE));
    StandInGame game;
    ASSERT_TRUE(game.Start(folder.Path())) << game.LastAnswer();
    StartWith("Zevazovazez.Enabled=1\r\nZevazovazez.FileName=" + besideTool + "\r\n");
    ASSERT_TRUE(PumpUntil([] { return GameWatcher.state == WATCH_ATTACHED; }, 5000));
    std::string other = folder.File("other.db");
    ASSERT_TRUE(LoadProfile(App.statsWindow, other.c_str()));
    ASSERT_TRUE(game.Exit());
    std::string logBesideTool = folder.File("vty_report.log");
    PumpUntil([&] { return !ReadFileBytes(logBesideTool).empty(); }, 5000);
    EXPECT_EQ("folder=" + folder.Path() + "|parameters=|profile=" + other + "\r\n", ReadFileBytes(logBesideTool));
}

TEST_F(Autorun, SuspendingCountingWithAutoExitOnEndsTheTool)
{
    StartWith("Vantory.Enabled=1\r\n");
    HWND window = App.mainWindow;
    SendMessageA(window, WM_COMMAND, ID_SUSPEND_COUNTING, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(SettingsSaved());
    NOTIFYICONDATAA probe = App.trayIcon;
    probe.cbSize = NOTIFYICONDATAA_V2_SIZE;
    probe.uFlags = NIF_TIP;
    EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &probe));  // the icon went with the tool
}
