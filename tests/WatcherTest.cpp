// The watcher against the game stand-in as a second process: what it posts
// to the window it reports to, and what each value's pointer chain reads, at
// the game's own addresses and at those an SWRSAddr.ini names.
#include "base/ProgramPaths.h"
#include "support/StandInGame.h"
#include "support/TestSupport.h"
#include "watcher/BattleState.h"
#include "watcher/WatcherThread.h"
#include <gtest/gtest.h>

namespace {

class Watcher : public testing::Test {
protected:
    TempFolder folder;  // beside the tool: where SWRSAddr.ini is looked for
    PathScope directory{folder.Path(), ModuleDirectory};
    HWND target = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);

    void TearDown() override
    {
        if (GameWatcher.thread)
            StopWatcher();
        DestroyWindow(target);
    }
    // The notices posted to target: once as many have come as expected, a
    // quiet while in which no more may come.
    void Expect(const std::string& expected)
    {
        std::string text;
        for (DWORD start = GetTickCount(), quiet = 0; GetTickCount() - start < 10000 && quiet < 40; Sleep(10)) {
            quiet = text.size() >= expected.size() ? quiet + 1 : 0;
            MSG m;
            while (PeekMessageA(&m, target, WM_WATCHNOTIFY, WM_WATCHNOTIFY, PM_REMOVE)) {
                int detail = HIWORD(m.wParam);
                text += text.empty() ? "" : " ";
                text += LOWORD(m.wParam) == WATCH_VALUE_CHANGED
                            ? std::to_string(detail) + "=" + std::to_string(static_cast<long>(m.lParam))
                            : detail == WATCH_ATTACHED ? "attached" : "detached";
            }
        }
        EXPECT_EQ(expected, text);
    }
};

// Selectors 0..8 and both names, as read now.
std::string Values()
{
    std::string text;
    for (int32_t selector = SceneId, v; selector <= RightProfileName; ++selector)
        text += ((v = ReadGameValue(selector)) == GAME_VALUE_UNREADABLE || selector < LeftProfileName
                     ? std::to_string(v)
                     : std::string(GameNameBuffer(), strnlen(GameNameBuffer(), GAME_NAME_SIZE))) + " ";
    return text;
}

}  // namespace

TEST_F(Watcher, ReportsTheGameEachChangeOnceAndTheNextGameAfterARestart)
{
    for (int i = 0; i < 10 && StartWatcher(target); ++i)  // stopped in any state, even without a queue yet
        StopWatcher();
    ASSERT_TRUE(StartWatcher(target));
    StandInGame otherVersion, game, restarted;
    ASSERT_TRUE(otherVersion.Start(folder.Path(), "-title \"東方非想天則 ～ 超弩級ギニョルの謎を追え Ver1.10\""));
    ASSERT_TRUE(otherVersion.Do("scene 13"));
    Expect("");
    ASSERT_TRUE(game.Start(folder.Path())) << game.lastAnswer;
    struct Step {
        const char* commands;
        const char* notices;
    } const steps[] = {
        {"", "attached"},  // a new game holds only zeros: nothing changed
        {"scene 13; lwin 2", "0=13 5=2"},
        {"scene 13; lname Alice", ""},  // names are not polled
        // An unreadable value is not reported but forgotten: coming back, it is news.
        {"battle 0", ""},
        {"link", "5=2"},
        {"close", ""},  // the window going is not the game going
        {"exit", "detached"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.commands);
        ASSERT_TRUE(game.Do(step.commands)) << game.lastAnswer;
        Expect(step.notices);
    }
    ASSERT_TRUE(restarted.Start(folder.Path())) << restarted.lastAnswer;
    Expect("attached");
    ASSERT_TRUE(restarted.Do("scene 13; comm 5; mode 3; lchar 4; rchar 6; lwin 1; rwin 2; peer 7; dest 2; destaddr 8"));
    Expect("0=13 1=5 2=3 3=4 4=6 5=1 6=2 7=7 8=8");
    // Stopped, it reads nothing; started again, it reports every value afresh.
    StopWatcher();
    ASSERT_TRUE(restarted.Do("scene 14"));
    Expect("");
    EXPECT_EQ(GAME_VALUE_UNREADABLE, ReadGameValue(SceneId));
    ASSERT_TRUE(StartWatcher(target));
    Expect("attached 0=14 1=5 2=3 3=4 4=6 5=1 6=2 7=7 8=8");
}

TEST_F(Watcher, EachValueFollowsItsOwnChainAtTheGamesOrTheFilesAddresses)
{
    // First at the game's addresses; then moved, with SWRSAddr.ini naming the
    // places and another window to look for.
    for (const char* arguments : {"", "-moved -title Test"}) {
        SCOPED_TRACE(arguments);
        bool moved = *arguments != 0;
        if (moved)
            WritePrivateProfileStringA("SWRSName", "SWRS_WINDOW_TEXT", "Test", folder.File("SWRSAddr.ini").c_str());
        StandInGame game;
        ASSERT_TRUE(game.Start(folder.Path(), arguments)) << game.lastAnswer;
        ASSERT_EQ(moved, game.moved) << game.lastAnswer;
        ASSERT_TRUE(StartWatcher(nullptr));
        for (DWORD start = GetTickCount(); GameWatcher.state != WATCH_ATTACHED && GetTickCount() - start < 10000;)
            Sleep(10);
        struct Step {
            const char* commands;
            const char* values;
        } const steps[] = {
            // Win counts are bytes; a name of 32 bytes has no terminator.
            {"scene 14; comm 4; mode 3; lchar 7; rchar 19; lwin 200; rwin 255; peer 7; dest 2; destaddr 8; "
             "lname ANNNNNNNNNNNNNNNNNNNNNNNNNNNNNNZ; rname 魔理沙ファン",
             "14 4 3 7 19 200 255 7 8 -1 ANNNNNNNNNNNNNNNNNNNNNNNNNNNNNNZ 魔理沙ファン "},
            // A broken pointer makes only the chains through it unreadable.
            {"left 0", "14 4 3 7 19 -1 255 7 8 -1 ANNNNNNNNNNNNNNNNNNNNNNNNNNNNNNZ 魔理沙ファン "},
            {"link; battle 0; net 0", "14 4 -1 7 19 -1 -1 -1 -1 -1 -1 -1 "},
            // No destination filled in: the client talks to the host's peer,
            // and an entry marked 0xFFFFFFFF holds no peer yet.
            {"link; dest 0", "14 4 3 7 19 200 255 7 7 -1 ANNNNNNNNNNNNNNNNNNNNNNNNNNNNNNZ 魔理沙ファン "},
            {"peertag 0xFFFFFFFF", "14 4 3 7 19 200 255 -1 -1 -1 ANNNNNNNNNNNNNNNNNNNNNNNNNNNNNNZ 魔理沙ファン "},
        };
        for (const Step& step : steps) {
            SCOPED_TRACE(step.commands);
            ASSERT_TRUE(game.Do(step.commands)) << game.lastAnswer;
            EXPECT_EQ(step.values, Values());
        }
        StopWatcher();
    }
}
