// Finished matches recorded by the hidden main window, with the game stand-in
// as a real second process holding the values and the real watcher reporting.
#include "res/resource.h"
#include "shell/AppState.h"
#include "base/ProgramPaths.h"
#include "store/ChangeHistory.h"
#include "store/RecordDatabase.h"
#include "support/ShellFixture.h"
#include "support/StandInGame.h"
#include "watcher/WatcherThread.h"
#include <commctrl.h>
#include <sqlite3.h>

namespace {

struct StoredRow {
    int64_t timestamp;
    std::string p1name;
    int p1id, p1win;
    std::string p2name;
    int p2id, p2win;
};

std::vector<StoredRow> StoredRows()
{
    std::vector<StoredRow> rows;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(RecordConnection(), "SELECT * FROM vaviradudiz123 ORDER BY timestamp", -1, &statement,
                           nullptr) != SQLITE_OK)
        return rows;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        auto text = [&](int column) {
            const void* bytes = sqlite3_column_blob(statement, column);
            return std::string(static_cast<const char*>(bytes ? bytes : ""), sqlite3_column_bytes(statement, column));
        };
        rows.push_back({sqlite3_column_int64(statement, 0), text(1), sqlite3_column_int(statement, 2),
                        sqlite3_column_int(statement, 3), text(4), sqlite3_column_int(statement, 5),
                        sqlite3_column_int(statement, 6)});
    }
    sqlite3_finalize(statement);
    return rows;
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
        PumpMessages(300);  // the first values of the game have been reported
    }
    // Plays one match end in the stand-in and gives the tool time to record it.
    void Play(const std::string& match, size_t expectRows)
    {
        ASSERT_TRUE(game.Do("match " + match)) << game.LastAnswer();
        PumpUntil([&] { return StoredRows().size() >= expectRows; }, 3000);
        PumpMessages(250);
    }
    void Command(UINT id) { SendMessageA(App.mainWindow, WM_COMMAND, id, 0); }
};

}  // namespace

TEST_F(MatchRecording, HostMatchIsStoredWithTheUserOnSideOne)
{
    StartBoth();
    EXPECT_EQ(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_TRAY_WATCHING), IMAGE_ICON, 16, 16, LR_SHARED),
              App.trayIcon.hIcon);
    SYSTEMTIME before;
    GetLocalTime(&before);
    Play("13 4 Alice Bob 0 1 2 1", 1);
    std::vector<StoredRow> rows = StoredRows();
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("Alice", rows[0].p1name);
    EXPECT_EQ(0, rows[0].p1id);
    EXPECT_EQ(2, rows[0].p1win);
    EXPECT_EQ("Bob", rows[0].p2name);
    EXPECT_EQ(1, rows[0].p2id);
    EXPECT_EQ(1, rows[0].p2win);
    // A local-time FILETIME count in whole milliseconds, taken just now.
    FILETIME local;
    SystemTimeToFileTime(&before, &local);
    int64_t start = (static_cast<int64_t>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
    EXPECT_EQ(0, rows[0].timestamp % 10000);
    EXPECT_GE(rows[0].timestamp, start);
    EXPECT_LT(rows[0].timestamp, start + 10 * 10000000LL);
    ASSERT_EQ(1u, UndoList.count);
    EXPECT_EQ(CHANGE_INSERTED, UndoList.At(0).kind);
    EXPECT_EQ(rows[0].timestamp, UndoList.At(0).record.timestamp);
}

TEST_F(MatchRecording, ClientMatchPutsTheRightHandPlayerOnSideOne)
{
    StartBoth();
    Play("14 5 A B 3 7 1 2", 1);
    std::vector<StoredRow> rows = StoredRows();
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("B", rows[0].p1name);
    EXPECT_EQ(7, rows[0].p1id);
    EXPECT_EQ(2, rows[0].p1win);
    EXPECT_EQ("A", rows[0].p2name);
    EXPECT_EQ(3, rows[0].p2id);
    EXPECT_EQ(1, rows[0].p2win);
}

