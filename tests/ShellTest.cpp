// The shell through real parts: the hidden main window in this process watching
// the game stand-in, the report tool stand-in, and vty.exe as a process.
#include "res/resource.h"
#include "shell/AppState.h"
#include "shell/MainWindow.h"
#include "shell/TrayIcon.h"
#include "store/ChangeHistory.h"
#include "store/MatchStore.h"
#include "store/OpponentNotes.h"
#include "store/RecordDatabase.h"
#include "store/TimeStamp.h"
#include "store/WaitingMatches.h"
#include "support/DialogAnswerer.h"
#include "support/ShellFixture.h"
#include "support/StandInGame.h"
#include "support/StoreTestSupport.h"
#include "ui/shortcuts/ShortcutList.h"
#include "ui/stats/StatsWindow.h"
#include "watcher/BattleState.h"
#include "watcher/WatcherThread.h"
#include <regex>
#include <sqlite3.h>

namespace {

const std::string ROW = "p1name||' '||p1id||' '||p1win||' '||p2name||' '||p2id||' '||p2win";
const std::string ROWS = "SELECT group_concat(" + ROW + ", '; ') FROM (SELECT * FROM vaviradudiz123 ORDER BY timestamp)";

std::string Query(const std::string& sql)
{
    return QueryText(RecordConnection(), sql.c_str());
}

// The rows of a record file that this process does not use, or of the journal of waiting matches.
std::string RowsOf(const std::string& path, const std::string& table = "vaviradudiz123")
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::string rows = QueryText(db, std::regex_replace(ROWS, std::regex("vaviradudiz123"), table).c_str());
    sqlite3_close(db);
    return rows;
}

// A record file held locked as another program would, until closed.
sqlite3* Lock(const std::string& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    EXPECT_TRUE(ExecuteSql(db, "BEGIN EXCLUSIVE"));
    return db;
}

void Command(UINT id)
{
    SendMessageA(App.mainWindow, WM_COMMAND, id, 0);
}

// True when the shell knows the icon of the tool's main window.
bool ShellHasIcon(HWND main)
{
    NOTIFYICONDATAA probe = {};
    probe.cbSize = NOTIFYICONDATAA_V2_SIZE;
    probe.hWnd = main;
    probe.uFlags = NIF_TIP;
    return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

HICON Picture(UINT id)
{
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

// Put in front of the main window's procedure: at its WM_DESTROY, takes
// down what the report stand-in wrote by then (waiting a while for it).
WNDPROC mainProcedure;
std::string reportLog, loggedAtEnd;

LRESULT CALLBACK NoteReportAtEnd(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        for (int i = 0; i < 250 && ReadFileBytes(reportLog).empty(); ++i)
            Sleep(20);
        loggedAtEnd = ReadFileBytes(reportLog);
    }
    return CallWindowProcA(mainProcedure, window, message, wParam, lParam);
}

// vty.exe copied into a folder and started from there, until it idles in its message loop.
struct Tool {
    ProgramRun run;
    HWND window = nullptr;  // its hidden main window

    explicit Tool(const TempFolder& folder) : run(folder, "vty.exe")
    {
        for (int i = 0; i < 500 && !(window = Window(MAIN_WINDOW_CLASS)); ++i)
            Sleep(20);
        WaitForInputIdle(run.info.hProcess, 10000);
    }
    HWND Window(const char* windowClass)
    {
        HWND found = nullptr;
        DWORD owner = 0;
        while ((found = FindWindowExA(nullptr, found, windowClass, nullptr)) != nullptr)
            if (GetWindowThreadProcessId(found, &owner) && owner == run.info.dwProcessId)
                return found;
        return nullptr;
    }
    // "終了する"; the exit code, or -1 when it did not end.
    long Exit()
    {
        PostMessageA(window, WM_COMMAND, ID_EXIT, 0);
        return run.Wait();
    }
};

class Shell : public ShellFixture {
protected:
    StandInGame game;

    // Starts the game stand-in and the tool, and waits until the tool watches it.
    void StartWithGame(const std::string& settings)
    {
        ASSERT_TRUE(game.Start(folder.Path())) << game.lastAnswer;
        ASSERT_NE(nullptr, Start(settings));
        ASSERT_TRUE(PumpUntil([] { return GameWatcher.state == WATCH_ATTACHED; }, 10000));
    }
    // Runs stand-in commands that end a match, and returns once the tool has
    // handled its end; unhandled, once the watcher has seen it, as for a main
    // thread busy elsewhere.
    void Play(const std::string& commands, bool handled = true)
    {
        auto seen = [&](int32_t mode) {
            for (int i = 0; i < 500 && !handled && GameWatcher.lastValues[BattleMode] != mode; ++i)
                Sleep(20);
            return !handled || PumpUntil([=] { return GameWatcher.lastValues[BattleMode] == mode; }, 10000);
        };
        // The mode leaves 5 first and the watcher sees it: the end below is a
        // change it cannot miss, however late its polls come.
        ASSERT_TRUE(game.Do("mode 0")) << game.lastAnswer;
        ASSERT_TRUE(seen(0));
        ASSERT_TRUE(game.Do(commands)) << game.lastAnswer;
        // The watcher posts the end before it keeps the value: once kept, one pass of the queue takes it.
        ASSERT_TRUE(seen(5) && GameWatcher.lastValues[BattleMode] == 5);
        if (handled)
            PumpMessages(0);
    }
};

}  // namespace

