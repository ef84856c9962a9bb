// The watcher thread against the game stand-in as a second process: what it
// posts to its target window, and how it starts and stops.
#include "support/StandInGame.h"
#include "support/TestSupport.h"
#include "support/WatchNotifyWindow.h"
#include "watcher/BattleState.h"
#include "watcher/WatcherThread.h"
#include <gtest/gtest.h>

namespace {

const DWORD WAIT_MS = 10000;
// Several poll periods: long enough for a change to have been seen.
const DWORD QUIET_MS = 500;

struct Notice {
    int kind;
    int high;
    int32_t value;
    bool operator==(const Notice& o) const { return kind == o.kind && high == o.high && value == o.value; }
};

std::ostream& operator<<(std::ostream& out, const Notice& n)
{
    return out << "{kind " << n.kind << ", " << n.high << ", " << n.value << "}";
}

const Notice ATTACHED = {0, 1, 0};
const Notice DETACHED = {0, 0, 0};

Notice Value(int selector, int32_t value)
{
    return {1, selector, value};
}

class Watcher : public testing::Test {
protected:
    TempFolder folder;
    ModuleDirectoryScope scope{folder.Path()};
    WatchNotifyWindow window;
    bool watching = false;

    void TearDown() override
    {
        if (watching)
            StopWatcher();
    }
    void Start()
    {
        ASSERT_TRUE(StartWatcher(window.Handle()));
        watching = true;
    }
    void Stop()
    {
        StopWatcher();
        watching = false;
    }
    // Every message received so far, checked for the exact message layout.
    std::vector<Notice> Notices()
    {
        std::vector<Notice> out;
        for (const PostedMessage& m : window.received) {
            EXPECT_EQ(32778u, m.message);
            Notice n = {LOWORD(m.wParam), HIWORD(m.wParam), static_cast<int32_t>(m.lParam)};
            if (n.kind == 0) {
                EXPECT_EQ(0, m.lParam);
            }
            out.push_back(n);
        }
        return out;
    }
    // Waits for count messages, then a quiet time in which no more may come.
    std::vector<Notice> Expect(size_t count)
    {
        EXPECT_TRUE(window.WaitForCount(count, WAIT_MS)) << window.received.size();
        window.Pump(QUIET_MS);
        std::vector<Notice> out = Notices();
        window.received.clear();
        return out;
    }
    void StartGame(StandInGame& game, const std::string& arguments = "")
    {
        ASSERT_TRUE(game.Start(folder.Path(), arguments)) << game.LastAnswer();
    }
};

void Do(StandInGame& game, const std::string& command)
{
    ASSERT_TRUE(game.Do(command)) << command << ": " << game.LastAnswer();
}

}  // namespace

TEST_F(Watcher, AttachesToAGameThatStartsLaterAndReportsEachChangeOnce)
{
    Start();
    window.Pump(QUIET_MS);
    EXPECT_TRUE(Notices().empty());
    EXPECT_EQ(WATCH_SEARCHING, watchState);

    StandInGame game;
    StartGame(game);
    // A new game holds only zeros: attached, and nothing changed.
    EXPECT_EQ(std::vector<Notice>{ATTACHED}, Expect(1));
    EXPECT_EQ(WATCH_ATTACHED, watchState);

    Do(game, "scene 13");
    EXPECT_EQ(std::vector<Notice>{Value(SceneId, 13)}, Expect(1));
    // The same value again is no change.
    Do(game, "scene 13");
    EXPECT_EQ(std::vector<Notice>{}, Expect(0));
    Do(game, "scene 14");
    Do(game, "lwin 200");
    EXPECT_EQ((std::vector<Notice>{Value(SceneId, 14), Value(LeftWinCount, 200)}), Expect(2));
    // Names are not polled.
    Do(game, "lname Alice");
    EXPECT_EQ(std::vector<Notice>{}, Expect(0));
}

TEST_F(Watcher, FirstPollReportsEveryReadableNonZeroValueInSelectorOrder)
{
    StandInGame game;
    StartGame(game);
    for (const char* command : {"scene 13", "comm 5", "mode 3", "lchar 4", "rchar 6", "lwin 1", "rwin 2",
                                "peer 0x0100007F", "dest 2", "destaddr 0x0200A8C0", "lname A", "rname B"})
        Do(game, command);
    Start();
    EXPECT_EQ((std::vector<Notice>{ATTACHED, Value(SceneId, 13), Value(CommMode, 5), Value(BattleMode, 3),
                                   Value(LeftCharId, 4), Value(RightCharId, 6), Value(LeftWinCount, 1),
                                   Value(RightWinCount, 2), Value(HostPeerAddress, 0x0100007F),
                                   Value(ClientPeerAddress, 0x0200A8C0)}),
              Expect(10));

    // Unreadable values are left out; zeros are no change from a fresh start.
    Stop();
    Do(game, "unlink battle");
    Do(game, "peertag -1");
    Do(game, "comm 0");
    Start();
    EXPECT_EQ((std::vector<Notice>{ATTACHED, Value(SceneId, 13), Value(LeftCharId, 4), Value(RightCharId, 6),
                                   Value(ClientPeerAddress, 0x0200A8C0)}),
              Expect(5));
}

TEST_F(Watcher, AValueSwitchingBetweenUnreadableAndZeroIsNeverReported)
{
    StandInGame game;
    StartGame(game);
    Start();
    EXPECT_EQ(std::vector<Notice>{ATTACHED}, Expect(1));
    for (int i = 0; i < 3; ++i) {
        Do(game, "unlink battle");
        window.Pump(250);
        Do(game, "link battle");
        window.Pump(250);
    }
    EXPECT_EQ(std::vector<Notice>{}, Expect(0));

    // An unreadable value is forgotten: the same value is reported again.
    Do(game, "mode 3");
    EXPECT_EQ(std::vector<Notice>{Value(BattleMode, 3)}, Expect(1));
    Do(game, "unlink battle");
    EXPECT_EQ(std::vector<Notice>{}, Expect(0));
    Do(game, "link battle");
    EXPECT_EQ(std::vector<Notice>{Value(BattleMode, 3)}, Expect(1));
}