TEST_F(MatchRecording, OnlyNetworkScenesAndRecordableModesCount)
{
    StartBoth("[General]\r\ntcgLimit=1\r\n");
    Play("12 4 A B 0 1 2 0", 1);  // not a network battle scene
    EXPECT_EQ(0u, StoredRows().size());
    uint32_t countBefore = App.limiterCount;
    Play("13 6 A B 0 1 2 0", 1);  // mode 6: never recorded, the limiter not touched
    EXPECT_EQ(0u, StoredRows().size());
    EXPECT_EQ(countBefore, App.limiterCount);
    EXPECT_EQ(0u, UndoList.count);
}

TEST_F(MatchRecording, OutOfRangeValuesDropTheMatch)
{
    StartBoth();
    Play("13 4 A B 0 1 3 0", 1);   // three rounds won
    Play("13 4 A B 20 1 2 0", 1);  // character 20
    Play("13 4 A B 0 20 2 0", 1);
    EXPECT_EQ(0u, StoredRows().size());
    Play("13 4 A B 0 1 0 0", 1);  // 0-0 is a result
    ASSERT_EQ(1u, StoredRows().size());
    EXPECT_EQ(0, StoredRows()[0].p1win);
}

TEST_F(MatchRecording, LongNameIsCutTo31Bytes)
{
    StartBoth();
    std::string forty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd";
    ASSERT_TRUE(game.Do("lname " + forty));
    ASSERT_TRUE(game.Do("rname 相手"));
    ASSERT_TRUE(game.Do("lchar 2"));
    ASSERT_TRUE(game.Do("rchar 4"));
    ASSERT_TRUE(game.Do("comm 4"));
    ASSERT_TRUE(game.Do("scene 13"));
    ASSERT_TRUE(game.Do("mode 1"));
    ASSERT_TRUE(game.Do("lwin 2"));
    ASSERT_TRUE(game.Do("wait 250"));
    ASSERT_TRUE(game.Do("mode 5"));
    PumpUntil([] { return StoredRows().size() == 1; }, 3000);
    std::vector<StoredRow> rows = StoredRows();
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(forty.substr(0, 31), rows[0].p1name);
    EXPECT_EQ("相手", rows[0].p2name);  // code page 932 bytes as the game holds them
    EXPECT_EQ("\x91\x8a\x8e\xe8", rows[0].p2name);
}

TEST_F(MatchRecording, LimiterStoresThreeInARowAgainstOneOpponent)
{
    StartBoth("[General]\r\ntcgLimit=1\r\n");
    ASSERT_TRUE(game.Do("peer 0x0100007F"));
    ASSERT_TRUE(game.Do("peertag 0"));
    for (size_t i = 1; i <= 4; ++i)
        Play("13 4 Me Rival 0 1 2 0", i);
    EXPECT_EQ(3u, StoredRows().size());
    EXPECT_EQ(4u, App.limiterCount);
    ASSERT_TRUE(game.Do("peer 0x0200007F"));
    Play("13 4 Me Other 0 1 2 0", 4);
    EXPECT_EQ(4u, StoredRows().size());
    EXPECT_EQ(1u, App.limiterCount);
    EXPECT_EQ(0x0200007Fu, App.limiterLastOpponent);
}

TEST_F(MatchRecording, LimiterNeverHoldsBackModesWithoutOpponentKey)
{
    StartBoth("[General]\r\ntcgLimit=1\r\n");
    for (size_t i = 1; i <= 4; ++i)
        Play("13 3 Me Rival 0 1 2 0", i);
    EXPECT_EQ(4u, StoredRows().size());
}

TEST_F(MatchRecording, ClipboardGetsWhatTheCopyModeAsks)
{
    SetClipboardText("untouched");
    StartBoth();
    Play("13 4 Alice Bob 0 1 2 1", 1);
    EXPECT_EQ("untouched", ClipboardText());

    Command(ID_COPY_OPPONENT);
    Play("13 4 Alice Bob 0 1 2 1", 2);
    EXPECT_EQ("Bob", ClipboardText());

    Command(ID_COPY_EVERYTHING);
    Play("13 4 Alice Bob 0 1 2 1", 3);
    EXPECT_EQ("Alice(霊夢) 2-1 Bob(魔理沙)", ClipboardText());

    Play("13 4 Alice - 0 1 2 0", 4);  // the opponent's name is empty
    EXPECT_EQ("Alice(霊夢) 2-0 (魔理沙)", ClipboardText());
    EXPECT_EQ(4u, StoredRows().size());
}