TEST_F(Shell, EachMatchEndIsStoredOnceWithThePlayerOnSideOneOrNotAtAll)
{
    SetClipboardText("untouched");
    StartWithGame("");
    const char* const lastLine = "あいうえおかきくけこさしすせそ(霊夢) 2-1 (魔理沙)";
    struct Step {
        UINT command;           // a tray menu command given before it, or 0
        const char* played;     // for the stand-in
        const char* stored;     // the row it adds, "" for none
        const char* clipboard;  // after it
    } const steps[] = {
        {0, "match 13 4 Alice Bob 0 1 2 1", "Alice 0 2 Bob 1 1", "untouched"},  // the host plays on the left
        {0, "match 14 5 A B 3 7 1 2", "B 7 2 A 3 1", "untouched"},              // the client on the right
        {ID_SUSPEND_COUNTING, "match 13 4 A B 0 1 2 0", "", "untouched"},
        {ID_SUSPEND_COUNTING, "match 13 4 A B 19 19 0 0", "A 19 0 B 19 0", "untouched"},
        // Names keep at most 31 bytes of whole characters; a mode without sides takes the left player.
        {ID_COPY_OPPONENT, "match 14 3 ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 相手 2 4 2 0",
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234 2 2 相手 4 0", "相手"},
        {ID_COPY_EVERYTHING, "match 13 4 あいうえおかきくけこさしすせそた - 0 1 2 1",
         "あいうえおかきくけこさしすせそ 0 2  1 1", lastLine},
        // Another scene, mode 6, values out of range.
        {0, "match 12 4 A B 0 1 2 0", "", lastLine},
        {0, "match 13 6 A B 0 1 2 0", "", lastLine},
        {0, "match 13 4 A B 0 1 3 0", "", lastLine},
        {0, "match 13 4 A B 20 1 2 0", "", lastLine},
        // At most three in a row against one opponent: the host's is its peer, the client's its destination.
        {ID_LIMITER, "peer 1; dest 2; destaddr 2; match 13 4 Me Rival 0 1 2 0", "Me 0 2 Rival 1 0", "Me(霊夢) 2-0 Rival(魔理沙)"},
        {0, "match 13 4 Me Rival 0 1 2 0", "Me 0 2 Rival 1 0", "Me(霊夢) 2-0 Rival(魔理沙)"},
        {0, "match 13 4 Me Rival 0 1 1 2", "Me 0 1 Rival 1 2", "Me(霊夢) 1-2 Rival(魔理沙)"},
        {0, "match 13 4 Me Rival 0 1 2 1", "", "Me(霊夢) 1-2 Rival(魔理沙)"},
        {0, "match 14 5 Other Me 0 1 0 2", "Me 1 2 Other 0 0", "Me(魔理沙) 2-0 Other(霊夢)"},
    };
    int count = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.played);
        if (step.command)
            Command(step.command);
        Play(step.played);
        count += *step.stored != 0;
        EXPECT_EQ(std::to_string(count), Query("SELECT count(*) FROM vaviradudiz123"));
        std::string newest = Query("SELECT " + ROW + " FROM vaviradudiz123 ORDER BY timestamp DESC");
        EXPECT_EQ(step.stored, *step.stored ? newest : "");
        EXPECT_EQ(step.clipboard, ClipboardText());
    }
    EXPECT_EQ(static_cast<uint32_t>(count), UndoList.count);  // each one can be undone
    EXPECT_FALSE(FileExists(folder.File("live")));             // no live files unless switched on
    // The icon tells the limiter from plain watching, and a suspension from both.
    EXPECT_EQ(Picture(IDI_TRAY_LIMITED), TrayPicture());
    Command(ID_LIMITER);
    EXPECT_EQ(Picture(IDI_TRAY_WATCHING), TrayPicture());
    Command(ID_SUSPEND_COUNTING);
    EXPECT_EQ(Picture(IDI_TRAY_SEARCHING), TrayPicture());
}

