// Match history windows, their filter dialog and the opponent table, opened
// from a real statistics window on a real record file.
#include "res/resource.h"
#include "support/DialogAnswerer.h"
#include "support/StatsFixture.h"
#include "ui/history/HistoryWindow.h"
#include "ui/stats/StatsWindow.h"
#include <commctrl.h>
#include <algorithm>

namespace {

const int64_t MINUTE = 600000000LL;

void SetDay(HWND dialog, int picker, WORD day)
{
    SYSTEMTIME date = {2009, 5, 0, day, 0, 0, 0, 0};
    SendDlgItemMessageA(dialog, picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&date));
}

// The minute of each row of a history window, top to bottom.
std::string Minutes(HWND window)
{
    std::string minutes, rows = ListText(GetDlgItem(window, IDC_HISTORY_LIST));
    for (size_t row = 0; row < rows.size(); row = rows.find('\n', row) + 1)
        minutes += std::to_string(atoi(rows.c_str() + row + 14)) + " ";
    return minutes;
}

class History : public StatsFixture {
protected:
    void SetUp() override
    {
        memset(&HistoryFilter, 0, sizeof HistoryFilter);
        StatsFixture::SetUp();
        Open();
    }
    // The one window with that caption that an action opened, or null.
    HWND Opened(const char* caption, const std::function<void()>& action)
    {
        std::vector<HWND> before = Owned(caption), after = (action(), Owned(caption));
        for (HWND window : after)
            if (after.size() == before.size() + 1 && std::find(before.begin(), before.end(), window) == before.end())
                return window;
        return nullptr;
    }
};

}  // namespace

TEST_F(History, WindowsListTheFilteredMatchesOldestFirstAsSnapshots)
{
    Insert(Day(2009, 5, 1), 0, 2, 3, 1, "rival");
    Insert(Day(2009, 5, 1) + MINUTE, 1, 1, 4, 1, "rival");
    Insert(Day(2009, 5, 1) + 2 * MINUTE, 1, 0, 4, 2, "rival", "");
    Insert(Day(2009, 5, 1) + 3 * MINUTE, 1, 2, 4, 0, "other");
    Insert(Day(2009, 5, 1) + 4 * MINUTE, 1, 2, 25, 0, "rival");
    Insert(Day(2009, 5, 1) + 5 * MINUTE, 1, 2, 4, 1, "rival");
    struct Case {
        void (*set)(HistoryFilterSettings*);
        const char* minutes;  // of the rows, top to bottom
    } cases[] = {
        {[](HistoryFilterSettings*) {}, "0 1 2 3 4 5 "},
        {[](HistoryFilterSettings* s) { s->countOn = true, s->count = 2; }, "4 5 "},
        {[](HistoryFilterSettings* s) { s->ownNameOn = true; }, "2 "},
        {[](HistoryFilterSettings* s) {  // the newest 2 with 魔理沙 against rival's パチュリー
             s->opponentNameOn = s->ownCharacterOn = s->opponentCharacterOn = s->countOn = true;
             lstrcpyA(s->opponentName, "rival");
             s->ownCharacter = 1, s->opponentCharacter = 4, s->count = 2;
         }, "2 5 "},
    };
    std::vector<HWND> windows;
    for (const Case& c : cases) {
        memset(&HistoryFilter, 0, sizeof HistoryFilter);
        c.set(&HistoryFilter);
        windows.push_back(Opened("対戦履歴", [&] { OpenHistoryWindow(stats); }));
        EXPECT_EQ(c.minutes, Minutes(windows.back()));
    }
    EXPECT_EQ("2009/05/01 00:00:00|me|霊夢|2|rival|アリス|1\n2009/05/01 00:01:00|me|魔理沙|1|rival|パチュリー|1\n"
              "2009/05/01 00:02:00||魔理沙|0|rival|パチュリー|2\n2009/05/01 00:03:00|me|魔理沙|2|other|パチュリー|0\n"
              "2009/05/01 00:04:00|me|魔理沙|2|rival|(25)|0\n2009/05/01 00:05:00|me|魔理沙|2|rival|パチュリー|1\n",
              ListText(GetDlgItem(windows[0], IDC_HISTORY_LIST)));
    // Side by side, each keeps its own rows; none reads the record again.
    Insert(Day(2009, 5, 1) + 6 * MINUTE, 1, 2, 4, 0, "rival");
    for (size_t i = 0; i < windows.size(); ++i) {
        InvalidateRect(windows[i], nullptr, TRUE);
        UpdateWindow(windows[i]);
        EXPECT_EQ(cases[i].minutes, Minutes(windows[i]));
    }
}