TEST_F(MatchRecording, TakenTimeStampDropsTheMatchAndNothingElseChanges)
{
    StartBoth();
    Command(ID_COPY_EVERYTHING);
    SetClipboardText("untouched");
    // Occupy every millisecond of the next 20 seconds.
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME local;
    SystemTimeToFileTime(&now, &local);
    int64_t start = (static_cast<int64_t>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
    sqlite3* db = RecordConnection();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (int64_t ms = 0; ms < 20000; ++ms) {
        char* sql = sqlite3_mprintf("INSERT INTO vaviradudiz123 VALUES(%lld,'x',0,2,'y',0,0)", start + ms * 10000);
        sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        sqlite3_free(sql);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    Play("13 4 Alice Bob 0 1 2 1", 20001);
    EXPECT_EQ(20000u, StoredRows().size());
    EXPECT_EQ(0u, UndoList.count);
    EXPECT_EQ("untouched", ClipboardText());
    EXPECT_NE(0, sqlite3_get_autocommit(db));  // the failed insert was rolled back
}

TEST_F(MatchRecording, MatchNotStoredWhileAnotherProgramHoldsTheFile)
{
    StartBoth();
    Command(ID_COPY_EVERYTHING);
    SetClipboardText("untouched");
    sqlite3* reader = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(folder.File("Default.db").c_str(), &reader));
    ASSERT_EQ(SQLITE_OK,
              sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM vaviradudiz123;", nullptr, nullptr, nullptr));
    ASSERT_TRUE(game.Do("match 13 4 Alice Bob 0 1 2 1"));
    PumpMessages(3500);  // the tool waits for the file, then gives the match up
    sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(reader);
    EXPECT_EQ(0u, StoredRows().size());
    EXPECT_EQ(0u, UndoList.count);
    EXPECT_EQ("untouched", ClipboardText());
    EXPECT_NE(0, sqlite3_get_autocommit(RecordConnection()));

    Play("13 4 Alice Bob 0 1 2 1", 1);
    EXPECT_EQ(1u, StoredRows().size());
    EXPECT_EQ(1u, UndoList.count);
}

TEST_F(MatchRecording, MatchEndingWhileSuspendedIsNeverRecorded)
{
    StartBoth();
    Command(ID_SUSPEND_COUNTING);
    EXPECT_EQ(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_TRAY_SEARCHING), IMAGE_ICON, 16, 16, LR_SHARED),
              App.trayIcon.hIcon);
    Play("13 4 Alice Bob 0 1 2 1", 1);
    Command(ID_SUSPEND_COUNTING);
    EXPECT_EQ(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_TRAY_WATCHING), IMAGE_ICON, 16, 16, LR_SHARED),
              App.trayIcon.hIcon);
    PumpMessages(500);
    EXPECT_EQ(0u, StoredRows().size());
    // Counting again: the next match is recorded.
    Play("13 4 Alice Bob 0 1 2 1", 1);
    EXPECT_EQ(1u, StoredRows().size());
}

TEST_F(MatchRecording, TrayFollowsTheGameAndTheLimiter)
{
    StartBoth();
    auto picture = [](UINT id) {
        return LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, LR_SHARED);
    };
    EXPECT_EQ(picture(IDI_TRAY_WATCHING), App.trayIcon.hIcon);
    Command(ID_LIMITER);
    EXPECT_EQ(picture(IDI_TRAY_LIMITED), App.trayIcon.hIcon);
    Command(ID_LIMITER);
    EXPECT_EQ(picture(IDI_TRAY_WATCHING), App.trayIcon.hIcon);
    ASSERT_TRUE(game.Exit());
    EXPECT_TRUE(PumpUntil([&] { return App.trayIcon.hIcon == picture(IDI_TRAY_SEARCHING); }, 3000));
}

TEST_F(MatchRecording, RecordedMatchRefreshesTheStatistics)
{
    StartBoth();
    Command(ID_SHOW_STATS);
    Play("13 4 Alice Bob 5 1 2 0", 1);
    PumpMessages(200);
    HWND list = GetDlgItem(App.statsWindow, IDC_STATS_LIST);
    char text[64] = "";
    LVITEMA item = {};
    item.iSubItem = 1;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, 5, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ("1", text);
    item.iSubItem = 4;
    SendMessageA(list, LVM_GETITEMTEXTA, 5, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ("100%", text);
}
