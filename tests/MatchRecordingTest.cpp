// Finished matches recorded by the hidden main window, with the game stand-in
// as a real second process holding the values and the real watcher reporting.
#include "res/resource.h"
#include "shell/AppState.h"
#include "shell/MainWindow.h"
#include "store/ChangeHistory.h"
#include "store/RecordDatabase.h"
#include "support/ShellFixture.h"
#include "support/StandInGame.h"
#include "support/StatsFixture.h"
#include "support/StoreTestSupport.h"
#include "ui/stats/StatsWindow.h"
#include "watcher/BattleState.h"
#include "watcher/WatcherThread.h"
#include <commctrl.h>
#include <sqlite3.h>

namespace {

// One match as the stand-in plays it, and what the tool makes of it.
struct Match {
    UINT command;           // a tray menu command given before it, or 0
    const char* played;     // SCENE COMM LNAME RNAME LCHAR RCHAR LWIN RWIN; a name "-" is empty
    const char* stored;     // the row it adds, "" for none
    const char* clipboard;  // the clipboard text after it; null: not looked at
};

// The local time as a FILETIME count, as the records hold it.
int64_t LocalNow()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME local;
    SystemTimeToFileTime(&now, &local);
    return (static_cast<int64_t>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
}

std::string Query(const std::string& sql)
{
    return QueryText(RecordConnection(), sql.c_str());
}

std::string RowCount()
{
    return Query("SELECT count(*) FROM vaviradudiz123");
}

class MatchRecording : public ShellFixture {
protected:
    StandInGame game;

    // Starts the game stand-in and the tool and waits until the tool watches it.
    void StartBoth(const char* settings = "")
    {
        WriteFileBytes(folder.File("vty.ini"), settings);
        ASSERT_TRUE(game.Start(folder.Path())) << game.LastAnswer();
        ASSERT_NE(nullptr, Start());
        ASSERT_TRUE(PumpUntil([] { return GameWatcher.state == WATCH_ATTACHED; }, 5000));
    }
    // Plays a match and returns once the tool has handled its end.
    void Play(const char* played)
    {
        ASSERT_TRUE(game.Do(std::string("match ") + played)) << game.LastAnswer();
        // The watcher posts the end before it keeps the value, so no message
        // wakes this thread after that: look now and then, then pass the queue once.
        for (DWORD start = GetTickCount(); GameWatcher.lastValues[BattleMode] != 5 && GetTickCount() - start < 5000;)
            PumpMessages(10);
        ASSERT_EQ(5, GameWatcher.lastValues[BattleMode]);
        PumpMessages(0);
    }
    void PlayAll(const std::vector<Match>& matches)
    {
        int count = 0;  // on a new record file
        for (const Match& m : matches) {
            SCOPED_TRACE(m.played);
            if (m.command)
                SendMessageA(App.mainWindow, WM_COMMAND, m.command, 0);
            Play(m.played);
            count += *m.stored != 0;
            EXPECT_EQ(std::to_string(count), RowCount());
            if (*m.stored) {
                EXPECT_EQ(m.stored, Query("SELECT p1name || ' ' || p1id || ' ' || p1win || ' ' || p2name || ' ' || "
                                          "p2id || ' ' || p2win FROM vaviradudiz123 ORDER BY timestamp DESC"));
            }
            if (m.clipboard) {
                EXPECT_EQ(m.clipboard, ClipboardText());
            }
        }
    }
};

}  // namespace