// The live files in their default folder, "" for one that is missing.
std::string LiveFiles(const TempFolder& folder)
{
    std::string text;
    for (const char* name : {"opponent.txt", "result.txt", "session.txt", "character.txt"})
        text += ReadFileBytes(folder.File(std::string("live\\") + name)) + "|";
    return text;
}

std::string DateOf(int64_t stamp)
{
    SYSTEMTIME day = {};
    LocalTimeFromTimestamp(stamp, &day);
    char text[16];
    snprintf(text, sizeof text, "%04u/%02u/%02u", day.wYear, day.wMonth, day.wDay);
    return text;
}

TEST_F(Shell, LiveFilesShowTheOpponentAsBeforeTheMatchAndTheSessionAfterItOnlyWhileSwitchedOn)
{
    StartWithGame("[LiveFiles]\r\nEnabled=1\r\n[General]\r\ninfoTrans=2\r\n");
    // Counted for all time, not the last 30 days: 咲夜 played most against Rival.
    int64_t old = CurrentTimestamp() - 40 * DAY_TICKS;
    const std::string o = std::to_string(old), rows = "INSERT INTO vaviradudiz123 VALUES(" + o +
        ",'You',0,2,'Rival',1,0),(" + o + "+1,'You',2,2,'Rival',1,1),(" + o + "+2,'You',2,0,'Rival',3,2)";
    ASSERT_TRUE(ExecuteSql(RecordConnection(), rows.c_str()));
    const std::string today = DateOf(CurrentTimestamp()), odd = "O'Neil\"%s%%\xFD\x81!";
    // Bytes that are no code page 932 text come out as the system's stand-ins; a
    // lead byte takes the byte after it as its pair, as the game shows the name.
    const std::string oddUtf8 = u8"O'Neil\"%s%%\uF8F1\u30FB";
    struct Step {
        std::string played;
        std::string files;  // opponent|result|session|character
    } const steps[] = {
        {"match 13 4 You Rival 0 1 2 1",
         u8"対戦相手 Rival\n通算 3戦 2勝 1敗 67%\n30日 0戦 0勝 0敗 -\n最終対戦 " + DateOf(old) +
             u8"\n直近 負勝勝\n咲夜 2戦 1勝 1敗 50%\n霊夢 1戦 1勝 0敗 100%\n対魔理沙(全体) 2戦 2勝 0敗 100%\n|"
             u8"勝ち You(霊夢) 2-1 Rival(魔理沙)\n|今回 1戦 1勝 0敗 100% 1連勝\n|"
             u8"霊夢\n通算 2戦 2勝 0敗 100%\n30日 1戦 1勝 0敗 100%\n|"},
        // On the right now: the card takes the left name and character, the
        // character file the right character; a tie goes to the lower id.
        {"match 14 5 Rival You 1 2 2 1",
         u8"対戦相手 Rival\n通算 4戦 3勝 1敗 75%\n30日 1戦 1勝 0敗 100%\n最終対戦 " + today +
             u8"\n直近 勝負勝勝\n霊夢 2戦 2勝 0敗 100%\n咲夜 2戦 1勝 1敗 50%\n対魔理沙(全体) 3戦 3勝 0敗 100%\n|"
             u8"負け You(咲夜) 1-2 Rival(魔理沙)\n|今回 2戦 1勝 1敗 50% 1連敗\n|"
             u8"咲夜\n通算 3戦 1勝 2敗 33%\n30日 1戦 0勝 1敗 0%\n|"},
        // Quotes, percent signs and stray bytes are the name itself, to the
        // record and back. The card of a first meeting (result.txt held).
        {"match 13 4 You " + odd + " 0 1 2 0",
         u8"対戦相手 " + oddUtf8 + u8"\n初対戦\n対魔理沙(全体) 4戦 3勝 1敗 75%\n"},
        {"match 13 4 You " + odd + " 0 4 0 2",
         u8"対戦相手 " + oddUtf8 + u8"\n通算 1戦 1勝 0敗 100%\n30日 1戦 1勝 0敗 100%\n最終対戦 " + today +
             u8"\n直近 勝\n霊夢 1戦 1勝 0敗 100%\n|負け You(霊夢) 0-2 " + oddUtf8 + u8"(パチュリー)\n|"
             u8"今回 4戦 2勝 2敗 50% 1連敗\n|霊夢\n通算 4戦 3勝 1敗 75%\n30日 3戦 2勝 1敗 67%\n|"},
    };
    const std::string result = folder.File("live\\result.txt");
    for (const Step& step : steps) {
        SCOPED_TRACE(step.played);
        // A file a reader holds open gets its text once the reader lets go.
        bool holds = step.files.find('|') == std::string::npos;
        HANDLE held = holds ? CreateFileA(result.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                          nullptr) : INVALID_HANDLE_VALUE;
        const std::string before = ReadFileBytes(result);
        Play(step.played);
        if (held != INVALID_HANDLE_VALUE) {
            EXPECT_EQ(before, ReadFileBytes(result));
            CloseHandle(held);
            EXPECT_TRUE(PumpUntil([&] { return ReadFileBytes(result) == u8"勝ち You(霊夢) 2-0 " + oddUtf8 + u8"(魔理沙)\n"; }, 5000));
        }
        EXPECT_EQ(step.files, holds ? ReadFileBytes(folder.File("live\\opponent.txt")) : LiveFiles(folder));
    }
    EXPECT_EQ("You(霊夢) 0-2 " + odd + "(パチュリー)", ClipboardText());
    // A note on the last opponent, written in its dialog from the tray while
    // another program holds the notes file, goes in soon after it lets go,
    // and reaches the stream's file only when switched on.
    Play("match 13 4 You Rival 0 1 2 0");
    sqlite3* notes = nullptr;
    sqlite3_open(folder.File(NOTES_FILE_NAME).c_str(), &notes);
    ASSERT_TRUE(ExecuteSql(notes, NOTES_TABLE) && ExecuteSql(notes, "BEGIN IMMEDIATE"));
    {
        DialogAnswerer answerer(GetCurrentThreadId(), {[](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_NOTE_TEXT, "暴れる\r\n二行目");
            return IDOK;
        }, IDOK});
        Command(ID_LAST_OPPONENT_NOTE);
        EXPECT_EQ(2u, answerer.Seen().size());
    }
    sqlite3_close(notes);
    EXPECT_TRUE(PumpUntil([] { return WaitingNotes.count == 0; }, 10000));
    const std::string card = folder.File("live\\opponent.txt");
    Play("match 13 4 You Rival 0 1 2 0");
    EXPECT_EQ(std::string::npos, ReadFileBytes(card).find(u8"メモ"));
    WritePrivateProfileStringA("LiveFiles", "ShowNotes", "1", SettingsPath.data);
    Play("match 13 4 You Rival 0 1 2 0");
    EXPECT_EQ(u8"対戦相手 Rival\n通算 7戦 5勝 2敗 71%\n30日 4戦 3勝 1敗 75%\n最終対戦 " + today +
                  u8"\n直近 勝勝負勝負\nメモ: 暴れる\n二行目\n霊夢 4戦 4勝 0敗 100%\n咲夜 3戦 1勝 2敗 33%\n"
                  u8"対魔理沙(全体) 7戦 6勝 1敗 86%\n",
              ReadFileBytes(card));
    // Switched off, nothing is written; a folder that cannot be written
    // takes nothing from the recording.
    const std::string written = LiveFiles(folder);
    const struct {
        const char* enabled;
        std::string folder;
    } cases[] = {{"0", ""}, {"1", folder.File("Default.db\\live")}, {"1", "Q:\\live"}};
    int played = 11;  // the three old matches and seven played
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        WritePrivateProfileStringA("LiveFiles", "Enabled", c.enabled, SettingsPath.data);
        WritePrivateProfileStringA("LiveFiles", "Folder", c.folder.c_str(), SettingsPath.data);
        Play("match 13 4 You Rival 0 1 2 0");
        EXPECT_EQ(std::to_string(played++), Query("SELECT count(*) FROM vaviradudiz123"));
        EXPECT_EQ("You(霊夢) 2-0 Rival(魔理沙)", ClipboardText());
        EXPECT_EQ(written, LiveFiles(folder));
    }
}

