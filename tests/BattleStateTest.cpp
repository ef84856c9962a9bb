// Reading the game's values through their pointer chains, against the game
// stand-in as a second process.
#include "support/StandInGame.h"
#include "support/TestSupport.h"
#include "support/WatchNotifyWindow.h"
#include "watcher/BattleState.h"
#include "watcher/GameProcess.h"
#include "watcher/WatcherThread.h"
#include <gtest/gtest.h>

namespace {

const DWORD WAIT_MS = 10000;

bool HasStateNotice(const WatchNotifyWindow& window, int state)
{
    for (const PostedMessage& m : window.received)
        if (m.message == WM_WATCHNOTIFY && LOWORD(m.wParam) == WATCH_STATE_CHANGED && HIWORD(m.wParam) == state)
            return true;
    return false;
}

std::string Name(int32_t result)
{
    EXPECT_EQ(static_cast<int32_t>(reinterpret_cast<uintptr_t>(GameNameBuffer())), result);
    return std::string(GameNameBuffer(), GAME_NAME_SIZE);
}

// A game attached through the watcher; the parameter gives extra arguments
// of the stand-in ("-moved" puts its values elsewhere and into SWRSAddr.ini).
class GameReader : public testing::TestWithParam<const char*> {
protected:
    TempFolder folder;
    ModuleDirectoryScope scope{folder.Path()};
    StandInGame game;
    WatchNotifyWindow window;