TEST_F(MatchRecording, EachMatchEndIsStoredWithTheUserOnSideOneOrNotAtAll)
{
    SetClipboardText("untouched");
    StartBoth();
    SendMessageA(App.mainWindow, WM_COMMAND, ID_SHOW_STATS, 0);
    int64_t start = LocalNow();
    PlayAll({
        {0, "13 4 Alice Bob 0 1 2 1", "Alice 0 2 Bob 1 1", "untouched"},  // host: the left player
        {0, "14 5 A B 3 7 1 2", "B 7 2 A 3 1", "untouched"},              // client: the right player
        {ID_SUSPEND_COUNTING, "13 4 A B 0 1 2 0", "", nullptr},
        {ID_SUSPEND_COUNTING, "13 4 A B 19 19 0 0", "A 19 0 B 19 0", nullptr},
        // Names are cut to 31 bytes; a mode without sides takes the left player.
        {ID_COPY_OPPONENT, "14 3 ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd 相手 2 4 2 0",
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ01234 2 2 相手 4 0", "相手"},
        {ID_COPY_EVERYTHING, "13 4 Alice Bob 0 1 2 1", "Alice 0 2 Bob 1 1", "Alice(霊夢) 2-1 Bob(魔理沙)"},
        // Whole characters only: 16 full-width ones keep 15; 31 bytes ending in
        // a trail byte that could also lead stay whole.
        {0, "13 4 あいうえおかきくけこさしすせそた aぁぁぁぁぁぁぁぁぁぁぁぁぁぁぁ 0 1 2 1",
         "あいうえおかきくけこさしすせそ 0 2 aぁぁぁぁぁぁぁぁぁぁぁぁぁぁぁ 1 1",
         "あいうえおかきくけこさしすせそ(霊夢) 2-1 aぁぁぁぁぁぁぁぁぁぁぁぁぁぁぁ(魔理沙)"},
        {0, "13 4 Alice - 0 1 2 0", "Alice 0 2  1 0", "Alice(霊夢) 2-0 (魔理沙)"},
        // Neither stored nor copied: another scene, mode 6, values out of range.
        {0, "12 4 A B 0 1 2 0", "", "Alice(霊夢) 2-0 (魔理沙)"},
        {0, "13 6 A B 0 1 2 0", "", "Alice(霊夢) 2-0 (魔理沙)"},
        {0, "13 4 A B 0 1 3 0", "", "Alice(霊夢) 2-0 (魔理沙)"},
        {0, "13 4 A B 0 1 0 3", "", "Alice(霊夢) 2-0 (魔理沙)"},
        {0, "13 4 A B 20 1 2 0", "", "Alice(霊夢) 2-0 (魔理沙)"},
        {0, "13 4 A B 0 20 2 0", "", "Alice(霊夢) 2-0 (魔理沙)"},
    });
    // Local time as a FILETIME count in whole milliseconds, taken at the end;
    // one change entry for each stored match.
    EXPECT_EQ("0", Query("SELECT count(*) FROM vaviradudiz123 WHERE timestamp % 10000 OR timestamp < " +
                         std::to_string(start) + " OR timestamp > " + std::to_string(LocalNow())));
    std::string changes;
    for (uint32_t i = 0; i < UndoList.count; ++i) {
        const ChangeEntry& change = UndoList.At(i);
        changes += (i ? "," : "") + std::to_string(change.kind == CHANGE_INSERTED ? change.record.timestamp : 0);
    }
    EXPECT_EQ(Query("SELECT group_concat(timestamp) FROM (SELECT timestamp FROM vaviradudiz123 ORDER BY 1)"), changes);
    // The open statistics follow: character 7 played once and won.
    EXPECT_EQ("幽々子|1|1|0|100%|(100%)\n", ListText(GetDlgItem(App.statsWindow, IDC_STATS_LIST), 7, 7));
}

TEST_F(MatchRecording, LimiterStoresThreeInARowAgainstOneOpponent)
{
    StartBoth("[General]\r\ntcgLimit=1\r\n");
    // The host's opponent is the peer, the client's the destination.
    ASSERT_TRUE(game.Do("peer 0x0100007F; dest 2; destaddr 0x0200007F"));
    PlayAll({
        {0, "13 4 Me Rival 0 1 2 0", "Me 0 2 Rival 1 0", nullptr},
        {0, "13 4 Me Rival 0 1 2 0", "Me 0 2 Rival 1 0", nullptr},
        {0, "13 4 Me Rival 0 1 2 0", "Me 0 2 Rival 1 0", nullptr},
        {0, "13 6 Me Rival 0 1 2 0", "", nullptr},  // never recorded, nor counted
        {0, "13 4 Me Rival 0 1 2 0", "", nullptr},
        {0, "14 5 Other Me 0 1 0 2", "Me 1 2 Other 0 0", nullptr},  // another opponent
        // Modes without an opponent are never held back.
        {0, "13 3 Me Rival 0 1 2 0", "Me 0 2 Rival 1 0", nullptr},
        {0, "13 3 Me Rival 0 1 2 0", "Me 0 2 Rival 1 0", nullptr},
        {0, "13 3 Me Rival 0 1 2 0", "Me 0 2 Rival 1 0", nullptr},
        {0, "13 3 Me Rival 0 1 2 0", "Me 0 2 Rival 1 0", nullptr},
    });
}

TEST_F(MatchRecording, AMatchWhoseTimeIsTakenLeavesNoTrace)
{
    StartBoth();
    SendMessageA(App.mainWindow, WM_COMMAND, ID_COPY_EVERYTHING, 0);
    SetClipboardText("untouched");
    // Every millisecond of the next ten seconds taken: the insert fails.
    std::string occupy = "WITH RECURSIVE t(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM t WHERE n < 9999) "
                         "INSERT INTO vaviradudiz123 SELECT " +
                         std::to_string(LocalNow()) + " + n * 10000, 'x', 0, 2, 'y', 0, 0 FROM t";
    ASSERT_TRUE(ExecuteSql(RecordConnection(), occupy.c_str()));
    Play("13 4 Alice Bob 0 1 2 1");
    EXPECT_NE(0, sqlite3_get_autocommit(RecordConnection()));  // no transaction left open
    EXPECT_EQ("10000", RowCount());
    EXPECT_EQ(0u, UndoList.count);
    EXPECT_EQ("untouched", ClipboardText());
    EXPECT_STREQ(TRAY_TIP, App.trayIcon.szTip);  // nothing waits
}

namespace {

// Another program holding a record file locked, as long as the object lives.
struct FileLock {
    sqlite3* db = nullptr;
    explicit FileLock(const std::string& path)
    {
        EXPECT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
        EXPECT_TRUE(ExecuteSql(db, "BEGIN EXCLUSIVE"));
    }
    ~FileLock() { Release(); }
    void Release()
    {
        ExecuteSql(db, "COMMIT");
        sqlite3_close(db);
        db = nullptr;
    }
};

const char* const ROWS = "SELECT group_concat(p1name || p1id, ' ') FROM (SELECT * FROM vaviradudiz123 ORDER BY timestamp)";

std::string PendingTip(int count)
{
    return "未保存の対戦結果が " + std::to_string(count) + " 件あります（記録ファイルに書き込めません）";
}

}  // namespace

TEST_F(MatchRecording, MatchesTheFileCannotTakeWaitAndAreStoredInOrderOnceItCan)
{
    StartBoth();
    SendMessageA(App.mainWindow, WM_COMMAND, ID_SHOW_STATS, 0);
    SendMessageA(App.mainWindow, WM_COMMAND, ID_COPY_EVERYTHING, 0);
    FileLock lock(folder.File("Default.db"));
    int64_t ends[3] = {LocalNow()};
    Play("13 4 Alice Bob 0 1 2 1");
    ends[1] = LocalNow();
    Play("14 5 A B 3 7 1 2");
    ends[2] = LocalNow();
    EXPECT_EQ("0", QueryText(lock.db, "SELECT count(*) FROM vaviradudiz123"));
    EXPECT_EQ(0u, UndoList.count);
    EXPECT_EQ(PendingTip(2), App.trayIcon.szTip);
    // The line goes when the match ends, not when it is stored.
    EXPECT_EQ("B(幽々子) 2-1 A(アリス)", ClipboardText());
    SetClipboardText("copied since");

    // Freed, the file takes them on the retry timer or before the next match,
    // oldest first, each with the time of its end.
    lock.Release();
    Play("13 4 Carol Dan 5 6 2 0");
    ASSERT_TRUE(PumpUntil([] { return UndoList.count == 3; }, 10000));
    EXPECT_EQ("Alice0 B7 Carol5", Query(ROWS));
    std::string changes;
    for (uint32_t i = 0; i < UndoList.count; ++i)
        changes += (i ? "," : "") + std::to_string(UndoList.At(i).record.timestamp);
    EXPECT_EQ(Query("SELECT group_concat(timestamp) FROM (SELECT timestamp FROM vaviradudiz123 ORDER BY 1)"), changes);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ("1", Query("SELECT count(*) FROM vaviradudiz123 WHERE timestamp BETWEEN " +
                             std::to_string(ends[i]) + " AND " + std::to_string(ends[i + 1])));
    EXPECT_EQ("Carol(妖夢) 2-0 Dan(レミリア)", ClipboardText());
    EXPECT_STREQ(TRAY_TIP, App.trayIcon.szTip);
    PumpMessages(0);
    EXPECT_EQ("幽々子|1|1|0|100%|(100%)\n", ListText(GetDlgItem(App.statsWindow, IDC_STATS_LIST), 7, 7));

    // A record that cannot be written, as in a folder that became read-only:
    // its journal cannot be made.
    std::string journal = folder.File("Default.db-journal");
    ASSERT_TRUE(CreateDirectoryA(journal.c_str(), nullptr));
    Play("13 4 Eve Fay 0 1 2 0");
    EXPECT_EQ(PendingTip(1), App.trayIcon.szTip);
    EXPECT_EQ(3u, UndoList.count);
    ASSERT_TRUE(RemoveDirectoryA(journal.c_str()));
    ASSERT_TRUE(PumpUntil([] { return UndoList.count == 4; }, 10000));
    EXPECT_EQ("Alice0 B7 Carol5 Eve0", Query(ROWS));
    EXPECT_STREQ(TRAY_TIP, App.trayIcon.szTip);
}

namespace {

// The rows of the one record file whose name matches pattern in folder,
// opened as a profile is loaded; "<no file>" when there is none.
std::string RowsOfOnly(const TempFolder& folder, const std::string& pattern)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(folder.File(pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return "<no file>";
    bool more = FindNextFileA(search, &found) != FALSE;
    FindClose(search);
    if (more)
        return "<more than one>";
    if (!OpenStoreFile(folder.File(found.cFileName)))
        return "<not a record>";
    std::string rows = Query(ROWS);
    // Made as every record file is.
    if (Query("SELECT group_concat(sql, ';') FROM sqlite_master") !=
        std::string(RECORD_TABLE_SCHEMA) + ";" + RECORD_INDEX_SCHEMA)
        rows += " <other schema>";
    CloseRecordDatabase();
    return rows;
}

}  // namespace

TEST_F(MatchRecording, MatchesStillWaitingWhenTheirRecordIsLeftGoToAFileOfTheirOwn)
{
    StartBoth();
    FileLock lock(folder.File("Default.db"));
    Play("13 4 Alice Bob 0 1 2 1");
    Play("13 4 Amy Ben 2 3 2 0");
    // Another record loaded: they stay with the one they were played on.
    ASSERT_TRUE(LoadProfile(App.statsWindow, folder.File("Other.db").c_str()));
    EXPECT_STREQ(TRAY_TIP, App.trayIcon.szTip);
    EXPECT_EQ("0", RowCount());
    FileLock otherLock(folder.File("Other.db"));
    Play("14 5 Cid Cal 4 5 0 2");
    Stop();  // the last try at exit fails too
    lock.Release();
    otherLock.Release();
    EXPECT_EQ("Alice0 Amy2", RowsOfOnly(folder, "未保存の対戦結果(Default) *.db"));
    EXPECT_EQ("Cal5", RowsOfOnly(folder, "未保存の対戦結果(Other) *.db"));
    EXPECT_EQ("<null>", RowsOfOnly(folder, "Default.db"));
    EXPECT_EQ("<null>", RowsOfOnly(folder, "Other.db"));
}