TEST_F(Shell, MatchesTheRecordCannotTakeWaitOnDiskForTheirOwnRecordAndAreStoredOnceInOrder)
{
    StartWithGame("[General]\r\ninfoTrans=2\r\n");
    Play("match 13 4 Zed Yan 0 1 2 0");
    sqlite3* lock = Lock(folder.File("Default.db"));
    // Ends come faster than the tool handles them: each keeps its own values.
    for (const char* match : {"match 13 4 Alice Bob 0 1 2 1", "match 14 5 A B 3 7 1 2", "match 13 4 C D 5 6 2 0"})
        Play(match, false);
    PumpMessages(200);
    const std::string journal = folder.File(MATCH_JOURNAL_NAME), waiting = "Alice 0 2 Bob 1 1; B 7 2 A 3 1; C 5 2 D 6 0";
    EXPECT_EQ(waiting, RowsOf(journal, "waiting"));
    EXPECT_EQ("未保存の対戦結果が 3 件あります（プロファイルに書き込めません）", std::string(TrayTip()));
    EXPECT_EQ("C(妖夢) 2-0 D(レミリア)", ClipboardText());  // when the match ends
    // The file is free, the retry not yet come: undo waits with them, so it never takes back Zed's match.
    sqlite3_close(lock);
    SendMessageA(App.statsWindow, WM_INITMENU, 0, 0);
    EXPECT_TRUE(GetMenuState(GetSystemMenu(App.statsWindow, FALSE), IDM_UNDO, 0) & MF_GRAYED);
    SendMessageA(App.statsWindow, WM_SYSCOMMAND, IDM_UNDO, 0);
    lock = Lock(folder.File("Default.db"));
    Stop();  // they stay in the journal; the next start stores them
    sqlite3_close(lock);
    EXPECT_EQ(waiting, RowsOf(journal, "waiting"));
    // Started on another record, they wait for theirs, which takes them when it is loaded.
    ASSERT_TRUE(game.Do("mode 0"));
    ASSERT_NE(nullptr, Start("[General]\r\nProfile=" + folder.File("other.db") + "\r\n"));
    EXPECT_EQ("3 件の対戦結果がプロファイル「Default」を開くのを待っています", std::string(TrayTip()));
    EXPECT_EQ("<null>", Query(ROWS));
    ASSERT_TRUE(LoadProfile(App.statsWindow, folder.File("Default.db").c_str()));
    EXPECT_EQ("Zed 0 2 Yan 1 0; " + waiting, Query(ROWS));
    EXPECT_STREQ(TRAY_TIP, TrayTip());
    Stop();
    EXPECT_FALSE(FileExists(journal));

    // Nowhere to write them, the player is shown each one at exit, and gets the list.
    ModuleDirectory.Assign(folder.File("gone").c_str());
    ASSERT_NE(nullptr, CreateMainWindow());
    lock = Lock(folder.File("Default.db"));
    ASSERT_TRUE(game.Do("match 13 4 Eve Fay 0 1 2 0"));
    ASSERT_TRUE(PumpUntil([] { return TrayTip()[0] != 'V'; }, 10000));
    DialogAnswerer answerer(GetCurrentThreadId(), {IDOK});
    Stop();
    sqlite3_close(lock);
    ASSERT_EQ(1u, answerer.Seen().size());
    std::string line = ClipboardText();
    EXPECT_TRUE(std::regex_match(line, std::regex("20\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d Eve\\(霊夢\\) 2-0 Fay\\(魔理沙\\)\r\n"))) << line;
    EXPECT_EQ("1 件の対戦結果を保存できませんでした。\r\n\r\n" + line + "\r\n一覧をクリップボードにコピーしました。",
              answerer.Seen()[0].text);
}