    void SetUp() override
    {
        ASSERT_TRUE(game.Start(folder.Path(), GetParam())) << game.LastAnswer();
        ASSERT_EQ(std::string(GetParam()) == "-moved", game.Moved()) << game.LastAnswer();
        ASSERT_TRUE(StartWatcher(window.Handle()));
        ASSERT_TRUE(window.PumpUntil([&] { return HasStateNotice(window, WATCH_ATTACHED); }, WAIT_MS));
    }
    void TearDown() override { StopWatcher(); }
    void Do(const std::string& command) { ASSERT_TRUE(game.Do(command)) << command << ": " << game.LastAnswer(); }
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(AtTheGameAddresses, GameReader, testing::Values(""));
INSTANTIATE_TEST_SUITE_P(AtAddressesFromTheFile, GameReader, testing::Values("-moved"));

TEST_P(GameReader, EachSelectorFollowsItsOwnChain)
{
    Do("scene 14");
    Do("comm 4");
    Do("mode 3");
    Do("lchar 7");
    Do("rchar 19");
    Do("lwin 1");
    Do("rwin 2");
    Do("peer 0x0100007F");
    Do("dest 0x5C110002");
    Do("destaddr 0x0A00A8C0");
    Do("lname Alice");
    Do("rname 魔理沙ファン");

    EXPECT_EQ(14, ReadGameValue(SceneId));
    EXPECT_EQ(4, ReadGameValue(CommMode));
    EXPECT_EQ(3, ReadGameValue(BattleMode));
    EXPECT_EQ(7, ReadGameValue(LeftCharId));
    EXPECT_EQ(19, ReadGameValue(RightCharId));
    EXPECT_EQ(1, ReadGameValue(LeftWinCount));
    EXPECT_EQ(2, ReadGameValue(RightWinCount));
    EXPECT_EQ(0x0100007F, ReadGameValue(HostPeerAddress));
    EXPECT_EQ(0x0A00A8C0, ReadGameValue(ClientPeerAddress));
    EXPECT_EQ(std::string("Alice") + std::string(27, '\0'), Name(ReadGameValue(LeftProfileName)));
    std::string fan = "魔理沙ファン";  // 12 bytes of code page 932
    ASSERT_EQ(12u, fan.size());
    EXPECT_EQ(fan + std::string(20, '\0'), Name(ReadGameValue(RightProfileName)));

    // Values change in the game between reads: nothing is kept.
    Do("scene 13");
    Do("rwin 0");
    EXPECT_EQ(13, ReadGameValue(SceneId));
    EXPECT_EQ(0, ReadGameValue(RightWinCount));
    EXPECT_EQ(1, ReadGameValue(LeftWinCount));
}

TEST_P(GameReader, ClientPeerFallsBackToTheHostPeerWhileTheDestinationIsEmpty)
{
    Do("peer 0x11223344");
    Do("dest 0");
    Do("destaddr 0x55667788");
    EXPECT_EQ(0x11223344, ReadGameValue(ClientPeerAddress));
    Do("dest 2");
    EXPECT_EQ(0x55667788, ReadGameValue(ClientPeerAddress));
    EXPECT_EQ(0x11223344, ReadGameValue(HostPeerAddress));
    // The fallback takes the host peer's whole chain, its marker included.
    Do("dest 0");
    Do("peertag -1");
    EXPECT_EQ(-1, ReadGameValue(ClientPeerAddress));
    // Without a network object both are unreadable.
    Do("peertag 0");
    Do("dest 2");
    Do("unlink net");
    EXPECT_EQ(-1, ReadGameValue(ClientPeerAddress));
    EXPECT_EQ(-1, ReadGameValue(HostPeerAddress));
}

TEST_P(GameReader, HostPeerIsUnreadableWhileTheEntryIsMarkedEmpty)
{
    Do("peer 0x0200A8C0");
    Do("peertag 0xFFFFFFFF");
    EXPECT_EQ(-1, ReadGameValue(HostPeerAddress));
    Do("peertag 0xFFFFFFFE");
    EXPECT_EQ(0x0200A8C0, ReadGameValue(HostPeerAddress));
    Do("peertag 0");
    EXPECT_EQ(0x0200A8C0, ReadGameValue(HostPeerAddress));
    Do("unlink peers");
    EXPECT_EQ(-1, ReadGameValue(HostPeerAddress));
}

TEST_P(GameReader, WinCountsAreUnsignedBytes)
{
    Do("lwin 200");
    Do("rwin 255");
    EXPECT_EQ(200, ReadGameValue(LeftWinCount));
    EXPECT_EQ(255, ReadGameValue(RightWinCount));
    // Only the one byte: a neighbour's bytes never leak into the count.
    Do("lwin 0");
    EXPECT_EQ(0, ReadGameValue(LeftWinCount));
}

TEST_P(GameReader, NamesAreThe32BytesAsTheGameHoldsThem)
{
    std::string full(32, 'N');
    full[0] = 'A';
    full[31] = 'Z';
    Do("lname " + full);
    Do("rname " + std::string(40, 'r'));
    EXPECT_EQ(full, Name(ReadGameValue(LeftProfileName)));
    // Cut to its first 32 bytes by the game already.
    EXPECT_EQ(std::string(32, 'r'), Name(ReadGameValue(RightProfileName)));
    // One buffer: the next read replaces the name before.
    Do("lname Bob");
    EXPECT_EQ(std::string("Bob") + std::string(29, '\0'), Name(ReadGameValue(LeftProfileName)));
}

TEST_P(GameReader, ABrokenPointerMakesOnlyTheChainsThroughItUnreadable)
{
    Do("scene 2");
    Do("mode 1");
    Do("lwin 1");
    Do("rwin 2");
    Do("peer 9");
    Do("lname L");
    Do("unlink battle");
    EXPECT_EQ(-1, ReadGameValue(BattleMode));
    EXPECT_EQ(-1, ReadGameValue(LeftWinCount));
    EXPECT_EQ(-1, ReadGameValue(RightWinCount));
    EXPECT_EQ(2, ReadGameValue(SceneId));
    EXPECT_EQ(9, ReadGameValue(HostPeerAddress));
    Do("link battle");
    Do("unlink left");
    EXPECT_EQ(-1, ReadGameValue(LeftWinCount));
    EXPECT_EQ(2, ReadGameValue(RightWinCount));
    EXPECT_EQ(1, ReadGameValue(BattleMode));
    Do("link left");
    Do("unlink right");
    EXPECT_EQ(1, ReadGameValue(LeftWinCount));
    EXPECT_EQ(-1, ReadGameValue(RightWinCount));
    Do("unlink net");
    EXPECT_EQ(-1, ReadGameValue(LeftProfileName));
    EXPECT_EQ(-1, ReadGameValue(RightProfileName));
    EXPECT_EQ(-1, ReadGameValue(HostPeerAddress));
    EXPECT_EQ(1, ReadGameValue(BattleMode));
}

TEST_P(GameReader, UnusedAndForeignSelectorsAreUnreadable)
{
    Do("scene 13");
    for (int32_t selector : {9, 12, 13, -1, -2, 0x10000, 0x10002, INT32_MIN, INT32_MAX})
        EXPECT_EQ(-1, ReadGameValue(selector)) << selector;
    EXPECT_EQ(13, ReadGameValue(SceneId));
}

TEST_P(GameReader, AfterTheGameEndsEveryValueIsUnreadable)
{
    Do("scene 13");
    Do("lname Alice");
    ASSERT_EQ(13, ReadGameValue(SceneId));
    ASSERT_TRUE(game.Exit());
    ASSERT_TRUE(window.PumpUntil([&] { return HasStateNotice(window, WATCH_SEARCHING); }, WAIT_MS));
    for (int32_t selector = -1; selector <= 12; ++selector)
        EXPECT_EQ(-1, ReadGameValue(selector)) << selector;
}

TEST_P(GameReader, ReadsRacingTheDetachNeverReachAnotherProcess)
{
    Do("scene 13");
    // A second game that the watcher does not look for, but whose memory
    // holds other values at the same places.
    TempFolder otherFolder;
    StandInGame other;
    ASSERT_TRUE(other.Start(otherFolder.Path(), std::string(GetParam()) + " -class th123_other"));
    ASSERT_TRUE(other.Do("scene 77"));
    ASSERT_TRUE(game.Exit());
    // Read on this thread while the watcher closes its handle, then keep
    // opening handles to the other game: one may get the closed value.
    std::vector<HANDLE> opened;
    bool detached = false;
    for (int round = 0; round < 2000 && !detached; ++round) {
        int32_t scene = ReadGameValue(SceneId);
        ASSERT_TRUE(scene == 13 || scene == -1) << scene;
        detached = HasStateNotice(window, WATCH_SEARCHING);
        window.Pump(1);
    }
    ASSERT_TRUE(detached || window.PumpUntil([&] { return HasStateNotice(window, WATCH_SEARCHING); }, WAIT_MS));
    for (int i = 0; i < 16; ++i)
        opened.push_back(OpenProcess(PROCESS_VM_READ | SYNCHRONIZE, FALSE, other.ProcessId()));
    for (int32_t selector = 0; selector <= 11; ++selector)
        EXPECT_EQ(-1, ReadGameValue(selector)) << selector;
    for (HANDLE h : opened)
        if (h)
            CloseHandle(h);
}

TEST_P(GameReader, HandleInUseIsNotClosedUnderTheReader)
{
    // A read chain of the main thread holds the handle while the game ends.
    HANDLE held = BeginGameRead();
    ASSERT_NE(nullptr, held);
    ASSERT_TRUE(game.Exit());
    window.Pump(600);  // several polls: the watcher sees the game gone
    DWORD flags = 0;
    EXPECT_TRUE(GetHandleInformation(held, &flags));  // still open: its value cannot be reused
    EXPECT_FALSE(HasStateNotice(window, WATCH_SEARCHING));
    EndGameRead();
    // Now the watcher closes it and reports the detach.
    EXPECT_TRUE(window.PumpUntil([&] { return HasStateNotice(window, WATCH_SEARCHING); }, WAIT_MS));
    EXPECT_EQ(-1, ReadGameValue(SceneId));
}

TEST(NoGame, EveryValueIsUnreadable)
{
    TempFolder folder;
    ModuleDirectoryScope scope(folder.Path());
    for (int32_t selector = -1; selector <= 12; ++selector)
        EXPECT_EQ(-1, ReadGameValue(selector)) << selector;
    // Watching, with no game to find.
    WatchNotifyWindow window;
    ASSERT_TRUE(StartWatcher(window.Handle()));
    window.Pump(300);
    for (int32_t selector = -1; selector <= 12; ++selector)
        EXPECT_EQ(-1, ReadGameValue(selector)) << selector;
    StopWatcher();
    EXPECT_TRUE(window.received.empty());
}
