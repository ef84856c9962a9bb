// Reading the game's values through their pointer chains, against the game
// stand-in as a second process that the watcher attaches.
#include "support/StandInGame.h"
#include "support/TestSupport.h"
#include "watcher/BattleState.h"
#include "watcher/GameProcess.h"
#include "watcher/WatcherThread.h"
#include <gtest/gtest.h>

namespace {

const DWORD WAIT_MS = 10000;
const char* const MOVED = "-moved -class th123_test -title \"Test build\"";

// Selectors 0..11 as one text: peers in hex, names as the bytes read up to
// the first zero, at most all 32.
std::string Values()
{
    std::string text;
    for (int32_t selector = SceneId; selector <= RightProfileName; ++selector) {
        int32_t v = ReadGameValue(selector);
        char number[16];
        bool peer = selector == HostPeerAddress || selector == ClientPeerAddress;
        snprintf(number, sizeof number, peer && v != -1 ? "%X" : "%d", v);
        text += selector ? " " : "";
        if (selector < LeftProfileName || v == -1) {
            text += number;
        } else {
#ifdef _WIN64
            EXPECT_EQ(0, v);  // an address that does not fit
#else
            EXPECT_EQ(static_cast<int32_t>(reinterpret_cast<uintptr_t>(GameNameBuffer())), v);
#endif
            text += std::string(GameNameBuffer(), strnlen(GameNameBuffer(), GAME_NAME_SIZE));
        }
    }
    return text;
}

// Nothing is posted to wake this thread: it looks at the state now and then.
bool WaitForState(int32_t state)
{
    for (DWORD start = GetTickCount(); GameWatcher.state != state; Sleep(10))
        if (GetTickCount() - start > WAIT_MS)
            return false;
    return true;
}

// A game attached by the watcher, at the game's own addresses or, moved,
// at those of SWRSAddr.ini, which also names another window to look for.
class GameReader : public testing::TestWithParam<const char*> {
protected:
    TempFolder folder;
    ModuleDirectoryScope scope{folder.Path()};
    StandInGame game;

    void SetUp() override
    {
        bool moved = *GetParam() != 0;
        std::string file = folder.File("SWRSAddr.ini");
        if (moved) {
            WritePrivateProfileStringA("SWRSName", "SWRS_WINDOW_CLASS", "th123_test", file.c_str());
            WritePrivateProfileStringA("SWRSName", "SWRS_WINDOW_TEXT", "Test build", file.c_str());
        }
        ASSERT_TRUE(game.Start(folder.Path(), GetParam())) << game.LastAnswer();
        ASSERT_EQ(moved, game.Moved()) << game.LastAnswer();
        ASSERT_TRUE(StartWatcher(nullptr));
        ASSERT_TRUE(WaitForState(WATCH_ATTACHED));
    }
    void TearDown() override { StopWatcher(); }
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(AtTheGameAddresses, GameReader, testing::Values(""));
INSTANTIATE_TEST_SUITE_P(AtAddressesFromTheFile, GameReader, testing::Values(MOVED));

TEST_P(GameReader, EachSelectorFollowsItsOwnChainAtTheMomentOfTheRead)
{
    struct Step {
        const char* commands;
        const char* values;
    } const steps[] = {
        // Win counts are bytes widened without sign; a name of 32 bytes has no terminator.
        {"scene 14; comm 4; mode 3; lchar 7; rchar 19; lwin 200; rwin 255; peer 0x0100007F; dest 2; "
         "destaddr 0x0A00A8C0; lname ANNNNNNNNNNNNNNNNNNNNNNNNNNNNNNZ; rname 魔理沙ファン",
         "14 4 3 7 19 200 255 100007F A00A8C0 -1 ANNNNNNNNNNNNNNNNNNNNNNNNNNNNNNZ 魔理沙ファン"},
        {"scene 13; rwin 0; lname Bob", "13 4 3 7 19 200 0 100007F A00A8C0 -1 Bob 魔理沙ファン"},
        // A broken pointer makes only the chains through it unreadable.
        {"unlink battle", "13 4 -1 7 19 -1 -1 100007F A00A8C0 -1 Bob 魔理沙ファン"},
        {"link battle; unlink left", "13 4 3 7 19 -1 0 100007F A00A8C0 -1 Bob 魔理沙ファン"},
        {"link left; unlink right", "13 4 3 7 19 200 -1 100007F A00A8C0 -1 Bob 魔理沙ファン"},
        // An empty destination (first word 0): the client talks to the host peer.
        {"link right; dest 0; destaddr 0x55667788", "13 4 3 7 19 200 0 100007F 100007F -1 Bob 魔理沙ファン"},
        // A peer entry marked 0xFFFFFFFF holds no peer yet.
        {"peertag 0xFFFFFFFF", "13 4 3 7 19 200 0 -1 -1 -1 Bob 魔理沙ファン"},
        {"peertag 0xFFFFFFFE", "13 4 3 7 19 200 0 100007F 100007F -1 Bob 魔理沙ファン"},
        {"unlink peers; dest 2", "13 4 3 7 19 200 0 -1 55667788 -1 Bob 魔理沙ファン"},
        {"link peers; unlink net", "13 4 3 7 19 200 0 -1 -1 -1 -1 -1"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.commands);
        ASSERT_TRUE(game.Do(step.commands)) << game.LastAnswer();
        EXPECT_EQ(step.values, Values());
    }
    for (int32_t selector : {-1, 12, 13, 0x10000, 0x10002, INT32_MIN, INT32_MAX})
        EXPECT_EQ(-1, ReadGameValue(selector)) << selector;
}

TEST_P(GameReader, AfterTheGameEndsNothingIsReadAndNoClosedHandleIsUsed)
{
    ASSERT_TRUE(game.Do("scene 13"));
    // A second game that the watcher does not look for, with other values at
    // the same places.
    TempFolder otherFolder;
    StandInGame other;
    ASSERT_TRUE(other.Start(otherFolder.Path(), "-class th123_other")) << other.LastAnswer();
    ASSERT_TRUE(other.Do("scene 77"));
    // A read chain of this thread holds the handle while the game ends: the
    // watcher may close it only after that read.
    HANDLE held = BeginGameRead();
    ASSERT_NE(nullptr, held);
    ASSERT_TRUE(game.Exit());
    Sleep(600);  // several polls
    DWORD flags = 0;
    EXPECT_TRUE(GetHandleInformation(held, &flags));
    EXPECT_EQ(WATCH_ATTACHED, GameWatcher.state);
    EndGameRead();
    // Reads racing the detach see the game's value or nothing.
    for (int round = 0; round < 2000 && GameWatcher.state == WATCH_ATTACHED; ++round) {
        int32_t scene = ReadGameValue(SceneId);
        ASSERT_TRUE(scene == 13 || scene == -1) << scene;
        Sleep(1);
    }
    ASSERT_TRUE(WaitForState(WATCH_SEARCHING));
    // New handles may get the value of the closed one.
    std::vector<HANDLE> opened;
    for (int i = 0; i < 16; ++i)
        opened.push_back(OpenProcess(PROCESS_VM_READ | SYNCHRONIZE, FALSE, other.ProcessId()));
    EXPECT_EQ("-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1", Values());
    for (HANDLE h : opened)
        if (h)
            CloseHandle(h);
}
