// Match history windows, their filter dialog and the opponent profile table,
// opened from a real statistics window on real record files.
#include "res/resource.h"
#include "store/RecordDatabase.h"
#include "store/RecordQueries.h"
#include "store/TimeStamp.h"
#include "support/DialogAnswerer.h"
#include "support/TestSupport.h"
#include "ui/history/HistoryWindow.h"
#include "ui/stats/StatsWindow.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <algorithm>

namespace {

const int64_t MINUTE = 600000000LL;

int64_t Day(WORD year, WORD month, WORD day)
{
    SYSTEMTIME date = {};
    date.wYear = year;
    date.wMonth = month;
    date.wDay = day;
    return TimestampFromLocalTime(&date);
}

struct Found {
    HWND owner;
    std::string caption;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectOwned(HWND window, LPARAM context)
{
    Found* found = reinterpret_cast<Found*>(context);
    char caption[64] = "";
    GetWindowTextA(window, caption, sizeof caption);
    if (GetWindow(window, GW_OWNER) == found->owner && found->caption == caption && IsWindowVisible(window))
        found->windows.push_back(window);
    return TRUE;
}

std::string HeaderText(HWND list)
{
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    std::string headers;
    for (int i = 0; i < 7; ++i) {
        char text[32] = "";
        HDITEMA item = {};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        headers += text + std::string(i < 6 ? "|" : "");
    }
    return headers;
}

std::string ListText(HWND list, int first = 0, int last = -1)
{
    int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    int columns = static_cast<int>(SendMessageA(reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0)),
                                                HDM_GETITEMCOUNT, 0, 0));
    std::string text;
    for (int row = first; row < (last < 0 ? rows : last + 1); ++row)
        for (int column = 0; column < columns; ++column) {
            char cell[64] = "";
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = cell;
            item.cchTextMax = sizeof cell;
            SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
            text += cell + std::string(column + 1 < columns ? "|" : "\n");
        }
    return text;
}

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
    int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        RECT bounds = {};
        bounds.left = LVIR_BOUNDS;
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

class History : public testing::Test {
protected:
    TempFolder folder;
    SettingsFileScope settings{folder.File("vty.ini")};
    HWND stats = nullptr;

    void SetUp() override
    {
        memset(&HistoryFilter, 0, sizeof HistoryFilter);
        ASSERT_TRUE(SetDatabasePath(folder.File("Default.db").c_str()));
        ASSERT_TRUE(OpenRecordDatabase());
        stats = CreateStatsWindow(GetModuleHandleA(nullptr));
        ASSERT_NE(nullptr, stats);
    }
    void TearDown() override
    {
        DestroyStatsWindow(stats, false);
        CloseRecordDatabase();
    }