TEST_F(History, FilterDialogWarnsStoresNothingRefusedAndTakesWholeDays)
{
    for (int64_t stamp : {Day(2009, 5, 2) - MINUTE, Day(2009, 5, 2) + MINUTE, Day(2009, 5, 4) - 2 * MINUTE,
                          Day(2009, 5, 4) + 2 * MINUTE})  // 23:59, 00:01, 23:58, 00:02 from May 1st to 4th
        Insert(stamp, 0, 2, 0, 0);
    // What an earlier OK stored: the opponent table's histories use it.
    HistoryFilter.opponentNameOn = true;
    lstrcpyA(HistoryFilter.opponentName, "old");
    std::string cut, stored;
    HWND dialog = nullptr;
    auto answer = [&](HWND warning, WORD end, const char* count) {  // the warning, then the next try
        PostMessageA(warning, WM_COMMAND, IDOK, 0);
        stored += std::string(HistoryFilter.opponentName) + (HistoryFilter.countOn ? " count;" : ";");
        SetDay(dialog, IDC_FILTER_END, end);
        SetDlgItemTextA(dialog, IDC_FILTER_COUNT, count);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        return 0;
    };
    std::vector<DialogSeen> seen;
    HWND opened = Opened("対戦履歴", [&] {
        DialogAnswerer answerer(GetCurrentThreadId(), {[&](HWND filter) {
                                                           cut = CutTexts(dialog = filter);  // labels and names whole
                                                           for (int check : {IDC_FILTER_START_CHECK, IDC_FILTER_END_CHECK,
                                                                             IDC_FILTER_COUNT_CHECK})
                                                               SendDlgItemMessageA(filter, check, BM_CLICK, 0, 0);
                                                           SetDay(filter, IDC_FILTER_START, 2);
                                                           SetDay(filter, IDC_FILTER_END, 1);  // before the start
                                                           SetDlgItemTextA(filter, IDC_FILTER_COUNT, "9");
                                                           return IDOK;
                                                       },
                                                       [&](HWND warning) { return answer(warning, 3, "-4"); },
                                                       [&](HWND warning) { return answer(warning, 3, "9"); }});
        SendMessageA(stats, WM_SYSCOMMAND, IDM_HISTORY, 0);
        seen = answerer.Seen();
    });
    EXPECT_EQ("", cut);
    ASSERT_EQ(3u, seen.size());
    EXPECT_EQ("対戦履歴フィルタの設定|始点は終点より前にしてください|件数は１件以上にしてください",
              seen[0].title + "|" + seen[1].text + "|" + seen[2].text);
    EXPECT_EQ(LoadIconA(nullptr, IDI_EXCLAMATION), seen[2].icon);
    EXPECT_EQ("old;old;", stored);
    EXPECT_EQ("1 58 ", Minutes(opened));  // May 2nd and 3rd whole, without the opponent's name ticked
}

TEST_F(History, OpponentTableSortsOnAColumnClickAndOpensAnOpponentsHistory)
{
    int64_t stamp = Day(2009, 5, 1);
    auto add = [&](const char* name, int wins, int losses) {
        for (int i = 0; i < wins + losses; ++i, stamp += MINUTE)
            Insert(stamp, 0, i < wins ? 2 : 0, 0, i < wins ? 0 : 2, name);
    };
    add("b", 1, 7);
    add("Ab", 2, 1);
    add("c", 4, 5);
    stamp = Day(2009, 6, 1);
    add("Ab", 1, 0);
    add("x\x82", 1, 0);  // half a character at its end, as older versions cut names
    HWND table = Opened("相手プロファイル", [&] { SendMessageA(stats, WM_SYSCOMMAND, IDM_OPPONENT_TABLE, 0); });
    ASSERT_NE(nullptr, table);
    HWND list = GetDlgItem(table, IDC_STATS_LIST);
    EXPECT_EQ("Ab|4|3|1|75\nb|8|1|7|13\nc|9|4|5|44\nx|1|1|0|100\n", ListText(list));
    // A double-click opens the history of the opponent at the selection mark
    // (of its stored bytes) within the stored period.
    HistoryFilter.startOn = true;
    HistoryFilter.start = Day(2009, 5, 2);
    std::string histories;
    for (int row : {0, 3}) {
        SendMessageA(list, LVM_SETSELECTIONMARK, 0, row);
        HWND opened = Opened("対戦履歴", [&] { SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 30)); });
        histories += ListText(GetDlgItem(opened, IDC_HISTORY_LIST));
    }
    EXPECT_EQ("2009/06/01 00:00:00|me|霊夢|2|Ab|霊夢|0\n2009/06/01 00:01:00|me|霊夢|2|x|霊夢|0\n", histories);
    std::string sorted;
    for (int click = 0; click < 2; ++click) {  // by win rate, then the other way round
        RECT r;
        SendMessageA(ListView_GetHeader(list), HDM_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&r));
        LPARAM middle = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageA(ListView_GetHeader(list), WM_LBUTTONDOWN, MK_LBUTTON, middle);
        SendMessageA(ListView_GetHeader(list), WM_LBUTTONUP, 0, middle);
        sorted += ListText(list);
    }
    EXPECT_EQ("b|8|1|7|13\nc|9|4|5|44\nAb|4|3|1|75\nx|1|1|0|100\nx|1|1|0|100\nAb|4|3|1|75\nc|9|4|5|44\nb|8|1|7|13\n",
              sorted);
    // The menu's refresh reads the record again.
    Insert(stamp, 0, 2, 0, 0, "new");
    SendMessageA(table, WM_SYSCOMMAND, IDM_REFRESH_OPPONENTS, 0);
    EXPECT_EQ(5, ListView_GetItemCount(list));
}

TEST_F(History, ProfileLoadClosesEveryHistoryTableAndDetailWindow)
{
    Insert(Day(2009, 5, 1), 0, 2, 0, 0);
    OpenHistoryWindow(stats);
    SendMessageA(stats, WM_SYSCOMMAND, IDM_OPPONENT_TABLE, 0);
    DoubleClickRow(0);
    ASSERT_EQ(3u, Owned().size());
    ASSERT_TRUE(LoadProfile(stats, folder.File("Other.db").c_str()));
    EXPECT_EQ(0u, Owned().size());
}