TEST_F(Watcher, AMatchEndIsReportedAsTheBattleModeTurning5)
{
    StandInGame game;
    StartGame(game);
    Start();
    EXPECT_EQ(std::vector<Notice>{ATTACHED}, Expect(1));
    Do(game, "match 13 4 Alice Bob 3 7 2 1");
    std::vector<Notice> got = Expect(1);
    // The battle runs (mode 1) and then ends (mode 5), each reported once.
    std::vector<Notice> modes;
    for (const Notice& n : got) {
        EXPECT_EQ(1, n.kind) << n;
        if (n.high == BattleMode)
            modes.push_back(n);
    }
    EXPECT_EQ((std::vector<Notice>{Value(BattleMode, 1), Value(BattleMode, 5)}), modes);
    // When the end is handled, the result is in the game to be read.
    EXPECT_EQ(13, ReadGameValue(SceneId));
    EXPECT_EQ(2, ReadGameValue(LeftWinCount));
    EXPECT_EQ(1, ReadGameValue(RightWinCount));
    EXPECT_EQ(7, ReadGameValue(RightCharId));
    // A second match against the same values is a new end all the same.
    Do(game, "match 13 4 Alice Bob 3 7 2 1");
    got = Expect(2);
    EXPECT_EQ((std::vector<Notice>{Value(BattleMode, 1), Value(BattleMode, 5)}), got);
}

TEST_F(Watcher, DetachesWhenTheGameEndsAndAttachesAgainWhenItReturns)
{
    Start();
    {
        StandInGame game;
        StartGame(game);
        EXPECT_EQ(std::vector<Notice>{ATTACHED}, Expect(1));
        Do(game, "scene 13");
        EXPECT_EQ(std::vector<Notice>{Value(SceneId, 13)}, Expect(1));
        // The window alone going is not the game going.
        Do(game, "close");
        EXPECT_EQ(std::vector<Notice>{}, Expect(0));
        ASSERT_TRUE(game.Exit());
        EXPECT_EQ(std::vector<Notice>{DETACHED}, Expect(1));
        EXPECT_EQ(WATCH_SEARCHING, watchState);
        EXPECT_EQ(-1, ReadGameValue(SceneId));
    }
    // The same values in a new game are reported afresh.
    StandInGame again;
    StartGame(again);
    Do(again, "scene 13");
    EXPECT_EQ((std::vector<Notice>{ATTACHED, Value(SceneId, 13)}), Expect(2));
    EXPECT_EQ(WATCH_ATTACHED, watchState);
}

TEST_F(Watcher, AWindowWithAnotherTitleOrClassIsNeverAttached)
{
    Start();
    StandInGame otherVersion;
    StartGame(otherVersion, "-title \"東方非想天則 ～ 超弩級ギニョルの謎を追え Ver1.10\"");
    StandInGame otherClass;
    StartGame(otherClass, "-class th123_110");
    Do(otherVersion, "scene 13");
    Do(otherClass, "scene 13");
    window.Pump(2 * QUIET_MS);
    EXPECT_EQ(std::vector<Notice>{}, Notices());
    EXPECT_EQ(WATCH_SEARCHING, watchState);
    EXPECT_EQ(-1, ReadGameValue(SceneId));
}

TEST_F(Watcher, FollowsTheWindowNamedInTheAddressFile)
{
    WritePrivateProfileStringA("SWRSName", "SWRS_WINDOW_TEXT", "Test build", folder.File("SWRSAddr.ini").c_str());
    WritePrivateProfileStringA("SWRSName", "SWRS_WINDOW_CLASS", "th123_test", folder.File("SWRSAddr.ini").c_str());
    StandInGame game;
    StartGame(game, "-moved -class th123_test -title \"Test build\"");
    ASSERT_TRUE(game.Moved());
    Do(game, "rchar 12");
    Start();
    EXPECT_EQ((std::vector<Notice>{ATTACHED, Value(RightCharId, 12)}), Expect(2));
}

TEST_F(Watcher, StopEndsTheThreadPromptlyWhileSearchingAndWhileAttached)
{
    // Well above one poll period; a stop that waits for a message the thread
    // never looks at would not return at all.
    const DWORD promptMs = 2000;
    Start();
    window.Pump(250);
    DWORD start = GetTickCount();
    Stop();
    EXPECT_LT(GetTickCount() - start, promptMs);
    EXPECT_EQ(nullptr, watcherThreadHandle);

    StandInGame game;
    StartGame(game);
    Start();
    EXPECT_EQ(std::vector<Notice>{ATTACHED}, Expect(1));
    start = GetTickCount();
    Stop();
    EXPECT_LT(GetTickCount() - start, promptMs);
    // Nothing more is posted, and nothing is read any more.
    Do(game, "scene 13");
    window.Pump(QUIET_MS);
    EXPECT_EQ(std::vector<Notice>{}, Notices());
    EXPECT_EQ(-1, ReadGameValue(SceneId));
}

TEST_F(Watcher, AStopRightAfterTheStartEndsTheThread)
{
    // The thread may not have a message queue yet when the stop comes.
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(StartWatcher(window.Handle()));
        StopWatcher();
    }
    StandInGame game;
    StartGame(game);
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(StartWatcher(window.Handle()));
        StopWatcher();
    }
    EXPECT_EQ(-1, ReadGameValue(SceneId));
}
