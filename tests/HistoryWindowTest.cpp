// Match history windows, their filter dialog and the opponent profile table,
// opened from a real statistics window on real record files.
#include "res/resource.h"
#include "store/RecordDatabase.h"
#include "store/RecordQueries.h"
#include "support/DialogAnswerer.h"
#include "support/StatsFixture.h"
#include "ui/history/HistoryWindow.h"
#include "ui/stats/StatsWindow.h"
#include <commctrl.h>
#include <algorithm>

namespace {

const int64_t MINUTE = 600000000LL;

// The background of each row at x, as the list paints itself: "g" pale
// green, "w" white, "?" anything else.
std::string RowColours(HWND list, int x)
{
    RECT client;
    GetClientRect(list, &client);
    HDC screen = GetDC(list);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    SendMessageA(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
    std::string colours;
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
        RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
        SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
        if (bounds.bottom > client.bottom)
            break;
        COLORREF pixel = GetPixel(memory, x, (bounds.top + bounds.bottom) / 2);
        colours += pixel == RGB(208, 220, 208) ? "g" : pixel == RGB(255, 255, 255) ? "w" : "?";
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(list, screen);
    return colours;
}

HWND HistoryList(HWND window)
{
    return GetDlgItem(window, IDC_HISTORY_LIST);
}

int Rows(HWND list)
{
    return ListView_GetItemCount(list);
}

class History : public StatsFixture {
protected:
    void SetUp() override
    {
        memset(&HistoryFilter, 0, sizeof HistoryFilter);
        StatsFixture::SetUp();
        Open();
    }
    // Runs an action and returns the one window with that caption it opened.
    HWND Opened(const char* caption, const std::function<void()>& action)
    {
        std::vector<HWND> before = Owned(caption);
        action();
        HWND opened = nullptr;
        for (HWND window : Owned(caption))
            if (std::find(before.begin(), before.end(), window) == before.end() && Title(window) == caption) {
                EXPECT_EQ(nullptr, opened) << "more than one window opened";
                opened = window;
            }
        return opened;
    }
    HWND OpenHistory()
    {
        return Opened("対戦履歴", [&] { OpenHistoryWindow(stats); });
    }
    HWND OpenTable()
    {
        return Opened("相手プロファイル", [&] { SendMessageA(stats, WM_SYSCOMMAND, IDM_OPPONENT_TABLE, 0); });
    }
};

}  // namespace

TEST_F(History, WindowsListTheChosenMatchesOldestFirstAsSnapshots)
{
    // 100 matches a minute apart on 2009-05-01 and 02, against rival and
    // other in turn; every tenth 1-1, every seventh lost, the rest won.
    int64_t start = Day(2009, 5, 2) - 50 * MINUTE;
    for (int i = 0; i < 100; ++i) {
        bool draw = i % 10 == 0, lost = i % 7 == 0;
        Insert(start + i * MINUTE, i % 20, draw ? 1 : lost ? 0 : 2, i == 5 ? 25 : (i + 3) % 20,
               draw ? 1 : lost ? 2 : 1, i % 2 ? "rival" : "other", i == 3 ? "" : "me");
    }
    HWND all = OpenHistory();
    ASSERT_NE(nullptr, all);
    HWND header = ListView_GetHeader(HistoryList(all));
    std::string headers;
    for (int i = 0; i < 7; ++i) {
        char text[32] = "";
        HDITEMA item = {};
        item.mask = HDI_TEXT, item.pszText = text, item.cchTextMax = sizeof text;
        SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        headers += text + std::string(i < 6 ? "|" : "\n");
    }
    EXPECT_EQ("タイムスタンプ|1Pプロフ|1Pキャラ|1P勝|2Pプロフ|2Pキャラ|2P勝\n"
              "2009/05/01 23:10:00|me|霊夢|1|other|アリス|1\n"
              "2009/05/01 23:11:00|me|魔理沙|2|rival|パチュリー|1\n"
              "2009/05/01 23:12:00|me|咲夜|2|other|妖夢|1\n"
              "2009/05/01 23:13:00||アリス|2|rival|レミリア|1\n"
              "2009/05/01 23:14:00|me|パチュリー|2|other|幽々子|1\n"
              "2009/05/01 23:15:00|me|妖夢|2|rival|(25)|1\n"
              "2009/05/01 23:16:00|me|レミリア|2|other|萃香|1\n"
              "2009/05/01 23:17:00|me|幽々子|0|rival|鈴仙|2\n"
              "100 rows, ...\n"
              "2009/05/01 23:59:00|me|萃香|0|rival|小町|2\n2009/05/02 00:00:00|me|鈴仙|1|other|衣玖|1\n"
              "2009/05/02 00:49:00|me|諏訪子|2|rival|咲夜|1\n",
              headers + ListText(HistoryList(all), 0, 7) + std::to_string(Rows(HistoryList(all))) + " rows, ...\n" +
                  ListText(HistoryList(all), 49, 50) + ListText(HistoryList(all), 99, 99));
    // Won rows green; 1-1 (row 0) and lost (row 7) white. Column 3 is empty at its left.
    EXPECT_EQ("wggggggwggwgggwg", RowColours(HistoryList(all), 295).substr(0, 16));

    struct Case {
        const char* what;
        void (*set)(HistoryFilterSettings*);
        const char* rows;  // the count, the first and the last time
    } cases[] = {
        {"count 30 of 100", [](HistoryFilterSettings* s) { s->countOn = true, s->count = 30; },
         "30 2009/05/02 00:20:00 2009/05/02 00:49:00"},
        {"one day", [](HistoryFilterSettings* s) {
             s->startOn = s->endOn = true;
             s->start = Day(2009, 5, 2), s->end = Day(2009, 5, 3) - 10000;
         }, "50 2009/05/02 00:00:00 2009/05/02 00:49:00"},
        {"empty own name", [](HistoryFilterSettings* s) { s->ownNameOn = true; },
         "1 2009/05/01 23:13:00 2009/05/01 23:13:00"},
        {"the newest 2 against rival's パチュリー with 魔理沙", [](HistoryFilterSettings* s) {
             s->opponentNameOn = s->ownCharacterOn = s->opponentCharacterOn = s->countOn = true;
             lstrcpyA(s->opponentName, "rival");
             s->ownCharacter = 1, s->opponentCharacter = 4, s->count = 2;
         }, "2 2009/05/02 00:11:00 2009/05/02 00:31:00"},
    };
    auto summary = [](HWND window) {
        HWND list = HistoryList(window);
        return std::to_string(Rows(list)) + " " + ListText(list, 0, 0).substr(0, 19) + " " +
               ListText(list, Rows(list) - 1, Rows(list) - 1).substr(0, 19);
    };
    std::vector<HWND> windows;
    for (const Case& c : cases) {
        memset(&HistoryFilter, 0, sizeof HistoryFilter);
        c.set(&HistoryFilter);
        windows.push_back(OpenHistory());
        ASSERT_NE(nullptr, windows.back()) << c.what;
        EXPECT_EQ(c.rows, summary(windows.back())) << c.what;
    }
    // Side by side, each keeps its own rows; none reads the record again.
    Insert(start + 100 * MINUTE, 1, 2, 14, 0, "rival");
    for (size_t i = 0; i < windows.size(); ++i) {
        InvalidateRect(HistoryList(windows[i]), nullptr, TRUE);
        UpdateWindow(windows[i]);
        EXPECT_EQ(cases[i].rows, summary(windows[i]));
    }
    EXPECT_EQ(100, Rows(HistoryList(all)));
    memset(&HistoryFilter, 0, sizeof HistoryFilter);
    EXPECT_EQ(101, Rows(HistoryList(OpenHistory())));
    // OK and Cancel (the close box sends Cancel) close a window.
    SendMessageA(windows[0], WM_COMMAND, IDOK, 0);
    SendMessageA(windows[1], WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpMessages(50);
    EXPECT_FALSE(IsWindow(windows[0]) || IsWindow(windows[1]));
}

TEST_F(History, FilterDialogRefusesBadInputStoresNothingOfItAndStartsClear)
{
    for (int i = 0; i < 5; ++i)
        Insert(Day(2009, 5, 1) + i * MINUTE, 0, 2, 0, 0);
    // What an earlier OK stored; the refused input below must not touch it.
    HistoryFilter.opponentNameOn = HistoryFilter.countOn = true;
    lstrcpyA(HistoryFilter.opponentName, "old");
    HistoryFilter.count = 5;
    HistoryFilterSettings before;
    memcpy(&before, &HistoryFilter, sizeof before);
    std::string state;
    std::vector<DialogSeen> warnings;
    // Presses OK; a refusal shows a warning, which is answered.
    auto press = [&](HWND dialog, bool refused) {
        DialogAnswerer warning(GetWindowThreadProcessId(dialog, nullptr), {IDOK}, refused ? 15000 : 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        for (int i = 0; i < 500 && !refused && IsWindow(dialog); ++i)
            Sleep(20);
        for (const DialogSeen& seen : warning.Seen())
            warnings.push_back(seen);
        state += IsWindow(dialog) ? " open" : " closed";
    };
    auto click = [](HWND dialog, int id) { SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0); };
    auto setDay = [](HWND dialog, int picker, WORD day) {
        SYSTEMTIME date = {};
        date.wYear = 2009, date.wMonth = 5, date.wDay = day;
        SendDlgItemMessageA(dialog, picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&date));
    };
    const int checks[] = {IDC_FILTER_OWN_NAME_CHECK, IDC_FILTER_OWN_CHARACTER_CHECK, IDC_FILTER_OPPONENT_NAME_CHECK,
                          IDC_FILTER_OPPONENT_CHARACTER_CHECK, IDC_FILTER_START_CHECK, IDC_FILTER_END_CHECK,
                          IDC_FILTER_COUNT_CHECK};
    const int inputs[] = {IDC_FILTER_OWN_NAME, IDC_FILTER_OWN_CHARACTER, IDC_FILTER_OPPONENT_NAME,
                          IDC_FILTER_OPPONENT_CHARACTER, IDC_FILTER_START, IDC_FILTER_END, IDC_FILTER_COUNT,
                          IDC_FILTER_COUNT_SPIN};
    auto enabled = [&](HWND dialog) {
        state += " ";
        for (int id : inputs)
            state += IsWindowEnabled(GetDlgItem(dialog, id)) ? "e" : "-";
    };
    auto look = [&](HWND dialog) {
        char caption[64];
        GetWindowTextA(dialog, caption, sizeof caption);
        state += caption + std::string(":");
        for (int id : checks)
            state += IsDlgButtonChecked(dialog, id) ? "x" : "-";
        enabled(dialog);
    };
    std::string characters, cut;
    {
        DialogAnswerer answerer(GetCurrentThreadId(), {[&](HWND dialog) {
            look(dialog);
            cut = CutTexts(dialog);
            for (int list : {IDC_FILTER_OWN_CHARACTER, IDC_FILTER_OPPONENT_CHARACTER}) {
                int count = static_cast<int>(SendDlgItemMessageA(dialog, list, CB_GETCOUNT, 0, 0));
                characters += std::to_string(SendDlgItemMessageA(dialog, list, CB_GETCURSEL, 0, 0)) + ":";
                for (int i = 0; i < count; ++i) {
                    char name[64] = "";
                    SendDlgItemMessageA(dialog, list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
                    characters += name + std::string(i + 1 < count ? "," : "\n");
                }
            }
            for (int id : checks)
                click(dialog, id);
            enabled(dialog);
            click(dialog, IDC_FILTER_OWN_CHARACTER_CHECK);  // a second click unticks it
            state += IsWindowEnabled(GetDlgItem(dialog, IDC_FILTER_OWN_CHARACTER)) ? " e" : " -";
            SetDlgItemTextA(dialog, IDC_FILTER_OPPONENT_NAME, "you");
            SendDlgItemMessageA(dialog, IDC_FILTER_OPPONENT_CHARACTER, CB_SETCURSEL, 7, 0);
            setDay(dialog, IDC_FILTER_START, 2);
            setDay(dialog, IDC_FILTER_END, 1);
            press(dialog, true);  // start after end
            setDay(dialog, IDC_FILTER_END, 2);
            SetDlgItemTextA(dialog, IDC_FILTER_COUNT, "-4");
            press(dialog, true);
            return IDCANCEL;
        }});
        SendMessageA(stats, WM_SYSCOMMAND, IDM_HISTORY, 0);
        EXPECT_EQ(1u, answerer.Seen().size());
    }
    EXPECT_EQ("対戦履歴フィルタの設定:------- -------e eeeeeeee - open open", state);
    std::string names = "博麗霊夢,霧雨魔理沙,十六夜咲夜,アリス・マーガトロイド,パチュリー・ノーレッジ,魂魄妖夢,"
                        "レミリア・スカーレット,西行寺幽々子,八雲紫,伊吹萃香,鈴仙・Ｕ・イナバ,射命丸文,小野塚小町,"
                        "永江衣玖,比那名居天子,東風谷早苗,チルノ,紅美鈴,霊烏路空,洩矢諏訪子\n";
    EXPECT_EQ("0:" + names + "0:" + names, characters);
    EXPECT_EQ("", cut);  // whole labels, and whole names in the fields and the open lists
    ASSERT_EQ(2u, warnings.size());
    EXPECT_EQ("始点は終点より前にしてください|件数は１件以上にしてください", warnings[0].text + "|" + warnings[1].text);
    EXPECT_EQ(LoadIconA(nullptr, IDI_EXCLAMATION), warnings[1].icon);
    // Both OKs were refused ("-4" reads as 0) and Cancel followed: the
    // criteria are those from before the dialog.
    const HistoryFilterSettings& s = HistoryFilter;
    EXPECT_EQ("- -:old - - - c:5", std::string(s.ownNameOn ? "o" : "-") + (s.ownCharacterOn ? " o" : " -") + ":" +
                                        s.opponentName + (s.opponentCharacterOn ? " o" : " -") +
                                        (s.startOn ? " s" : " -") + (s.endOn ? " e" : " -") +
                                        (s.countOn ? " c:" : " -:") + std::to_string(s.count));
    EXPECT_EQ(0, memcmp(&before, &HistoryFilter, sizeof before));
    EXPECT_TRUE(Owned("対戦履歴").empty());

    // Reopened: all clear. A count text that is not a number counts as 0.
    state.clear();
    warnings.clear();
    HWND opened = Opened("対戦履歴", [&] {
        DialogAnswerer answerer(GetCurrentThreadId(), {[&](HWND dialog) {
            look(dialog);
            click(dialog, IDC_FILTER_COUNT_CHECK);
            for (const char* text : {"three", "3"}) {
                SetDlgItemTextA(dialog, IDC_FILTER_COUNT, text);
                press(dialog, text[0] != '3');
            }
            return 0;
        }});
        SendMessageA(stats, WM_SYSCOMMAND, IDM_HISTORY, 0);
        EXPECT_EQ(1u, answerer.Seen().size());
    });
    EXPECT_EQ("対戦履歴フィルタの設定:------- -------e open closed", state);
    EXPECT_EQ(1u, warnings.size());
    ASSERT_NE(nullptr, opened);
    EXPECT_EQ(3, Rows(HistoryList(opened)));
    EXPECT_FALSE(HistoryFilter.startOn || HistoryFilter.opponentNameOn);
}

TEST_F(History, OpponentTableSortsRefreshesAndOpensHistories)
{
    int64_t stamp = Day(2009, 5, 1);
    auto add = [&](const char* name, int wins, int losses, int draws = 0) {
        for (int i = 0; i < wins + losses + draws; ++i, stamp += MINUTE)
            Insert(stamp, 0, i < wins ? 2 : i < wins + losses ? 0 : 1, 0, i < wins ? 0 : i < wins + losses ? 2 : 1,
                   name);
    };
    add("b", 1, 7);
    add("Ab", 2, 1);
    add("", 1, 0);
    add("c", 4, 5);
    add("d", 3, 7);
    add("e", 0, 0, 2);
    stamp = Day(2009, 6, 1);
    add("Ab", 1, 0);
    HWND table = OpenTable();
    ASSERT_NE(nullptr, table);
    HWND list = GetDlgItem(table, IDC_STATS_LIST);
    HMENU menu = GetSystemMenu(table, FALSE);
    char text[64] = "";
    int at = wsprintfA(text, "%x ", GetMenuItemID(menu, 0));
    GetMenuStringA(menu, 0, text + at, sizeof text - at, MF_BYPOSITION);
    EXPECT_EQ("ee00 最新の情報に更新, then a separator",
              text + std::string(GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR ? ", then a separator" : ""));
    auto sortState = [&] {
        return std::to_string(reinterpret_cast<INT_PTR>(GetPropA(table, "SORT.CURRENTCOL"))) + "," +
               std::to_string(reinterpret_cast<INT_PTR>(GetPropA(table, "SORT.DIRECTION")));
    };
    HWND header = ListView_GetHeader(list);
    auto clickHeader = [&](int column) {
        RECT r;
        SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&r));
        LPARAM point = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, point);
        SendMessageA(header, WM_LBUTTONUP, 0, point);
        return sortState() + "\n" + ListText(list);
    };
    EXPECT_EQ("0,1\n|1|1|0|100\nAb|4|3|1|75\nb|8|1|7|13\nc|9|4|5|44\nd|10|3|7|30\ne|0|0|0|0\ngwgwgw",
              sortState() + "\n" + ListText(list) + RowColours(list, 90));
    EXPECT_EQ("0,-1\ne|0|0|0|0\nd|10|3|7|30\nc|9|4|5|44\nb|8|1|7|13\nAb|4|3|1|75\n|1|1|0|100\ngwgwgw",
              clickHeader(0) + RowColours(list, 90));
    EXPECT_EQ("1,1\ne|0|0|0|0\n|1|1|0|100\nAb|4|3|1|75\nb|8|1|7|13\nc|9|4|5|44\nd|10|3|7|30\n", clickHeader(1));
    EXPECT_EQ("1,-1\nd|10|3|7|30\nc|9|4|5|44\nb|8|1|7|13\nAb|4|3|1|75\n|1|1|0|100\ne|0|0|0|0\n", clickHeader(1));
    EXPECT_EQ("4,1\ne|0|0|0|0\nb|8|1|7|13\nd|10|3|7|30\nc|9|4|5|44\nAb|4|3|1|75\n|1|1|0|100\n", clickHeader(4));

    // Refresh: the query's order reversed, the sort state kept.
    Insert(stamp, 0, 2, 0, 0, "new");
    std::string queried;
    RecordFilter none = {};
    ASSERT_TRUE(QueryOpponentTotals(&none, [](const MatchRecord* row, void* text) {
        *static_cast<std::string*>(text) = row->p2name + std::string(",") + *static_cast<std::string*>(text);
    }, &queried));
    SendMessageA(table, WM_SYSCOMMAND, IDM_REFRESH_OPPONENTS, 0);
    std::string shown;
    for (int row = 0; row < Rows(list); ++row)
        shown += ListText(list, row, row).substr(0, ListText(list, row, row).find('|')) + ",";
    EXPECT_EQ(queried + "|4,1", shown + "|" + sortState());
    EXPECT_EQ("4,-1\n", clickHeader(4).substr(0, 5));  // "" and new tie at 100 in either order
    EXPECT_EQ("Ab|4|3|1|75\n", ListText(list, 2, 2));

    // Double-clicks open that opponent's history within the stored period;
    // without a selection mark nothing opens.
    HistoryFilter.startOn = true;
    HistoryFilter.start = Day(2009, 5, 2);
    auto doubleClick = [&](const char* name) {
        int row = -1;
        for (int i = 0; i < Rows(list); ++i)
            if (name && ListText(list, i, i).rfind(name + std::string("|"), 0) == 0)
                row = i;
        SendMessageA(list, LVM_SETSELECTIONMARK, 0, row);
        HWND opened = Opened("対戦履歴", [&] { SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 30)); });
        return opened ? ListText(HistoryList(opened)) : "none";
    };
    EXPECT_EQ("none", doubleClick(nullptr));
    EXPECT_EQ("2009/06/01 00:00:00|me|霊夢|2|Ab|霊夢|0\n", doubleClick("Ab"));
    HistoryFilter.startOn = false;
    EXPECT_EQ("2009/05/01 00:11:00|me|霊夢|2||霊夢|0\n", doubleClick(""));
    EXPECT_TRUE(HistoryFilter.opponentNameOn);
    // A name stored with half a character at its end, as older versions cut
    // it: that byte is shown nowhere, and the history is that of the stored
    // bytes, which the list's text does not give back.
    Insert(Day(2009, 7, 1), 0, 2, 0, 0, "x\x82");
    SendMessageA(table, WM_SYSCOMMAND, IDM_REFRESH_OPPONENTS, 0);
    EXPECT_EQ("2009/07/01 00:00:00|me|霊夢|2|x|霊夢|0\n", doubleClick("x"));
    EXPECT_EQ("x\x82", std::string(HistoryFilter.opponentName));
    // Enter and Escape do not close the table; its close box does.
    SendMessageA(table, WM_COMMAND, IDCANCEL, 0);
    SendMessageA(table, WM_COMMAND, IDOK, 0);
    PumpMessages(50);
    EXPECT_TRUE(IsWindow(table));
    SendMessageA(table, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(table));
}

TEST_F(History, ProfileLoadClosesEveryHistoryTableAndDetailWindow)
{
    Insert(Day(2009, 5, 1), 0, 2, 0, 0);
    std::vector<HWND> windows = {OpenHistory(), OpenHistory(), OpenTable(), OpenTable()};
    HWND list = GetDlgItem(windows[2], IDC_STATS_LIST);
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, 0);
    windows.push_back(Opened("対戦履歴", [&] { SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 30)); }));
    DoubleClickRow(0);
    ASSERT_EQ(6u, Owned().size());
    for (HWND window : windows)
        ASSERT_TRUE(window && IsWindow(window));
    ASSERT_TRUE(LoadProfile(stats, folder.File("Other.db").c_str()));
    EXPECT_EQ(0u, Owned().size());
}