TEST_F(Shell, AGameFoundOnItsResultScreenAddsThatMatchOnlyWhenNoRunStoredIt)
{
    StartWithGame("");
    Play("match 13 4 Alice Bob 0 1 2 1");
    for (const std::string& record : {folder.File("Default.db"), folder.File("other.db")}) {
        Stop();
        ASSERT_NE(nullptr, Start("[General]\r\nProfile=" + record + "\r\n"));
        ASSERT_TRUE(PumpUntil([] { return GameWatcher.state == WATCH_ATTACHED && !GameWatcher.firstPoll; }, 10000));
        PumpMessages(0);
        EXPECT_EQ("Alice 0 2 Bob 1 1", Query(ROWS)) << record;
    }
}

TEST_F(Shell, StartsHiddenAndKeepsItsSettingsFromStartToExitOrLogoffOrARefusedStart)
{
    ASSERT_NE(nullptr, CreateMainWindow());
    EXPECT_EQ(0u, ReadFileBytes(folder.File("Default.db")).find("SQLite format 3"));
    EXPECT_TRUE(ShellHasIcon(App.mainWindow));
    EXPECT_EQ(Picture(IDI_TRAY_SEARCHING), TrayPicture());
    EXPECT_FALSE(IsWindowVisible(App.statsWindow) || IsWindowVisible(App.mainWindow));
    SendMessageA(App.mainWindow, WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(App.statsWindow));
    // A new taskbar knows no icons: the tool's comes back.
    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V2_SIZE;
    icon.hWnd = App.mainWindow;
    Shell_NotifyIconA(NIM_DELETE, &icon);
    SendMessageA(App.mainWindow, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(ShellHasIcon(App.mainWindow));
    EXPECT_FALSE(FileExists(folder.File("vty.ini")));  // written at exit only
    HWND stats = App.statsWindow, main = App.mainWindow;
    Command(ID_EXIT);
    EXPECT_FALSE(IsWindow(App.mainWindow) || IsWindow(stats) || ShellHasIcon(main) || RecordConnection());
    Stop();

    std::string other = folder.File("戦績.db"), fallback = folder.File("Default.db");
    struct Case {
        std::string settings;
        std::vector<UINT> commands;
        const char* checks;  // limiter, copy nothing / opponent / line, suspended
        std::string saved;   // Profile|tcgLimit|InfoTrans
    } const cases[] = {
        {"", {}, "-x---", fallback + "|0|0"},
        {"[General]\r\ntcgLimit=7\r\ninfoTrans=3\r\n", {}, "xx---", fallback + "|1|0"},
        {"[general]\r\nINFOTRANS=1\r\nProfile=" + other + "\r\n", {}, "--x--", other + "|0|1"},
        {"", {ID_COPY_EVERYTHING, ID_LIMITER, ID_SUSPEND_COUNTING}, "x--xx", fallback + "|1|2"},
    };
    auto saved = [&] {
        return Setting("General", "Profile") + "|" + Setting("General", "tcgLimit") + "|" +
               Setting("General", "InfoTrans");
    };
    for (const Case& c : cases) {
        ASSERT_NE(nullptr, Start(c.settings)) << c.settings;
        for (UINT id : c.commands)
            Command(id);
        EXPECT_EQ(c.checks, Checks({ID_LIMITER, ID_COPY_NOTHING, ID_COPY_OPPONENT, ID_COPY_EVERYTHING,
                                    ID_SUSPEND_COUNTING}));
        Stop();
        EXPECT_EQ(c.saved, saved()) << c.settings;
    }
    // The record loaded is named at once; the rest is saved when a logoff really ends the session.
    ASSERT_NE(nullptr, CreateMainWindow());
    std::string loaded = folder.File("loaded.db");
    ASSERT_TRUE(LoadProfile(App.statsWindow, loaded.c_str()));
    Command(ID_LIMITER);
    SendMessageA(App.mainWindow, WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(loaded + "|1|2", saved());
    SendMessageA(App.mainWindow, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(nullptr, App.mainWindow);
    EXPECT_EQ(loaded + "|0|2", saved());

    // A record that cannot be opened: the player is told and offered another;
    // a start refused then changes no file.
    Stop();
    std::string notRecord = folder.File("notes.db"), settings = "[General]\r\nProfile=" + notRecord + "\r\n";
    WriteFileBytes(notRecord, std::string(4096, 'n'));
    DialogAnswerer answerer(GetCurrentThreadId(), {IDOK, IDCANCEL});  // the message, then the file dialog
    EXPECT_EQ(nullptr, Start(settings));
    ASSERT_EQ(2u, answerer.Seen().size());
    EXPECT_EQ("プロファイルのマッピングに失敗しました。", answerer.Seen()[0].text);
    EXPECT_EQ(LoadIconA(nullptr, IDI_HAND), answerer.Seen()[0].icon);
    EXPECT_EQ(settings + std::string(4096, 'n'), ReadFileBytes(folder.File("vty.ini")) + ReadFileBytes(notRecord));
    EXPECT_FALSE(TrayIconShown());
}

TEST_F(Shell, AutorunSwitchesStartTheGameOnlyWithAPath)
{
    // The report stand-in takes the game's place: it notes each start in vty_report.log.
    std::string stand = folder.File("bin\\vty_report.exe"), log = folder.File("bin\\vty_report.log");
    CreateDirectoryA(folder.File("bin").c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\report_standin.exe").c_str(), stand.c_str(), FALSE));
    struct Case {
        std::string autorun;
        const char* checks;  // game, report tool, auto-exit
        bool started;
    } const cases[] = {
        {"Hisoutensoku.FileName=" + stand + "\r\nZevazovazez.Enabled=1\r\n", "-x-", false},
        {"Hisoutensoku.Enabled=1\r\nVantory.Enabled=1\r\n", "x-x", false},
        {"Hisoutensoku.Enabled=5\r\nHisoutensoku.FileName=" + stand + "\r\n", "x--", true},
    };
    for (const Case& c : cases) {
        DeleteFileA(log.c_str());
        ASSERT_NE(nullptr, Start("[Autorun]\r\n" + c.autorun));
        EXPECT_EQ(c.checks, Checks({ID_AUTORUN_GAME, ID_AUTORUN_REPORT, ID_AUTO_EXIT}));
        // Started from its own folder.
        PumpUntil([&] { return FileExists(log); }, c.started ? 10000 : 1500);
        EXPECT_EQ(c.started ? "folder=" + folder.File("bin") + "|parameters=|profile=\r\n" : "", ReadFileBytes(log));
        Command(ID_AUTORUN_GAME);
        EXPECT_EQ(c.checks[0] == 'x' ? "0" : "1", Setting("Autorun", "Hisoutensoku.Enabled"));
        Stop();
    }
}

TEST_F(Shell, WhenTheGameEndsTheReportToolOpensTheRecordLoadedLastBeforeTheToolEnds)
{
    std::string report = folder.File("vty_report.exe");  // beside the tool: it reads the tool's vty.ini
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\report_standin.exe").c_str(), report.c_str(), FALSE));
    StartWithGame("[Autorun]\r\nZevazovazez.Enabled=1\r\nZevazovazez.FileName=" + report + "\r\nVantory.Enabled=1\r\n");
    std::string other = folder.File("other.db");
    ASSERT_TRUE(LoadProfile(App.statsWindow, other.c_str()));
    HWND window = App.mainWindow;
    reportLog = folder.File("vty_report.log");
    mainProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NoteReportAtEnd)));
    ASSERT_TRUE(game.Do("exit"));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }, 10000));
    EXPECT_EQ("folder=" + folder.Path() + "|parameters=|profile=" + other + "\r\n", loggedAtEnd);
}

