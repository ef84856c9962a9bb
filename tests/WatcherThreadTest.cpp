// The watcher thread against the game stand-in as a second process: what it
// posts to its target window, and how it starts and stops.
#include "support/StandInGame.h"
#include "support/TestSupport.h"
#include "support/WatchNotifyWindow.h"
#include "watcher/BattleState.h"
#include "watcher/WatcherThread.h"
#include <algorithm>
#include <gtest/gtest.h>

namespace {

const DWORD WAIT_MS = 10000;
// Several poll periods: long enough for a change to have been seen.
const DWORD QUIET_MS = 400;
// Well above one poll period; a stop that waits for a message the thread
// never looks at would not return at all.
const DWORD PROMPT_MS = 2000;

class Watcher : public testing::Test {
protected:
    TempFolder folder;
    ModuleDirectoryScope scope{folder.Path()};
    WatchNotifyWindow window;
    StandInGame game;

    void TearDown() override
    {
        if (GameWatcher.thread)
            StopWatcher();
    }
    // Waits for the notices expected, then for a quiet time in which no more
    // may come; forgets them.
    void Expect(const std::string& notices)
    {
        size_t count = notices.empty() ? 0 : std::count(notices.begin(), notices.end(), ' ') + 1;
        PumpUntil([&] { return window.received.size() >= count; }, WAIT_MS);
        PumpMessages(QUIET_MS);
        EXPECT_EQ(notices, window.Text());
        window.received.clear();
    }
};

}  // namespace

TEST_F(Watcher, ReportsTheGameAndEachChangeOfItsValuesOnce)
{
    ASSERT_TRUE(StartWatcher(window.Handle()));
    // Windows of another title or class are not the game.
    StandInGame otherTitle, otherClass;
    ASSERT_TRUE(otherTitle.Start(folder.Path(), "-title \"東方非想天則 ～ 超弩級ギニョルの謎を追え Ver1.10\""));
    ASSERT_TRUE(otherClass.Start(folder.Path(), "-class th123_110"));
    ASSERT_TRUE(otherTitle.Do("scene 13") && otherClass.Do("scene 13"));
    Expect("");
    ASSERT_TRUE(game.Start(folder.Path())) << game.LastAnswer();
    struct Step {
        const char* commands;  // for the stand-in
        const char* notices;   // posted after them
    } const steps[] = {
        {"", "attached"},  // a new game holds only zeros: nothing changed
        {"scene 13", "0=13"},
        {"scene 13", ""},
        {"scene 14; lwin 200", "0=14 5=200"},
        {"lname Alice", ""},  // names are not polled
        // Unreadable values are not reported but forgotten: a known value
        // coming back is a change, a zero is not.
        {"unlink battle", ""},
        {"link battle", "5=200"},
        {"close", ""},  // the window going is not the game going
        {"exit", "detached"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.commands);
        ASSERT_TRUE(game.Do(step.commands)) << game.LastAnswer();
        Expect(step.notices);
    }
}

TEST_F(Watcher, EachAttachReportsEveryReadableNonZeroValueInSelectorOrder)
{
    ASSERT_TRUE(game.Start(folder.Path())) << game.LastAnswer();
    ASSERT_TRUE(game.Do("scene 13; comm 5; mode 3; lchar 4; rchar 6; lwin 1; rwin 2; peer 7; dest 2; destaddr 8"));
    ASSERT_TRUE(StartWatcher(window.Handle()));
    Expect("attached 0=13 1=5 2=3 3=4 4=6 5=1 6=2 7=7 8=8");
    // Stopped while attached: nothing is posted and nothing read any more.
    DWORD start = GetTickCount();
    StopWatcher();
    EXPECT_LT(GetTickCount() - start, PROMPT_MS);
    ASSERT_TRUE(game.Do("scene 14"));
    Expect("");
    EXPECT_EQ(-1, ReadGameValue(SceneId));
    // Attached again, it reports every value afresh.
    ASSERT_TRUE(StartWatcher(window.Handle()));
    Expect("attached 0=14 1=5 2=3 3=4 4=6 5=1 6=2 7=7 8=8");
}

TEST_F(Watcher, StopEndsTheThreadInAnyState)
{
    // Right after the start the thread may have no message queue yet.
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(StartWatcher(window.Handle()));
        StopWatcher();
    }
    ASSERT_TRUE(StartWatcher(window.Handle()));
    PumpMessages(250);  // searching
    DWORD start = GetTickCount();
    StopWatcher();
    EXPECT_LT(GetTickCount() - start, PROMPT_MS);
    EXPECT_EQ(nullptr, GameWatcher.thread);
    ASSERT_TRUE(game.Start(folder.Path())) << game.LastAnswer();
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(StartWatcher(window.Handle()));
        StopWatcher();
    }
}
