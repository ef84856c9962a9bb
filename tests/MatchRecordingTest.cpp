// Finished matches recorded by the hidden main window, with the game stand-in
// as a real second process holding the values and the real watcher reporting.
#include "res/resource.h"
#include "shell/AppState.h"
#include "store/ChangeHistory.h"
#include "store/RecordDatabase.h"
#include "support/ShellFixture.h"
#include "support/StandInGame.h"
#include "support/StatsFixture.h"
#include "support/StoreTestSupport.h"
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
        ASSERT_TRUE(PumpUntil([] { return watchState == WATCH_ATTACHED; }, 5000));
    }
    // Plays a match and returns once the tool has handled its end.
    void Play(const char* played)
    {
        ASSERT_TRUE(game.Do(std::string("match ") + played)) << game.LastAnswer();
        // The watcher posts the end before it keeps the value, so no message
        // wakes this thread after that: look now and then, then pass the queue once.
        for (DWORD start = GetTickCount(); lastValues[BattleMode] != 5 && GetTickCount() - start < 5000;)
            PumpMessages(10);
        ASSERT_EQ(5, lastValues[BattleMode]);
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

TEST_F(MatchRecording, AMatchThatCannotBeStoredLeavesNoTrace)
{
    StartBoth();
    SendMessageA(App.mainWindow, WM_COMMAND, ID_COPY_EVERYTHING, 0);
    SetClipboardText("untouched");
    // Another program reads the file in a transaction: the tool waits for it,
    // then gives the match up.
    sqlite3* reader = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(folder.File("Default.db").c_str(), &reader));
    ASSERT_TRUE(ExecuteSql(reader, "BEGIN; SELECT count(*) FROM vaviradudiz123;"));
    Play("13 4 Alice Bob 0 1 2 1");
    ExecuteSql(reader, "COMMIT");
    sqlite3_close(reader);
    EXPECT_NE(0, sqlite3_get_autocommit(RecordConnection()));  // no transaction left open
    // Every millisecond of the next ten seconds taken: the insert fails.
    std::string occupy = "WITH RECURSIVE t(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM t WHERE n < 9999) "
                         "INSERT INTO vaviradudiz123 SELECT " +
                         std::to_string(LocalNow()) + " + n * 10000, 'x', 0, 2, 'y', 0, 0 FROM t";
    ASSERT_TRUE(ExecuteSql(RecordConnection(), occupy.c_str()));
    Play("13 4 Alice Bob 0 1 2 1");
    EXPECT_NE(0, sqlite3_get_autocommit(RecordConnection()));
    EXPECT_EQ("10000", RowCount());
    EXPECT_EQ(0u, UndoList.count);
    EXPECT_EQ("untouched", ClipboardText());
}