TEST(Program, RecordsTheGameAndASecondStartInItsFolderOnlyShowsTheFirst)
{
    TempFolder folder, otherFolder;
    StandInGame game;
    ASSERT_TRUE(game.Start(folder.Path())) << game.lastAnswer;
    Tool tool(folder);
    HWND stats = tool.Window("#32770");
    ASSERT_TRUE(tool.window && stats && !IsWindowVisible(stats));
    ASSERT_TRUE(game.Do("match 13 4 Alice Bob 0 1 2 1"));
    EXPECT_TRUE(PumpUntil([&] { return RowsOf(folder.File("Default.db")) == "Alice 0 2 Bob 1 1"; }, 10000));
    EXPECT_EQ(0, ProgramRun(folder, "vty.exe").Wait());
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(stats) != FALSE; }, 10000));
    Tool other(otherFolder);  // another folder is another player's tool
    EXPECT_EQ(0, other.Exit());
    // Killed while matches wait for the file, it stores them at the next start, each once.
    sqlite3* lock = Lock(folder.File("Default.db"));
    ASSERT_TRUE(game.Do("mode 0; wait 300; match 13 4 C D 2 3 0 2; wait 300; mode 0; wait 300; match 14 5 E F 4 5 2 0"));
    EXPECT_TRUE(PumpUntil([&] { return RowsOf(folder.File(MATCH_JOURNAL_NAME), "waiting") == "C 2 0 D 3 2; F 5 0 E 4 2"; }, 10000));
    TerminateProcess(tool.run.info.hProcess, 1);
    WaitForSingleObject(tool.run.info.hProcess, 10000);
    sqlite3_close(lock);
    Tool again(folder);
    EXPECT_TRUE(PumpUntil([&] { return RowsOf(folder.File("Default.db")) == "Alice 0 2 Bob 1 1; C 2 0 D 3 2; F 5 0 E 4 2"; }, 10000));
    EXPECT_EQ(0, again.Exit());
}