    void Insert(int64_t stamp, const char* p1name, int p1id, int p1win, const char* p2name, int p2id, int p2win)
    {
        char* sql = sqlite3_mprintf("INSERT INTO vaviradudiz123 VALUES(%lld,%Q,%d,%d,%Q,%d,%d)", stamp, p1name, p1id,
                                    p1win, p2name, p2id, p2win);
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(RecordConnection(), sql, nullptr, nullptr, nullptr));
        sqlite3_free(sql);
    }
    std::vector<HWND> Owned(const char* caption)
    {
        Found found = {stats, caption, {}};
        EnumThreadWindows(GetCurrentThreadId(), CollectOwned, reinterpret_cast<LPARAM>(&found));
        return found.windows;
    }
    // Runs an action and returns the one window with that caption it opened.
    HWND Opened(const char* caption, const std::function<void()>& action)
    {
        std::vector<HWND> before = Owned(caption);
        action();
        HWND opened = nullptr;
        for (HWND window : Owned(caption))
            if (std::find(before.begin(), before.end(), window) == before.end()) {
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

HWND HistoryList(HWND window)
{
    return GetDlgItem(window, IDC_HISTORY_LIST);
}

int Rows(HWND list)
{
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

}  // namespace

TEST_F(History, WindowsListTheChosenMatchesOldestFirstAsSnapshots)
{
    // 100 matches a minute apart on 2009-05-01 and 02, against rival and
    // other in turn; every tenth 1-1, every seventh lost, the rest won.
    int64_t start = Day(2009, 5, 2) - 50 * MINUTE;
    for (int i = 0; i < 100; ++i) {
        bool draw = i % 10 == 0, lost = i % 7 == 0;
        Insert(start + i * MINUTE, i == 3 ? "" : "me", i % 20, draw ? 1 : lost ? 0 : 2, i % 2 ? "rival" : "other",
               i == 5 ? 25 : (i + 3) % 20, draw ? 1 : lost ? 2 : 1);
    }
    HWND all = OpenHistory();
    ASSERT_NE(nullptr, all);
    ASSERT_EQ(100, Rows(HistoryList(all)));
    EXPECT_EQ("タイムスタンプ|1Pプロフ|1Pキャラ|1P勝|2Pプロフ|2Pキャラ|2P勝", HeaderText(HistoryList(all)));
    EXPECT_EQ("2009/05/01 23:10:00|me|霊夢|1|other|アリス|1\n"
              "2009/05/01 23:11:00|me|魔理沙|2|rival|パチュリー|1\n"
              "2009/05/01 23:12:00|me|咲夜|2|other|妖夢|1\n"
              "2009/05/01 23:13:00||アリス|2|rival|レミリア|1\n"
              "2009/05/01 23:14:00|me|パチュリー|2|other|幽々子|1\n"
              "2009/05/01 23:15:00|me|妖夢|2|rival|(25)|1\n"
              "2009/05/01 23:16:00|me|レミリア|2|other|萃香|1\n"
              "2009/05/01 23:17:00|me|幽々子|0|rival|鈴仙|2\n",
              ListText(HistoryList(all), 0, 7));
    EXPECT_EQ("2009/05/01 23:59:00|me|萃香|0|rival|小町|2\n2009/05/02 00:00:00|me|鈴仙|1|other|衣玖|1\n",
              ListText(HistoryList(all), 49, 50));
    EXPECT_EQ("2009/05/02 00:49:00|me|諏訪子|2|rival|咲夜|1\n", ListText(HistoryList(all), 99, 99));
    // Won rows green; 1-1 (row 0) and lost (row 7) white. Column 3 is empty at its left.
    EXPECT_EQ("wggggggwggwgggwg", RowColours(HistoryList(all), 295).substr(0, 16));

    struct Case {
        const char* what;
        void (*set)(HistoryFilterSettings*);
        int rows;
        const char* firstTime;
    } cases[] = {
        {"count 30 of 100", [](HistoryFilterSettings* s) { s->countOn = true, s->count = 30; }, 30,
         "2009/05/02 00:20:00"},
        {"one day", [](HistoryFilterSettings* s) {
             s->startOn = s->endOn = true;
             s->start = Day(2009, 5, 2), s->end = Day(2009, 5, 3) - 10000;
         }, 50, "2009/05/02 00:00:00"},
        {"empty own name", [](HistoryFilterSettings* s) { s->ownNameOn = true; }, 1, "2009/05/01 23:13:00"},
        {"the newest 2 against rival's パチュリー with 魔理沙", [](HistoryFilterSettings* s) {
             s->opponentNameOn = s->ownCharacterOn = s->opponentCharacterOn = s->countOn = true;
             lstrcpyA(s->opponentName, "rival");
             s->ownCharacter = 1, s->opponentCharacter = 4, s->count = 2;
         }, 2, "2009/05/02 00:11:00"},
    };
    std::vector<HWND> windows;
    for (const Case& c : cases) {
        memset(&HistoryFilter, 0, sizeof HistoryFilter);
        c.set(&HistoryFilter);
        windows.push_back(OpenHistory());
        ASSERT_NE(nullptr, windows.back()) << c.what;
        EXPECT_EQ(c.rows, Rows(HistoryList(windows.back()))) << c.what;
        EXPECT_EQ(c.firstTime, ListText(HistoryList(windows.back()), 0, 0).substr(0, 19)) << c.what;
    }
    EXPECT_EQ("2009/05/02 00:49:00", ListText(HistoryList(windows[0]), 29, 29).substr(0, 19));
    // Side by side, each keeps its own rows; none reads the record again.
    Insert(start + 100 * MINUTE, "me", 1, 2, "rival", 14, 0);
    for (size_t i = 0; i < windows.size(); ++i) {
        InvalidateRect(HistoryList(windows[i]), nullptr, TRUE);
        UpdateWindow(windows[i]);
        EXPECT_EQ(cases[i].rows, Rows(HistoryList(windows[i])));
    }
    EXPECT_EQ(100, Rows(HistoryList(all)));
    memset(&HistoryFilter, 0, sizeof HistoryFilter);
    EXPECT_EQ(101, Rows(HistoryList(OpenHistory())));
    // OK and Cancel (the close box sends Cancel) close a window.
    SendMessageA(windows[0], WM_COMMAND, IDOK, 0);
    SendMessageA(windows[1], WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpMessages(50);
    EXPECT_FALSE(IsWindow(windows[0]));
    EXPECT_FALSE(IsWindow(windows[1]));
}

TEST_F(History, FilterDialogRefusesBadInputKeepsWhatItStoredAndStartsClear)
{
    for (int i = 0; i < 5; ++i)
        Insert(Day(2009, 5, 1) + i * MINUTE, "me", 0, 2, "you", 0, 0);
    std::string state;
    std::vector<DialogSeen> warnings;
    // OK, answering the warning that a refusal shows.
    auto press = [&](HWND dialog, bool refused) {
        if (refused) {
            DialogAnswerer warning(GetWindowThreadProcessId(dialog, nullptr), {[](HWND) { return IDOK; }}, 15000,
                                   {dialog});
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            for (const DialogSeen& seen : warning.Seen())
                warnings.push_back(seen);
        } else {
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            for (int i = 0; i < 500 && IsWindow(dialog); ++i)
                Sleep(20);
        }
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
    auto look = [&](HWND dialog) {
        char caption[64];
        GetWindowTextA(dialog, caption, sizeof caption);
        state += caption + std::string(":");
        for (int id : checks)
            state += IsDlgButtonChecked(dialog, id) ? "x" : "-";
        state += " ";
        for (int id : inputs)
            state += IsWindowEnabled(GetDlgItem(dialog, id)) ? "e" : "-";
    };
    std::string characters;
    {
        DialogAnswerer answerer(GetCurrentThreadId(), {[&](HWND dialog) {
            look(dialog);
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
            state += " ";
            for (int id : inputs)
                state += IsWindowEnabled(GetDlgItem(dialog, id)) ? "e" : "-";
            click(dialog, IDC_FILTER_OWN_CHARACTER_CHECK);  // a second click unticks it
            state += IsWindowEnabled(GetDlgItem(dialog, IDC_FILTER_OWN_CHARACTER)) ? " e" : " -";
            SetDlgItemTextA(dialog, IDC_FILTER_OPPONENT_NAME, "you");
            SendDlgItemMessageA(dialog, IDC_FILTER_OPPONENT_CHARACTER, CB_SETCURSEL, 7, 0);
            setDay(dialog, IDC_FILTER_START, 2);
            setDay(dialog, IDC_FILTER_END, 1);
            press(dialog, true);  // start after end
            setDay(dialog, IDC_FILTER_END, 2);
            SetDlgItemTextA(dialog, IDC_FILTER_COUNT, "0");
            press(dialog, true);  // count 0
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
    ASSERT_EQ(2u, warnings.size());
    EXPECT_EQ("始点は終点より前にしてください", warnings[0].text);
    EXPECT_EQ("件数は１件以上にしてください", warnings[1].text);
    EXPECT_EQ(SystemIcon(IDI_EXCLAMATION), warnings[1].icon);
    // The second OK stored everything up to the count check; Cancel kept it.
    const HistoryFilterSettings& s = HistoryFilter;
    EXPECT_EQ("o -:you o:7 s e c:0", std::string(s.ownNameOn ? "o" : "-") + (s.ownCharacterOn ? " o" : " -") + ":" +
                                         s.opponentName + (s.opponentCharacterOn ? " o:" : " -:") +
                                         std::to_string(s.opponentCharacter) + (s.startOn ? " s" : " -") +
                                         (s.endOn ? " e" : " -") + (s.countOn ? " c:" : " -:") +
                                         std::to_string(s.count));
    EXPECT_EQ(Day(2009, 5, 2), s.start);
    EXPECT_EQ(Day(2009, 5, 3) - 10000, s.end);
    EXPECT_TRUE(Owned("対戦履歴").empty());

    // Reopened: all clear. A count text that is not a number counts as 0.
    state.clear();
    warnings.clear();
    HWND opened = Opened("対戦履歴", [&] {
        DialogAnswerer answerer(GetCurrentThreadId(), {[&](HWND dialog) {
            look(dialog);
            click(dialog, IDC_FILTER_COUNT_CHECK);
            for (const char* text : {"three", "-4", "3"}) {
                SetDlgItemTextA(dialog, IDC_FILTER_COUNT, text);
                press(dialog, text[0] != '3');
            }
            return 0;
        }});
        SendMessageA(stats, WM_SYSCOMMAND, IDM_HISTORY, 0);
        EXPECT_EQ(1u, answerer.Seen().size());
    });
    EXPECT_EQ("対戦履歴フィルタの設定:------- -------e open open closed", state);
    EXPECT_EQ(2u, warnings.size());
    ASSERT_NE(nullptr, opened);
    EXPECT_EQ(3, Rows(HistoryList(opened)));
    EXPECT_FALSE(HistoryFilter.startOn || HistoryFilter.opponentNameOn);
}

TEST_F(History, OpponentTableSortsRefreshesAndOpensHistories)
{
    int64_t stamp = Day(2009, 5, 1);
    auto add = [&](const char* name, int wins, int losses, int draws = 0) {
        for (int i = 0; i < wins + losses + draws; ++i, stamp += MINUTE)
            Insert(stamp, "me", 0, i < wins ? 2 : i < wins + losses ? 0 : 1, name, 0,
                   i < wins ? 0 : i < wins + losses ? 2 : 1);
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
    GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_EQ("最新の情報に更新", std::string(text));
    EXPECT_EQ(0xEE00u, GetMenuItemID(menu, 0));
    EXPECT_TRUE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR);
    auto sortState = [&] {
        return std::to_string(reinterpret_cast<INT_PTR>(GetPropA(table, "SORT.CURRENTCOL"))) + "," +
               std::to_string(reinterpret_cast<INT_PTR>(GetPropA(table, "SORT.DIRECTION")));
    };
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    auto clickHeader = [&](int column) {
        RECT r;
        SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&r));
        LPARAM point = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, point);
        SendMessageA(header, WM_LBUTTONUP, 0, point);
        return sortState() + "\n" + ListText(list);
    };
    EXPECT_EQ("0,1", sortState());
    EXPECT_EQ("|1|1|0|100\nAb|4|3|1|75\nb|8|1|7|13\nc|9|4|5|44\nd|10|3|7|30\ne|0|0|0|0\n", ListText(list));
    EXPECT_EQ("gwgwgw", RowColours(list, 90));
    EXPECT_EQ("0,-1\ne|0|0|0|0\nd|10|3|7|30\nc|9|4|5|44\nb|8|1|7|13\nAb|4|3|1|75\n|1|1|0|100\n", clickHeader(0));
    EXPECT_EQ("gwgwgw", RowColours(list, 90));
    EXPECT_EQ("1,1\ne|0|0|0|0\n|1|1|0|100\nAb|4|3|1|75\nb|8|1|7|13\nc|9|4|5|44\nd|10|3|7|30\n", clickHeader(1));
    EXPECT_EQ("1,-1\nd|10|3|7|30\nc|9|4|5|44\nb|8|1|7|13\nAb|4|3|1|75\n|1|1|0|100\ne|0|0|0|0\n", clickHeader(1));
    EXPECT_EQ("4,1\ne|0|0|0|0\nb|8|1|7|13\nd|10|3|7|30\nc|9|4|5|44\nAb|4|3|1|75\n|1|1|0|100\n", clickHeader(4));

    // Refresh: the query's order reversed, the sort state kept.
    Insert(stamp, "me", 0, 2, "new", 0, 0);
    std::string queried;
    RecordFilter none = {};
    ASSERT_TRUE(QueryOpponentTotals(&none, [](const MatchRecord* row, void* text) {
        *static_cast<std::string*>(text) = row->p2name + std::string(",") + *static_cast<std::string*>(text);
    }, &queried));
    SendMessageA(table, WM_SYSCOMMAND, IDM_REFRESH_OPPONENTS, 0);
    std::string shown;
    for (int row = 0; row < Rows(list); ++row)
        shown += ListText(list, row, row).substr(0, ListText(list, row, row).find('|')) + ",";
    EXPECT_EQ(queried, shown);
    EXPECT_EQ("4,1", sortState());
    EXPECT_EQ("4,-1\n", clickHeader(4).substr(0, 5));  // "" and new tie at 100 in either order
    EXPECT_EQ("Ab|4|3|1|75\n", ListText(list, 2, 2));

    // Double-clicks open that opponent's history within the stored period;
    // without a selection mark nothing opens.
    HistoryFilter.startOn = true;
    HistoryFilter.start = Day(2009, 5, 2);
    auto rowOf = [&](const std::string& name) {
        for (int row = 0; row < Rows(list); ++row)
            if (ListText(list, row, row).rfind(name + "|", 0) == 0)
                return row;
        return -1;
    };
    auto doubleClick = [&](int row) {
        SendMessageA(list, LVM_SETSELECTIONMARK, 0, row);
        return Opened("対戦履歴", [&] { SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 30)); });
    };
    EXPECT_EQ(nullptr, doubleClick(-1));
    HWND history = doubleClick(rowOf("Ab"));
    ASSERT_NE(nullptr, history);
    EXPECT_EQ("2009/06/01 00:00:00|me|霊夢|2|Ab|霊夢|0\n", ListText(HistoryList(history)));
    HistoryFilter.startOn = false;
    history = doubleClick(rowOf(""));
    ASSERT_NE(nullptr, history);
    EXPECT_EQ("2009/05/01 00:11:00|me|霊夢|2||霊夢|0\n", ListText(HistoryList(history)));
    EXPECT_TRUE(HistoryFilter.opponentNameOn);
    // Enter and Escape do not close the table; its close box does.
    SendMessageA(table, WM_COMMAND, IDCANCEL, 0);
    SendMessageA(table, WM_COMMAND, IDOK, 0);
    PumpMessages(50);
    EXPECT_TRUE(IsWindow(table));
    SendMessageA(table, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(table));
}

TEST_F(History, ProfileLoadClosesEveryHistoryWindowAndTable)
{
    Insert(Day(2009, 5, 1), "me", 0, 2, "you", 0, 0);
    std::vector<HWND> windows = {OpenHistory(), OpenHistory(), OpenTable(), OpenTable()};
    HWND list = GetDlgItem(windows[2], IDC_STATS_LIST);
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, 0);
    windows.push_back(Opened("対戦履歴", [&] { SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 30)); }));
    for (HWND window : windows)
        ASSERT_TRUE(window && IsWindow(window));
    ASSERT_TRUE(LoadProfile(stats, folder.File("Other.db").c_str()));
    for (HWND window : windows)
        EXPECT_FALSE(IsWindow(window));
}