// The note key reaches the tool from whichever program has the keyboard. A
// note is on the disk once OK returns, however soon the tool dies after it;
// one the notes file cannot take yet waits in the journal for the next start.
TEST(Program, ANoteFromTheNoteKeyOutlivesAKillRightAfterOk)
{
    TempFolder folder;
    MatchRecord match = {CurrentTimestamp(), "You", 0, 2, "O'Neil\"%s\xFD", 1, 0};
    ASSERT_TRUE(WriteNewRecordFile(folder.File("Default.db").c_str(), &match, 1));
    WriteFileBytes(folder.File("vty.ini"), "[Shortcut]\r\nNoteKey=" +
                                               std::to_string((SHORTCUT_CTRL | SHORTCUT_ALT) << 8 | 'N') + "\r\n");
    const std::string notes = folder.File(NOTES_FILE_NAME), journal = folder.File(MATCH_JOURNAL_NAME);
    const std::string NOTES = "SELECT group_concat(CAST(name AS TEXT)||'='||CAST(note AS TEXT), ';') FROM ";
    // Starts the tool, presses the note key in it and answers what opens with
    // the actions made for its process, which end it.
    auto underNoteKey = [&](const std::function<std::vector<DialogAction>(HANDLE)>& actionsFor) {
        Tool tool(folder);
        DialogAnswerer answerer(tool.run.info.dwThreadId, actionsFor(tool.run.info.hProcess));
        INPUT keys[6] = {};
        const WORD order[6] = {VK_CONTROL, VK_MENU, 'N', 'N', VK_MENU, VK_CONTROL};
        for (int i = 0; i < 6; ++i) {
            keys[i].type = INPUT_KEYBOARD;
            keys[i].ki.wVk = order[i];
            keys[i].ki.dwFlags = i < 3 ? 0 : KEYEVENTF_KEYUP;
        }
        SendInput(6, keys, sizeof(INPUT));
        std::vector<DialogSeen> seen = answerer.Seen();
        WaitForSingleObject(tool.run.info.hProcess, 10000);
        return seen;
    };
    std::vector<DialogSeen> seen = underNoteKey([](HANDLE process) {
        return std::vector<DialogAction>{[process](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_NOTE_TEXT, "起き上がりに暴れる\r\n100%");
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
            TerminateProcess(process, 1);
            return 0;
        }};
    });
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("相手メモ", seen[0].title);
    sqlite3* db = nullptr;
    sqlite3_open(notes.c_str(), &db);
    EXPECT_EQ("O'Neil\"%s\xFD=起き上がりに暴れる\r\n100%", QueryText(db, (NOTES + "notes").c_str()));
    // Held by another program: told so, and killed while telling it.
    ASSERT_TRUE(ExecuteSql(db, "BEGIN IMMEDIATE"));
    seen = underNoteKey([](HANDLE process) {
        return std::vector<DialogAction>{[](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_NOTE_TEXT, "");
            return IDOK;
        }, [process](HWND) {
            TerminateProcess(process, 1);
            return 0;
        }};
    });
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ("メモのファイルをほかのプログラムが使用中のため、メモはまだ保存されていません。"
              "使えるようになりしだい保存します。", seen[1].text);
    // Still held through the next run: at its exit the note stays in the
    // journal, and nobody is told of a loss (a message would keep it running).
    EXPECT_EQ(0, Tool(folder).Exit());
    sqlite3_close(db);
    sqlite3* waiting = nullptr;
    sqlite3_open_v2(journal.c_str(), &waiting, SQLITE_OPEN_READONLY, nullptr);
    EXPECT_EQ("O'Neil\"%s\xFD=", QueryText(waiting, (NOTES + "waiting_notes").c_str()));
    sqlite3_close(waiting);
    // The next start stores it: emptied, the note is gone, and so is the journal at exit.
    Tool again(folder);
    sqlite3_open(notes.c_str(), &db);
    EXPECT_TRUE(PumpUntil([&] { return QueryText(db, "SELECT count(*) FROM notes") == "0"; }, 10000));
    sqlite3_close(db);
    EXPECT_EQ(0, again.Exit());
    EXPECT_FALSE(FileExists(journal));
}
