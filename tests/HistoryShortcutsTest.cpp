// History lists, their filter dialog and the opponent table from a real statistics
// window on a real record file; the profile shortcut keys' dialogs from the tray
// menu, and real key presses in the tool's own message loop.
#include "res/resource.h"
#include "shell/AppState.h"
#include "shell/MainWindow.h"
#include "support/DialogAnswerer.h"
#include "support/ShellFixture.h"
#include "support/StatsFixture.h"
#include "ui/history/HistoryWindow.h"
#include "ui/shortcuts/ShortcutList.h"
#include <commctrl.h>
#include <algorithm>

namespace {

const int64_t MINUTE = 600000000LL;

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
    void SetUp() override { HistoryFilter = HistoryFilterSettings(); StatsFixture::SetUp(); Open(); }
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

// The list in force as "key=path;", then how many keys the accelerator table holds.
std::string Loaded()
{
    std::string text;
    for (uint32_t i = 0; i < ShortcutList.count; ++i)
        text += std::to_string(ShortcutList.At(i).key) + "=" + ShortcutList.At(i).path + ";";
    return text + std::to_string(ShortcutAccelerators ? CopyAcceleratorTableA(ShortcutAccelerators, nullptr, 0) : 0);
}

class Shortcuts : public ShellFixture {
protected:
    void TearDown() override { ShellFixture::TearDown(); RebuildShortcuts(nullptr, 0); }
    HWND StartWithKeys(const std::string& pairs) { return Start("[Shortcut]\r\n" + pairs); }
    HWND OpenList()
    {
        SendMessageA(App.mainWindow, WM_COMMAND, ID_SHORTCUT_SETTINGS, 0);
        return FindWindowExA(nullptr, nullptr, "#32770", "プロファイル短縮キーの設定");
    }
    // A button of the list dialog, with the selection mark on row.
    void Press(HWND dialog, UINT command, int row = -1)
    {
        SendDlgItemMessageA(dialog, IDC_SHORTCUT_LIST, LVM_SETSELECTIONMARK, 0, row);
        SendMessageA(dialog, WM_COMMAND, command, 0);
    }
};

}  // namespace

TEST_F(History, WindowsListTheChosenMatchesOldestFirstAsSnapshots)
{
    Insert(Day(2009, 5, 1), 0, 2, 3, 1, "rival");
    Insert(Day(2009, 5, 1) + MINUTE, 1, 1, 4, 1, "rival", "");
    Insert(Day(2009, 5, 1) + 2 * MINUTE, 1, 0, 4, 2, "rival");
    Insert(Day(2009, 5, 1) + 3 * MINUTE, 1, 2, 4, 0, "other");
    Insert(Day(2009, 5, 1) + 4 * MINUTE, 1, 2, 25, 0, "rival");
    Insert(Day(2009, 5, 1) + 5 * MINUTE, 1, 2, 4, 1, "rival");
    HWND all = Opened("対戦履歴", [&] { OpenHistoryWindow(stats); });
    EXPECT_EQ("2009/05/01 00:00:00|me|霊夢|2|rival|アリス|1\n2009/05/01 00:01:00||魔理沙|1|rival|パチュリー|1\n"
              "2009/05/01 00:02:00|me|魔理沙|0|rival|パチュリー|2\n2009/05/01 00:03:00|me|魔理沙|2|other|パチュリー|0\n"
              "2009/05/01 00:04:00|me|魔理沙|2|rival|(25)|0\n2009/05/01 00:05:00|me|魔理沙|2|rival|パチュリー|1\n",
              ListText(GetDlgItem(all, IDC_HISTORY_LIST)));
    // The newest 2 with 魔理沙 against rival's パチュリー.
    HistoryFilter.opponentNameOn = HistoryFilter.ownCharacterOn = HistoryFilter.opponentCharacterOn = true;
    HistoryFilter.countOn = true, HistoryFilter.count = 2, HistoryFilter.ownCharacter = 1, HistoryFilter.opponentCharacter = 4;
    lstrcpyA(HistoryFilter.opponentName, "rival");
    HWND some = Opened("対戦履歴", [&] { OpenHistoryWindow(stats); });
    EXPECT_EQ("2 5 ", Minutes(some));
    // Side by side, each keeps its own rows; none reads the record again.
    Insert(Day(2009, 5, 1) + 6 * MINUTE, 1, 2, 4, 0, "rival");
    RedrawWindow(some, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_EQ("0 1 2 3 4 5 |2 5 ", Minutes(all) + "|" + Minutes(some));
}

TEST_F(History, FilterDialogWarnsStoresNothingRefusedAndTakesWholeDays)
{
    for (int64_t stamp : {Day(2009, 5, 2) - MINUTE, Day(2009, 5, 2) + MINUTE, Day(2009, 5, 4) - 2 * MINUTE,
                          Day(2009, 5, 4) + 2 * MINUTE})  // 23:59, 00:01, 23:58, 00:02 from May 1st to 4th
        Insert(stamp, 0, 2, 0, 0);
    HistoryFilter.opponentNameOn = true;  // what an earlier OK stored, which the opponent table uses
    std::string stored;
    HWND dialog = nullptr;
    auto setDay = [](HWND filter, int picker, WORD day) {  // in May 2009
        SYSTEMTIME date = {2009, 5, 0, day, 0, 0, 0, 0};
        SendDlgItemMessageA(filter, picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&date));
    };
    std::vector<DialogSeen> seen;
    HWND opened = Opened("対戦履歴", [&] {
        DialogAnswerer answerer(GetCurrentThreadId(), {[&](HWND filter) {
                                                           dialog = filter;
                                                           for (int check : {IDC_FILTER_START_CHECK, IDC_FILTER_END_CHECK})
                                                               SendDlgItemMessageA(filter, check, BM_CLICK, 0, 0);
                                                           setDay(filter, IDC_FILTER_START, 2);
                                                           setDay(filter, IDC_FILTER_END, 1);
                                                           return IDOK;
                                                       },
                                                       [&](HWND warning) {
                                                           PostMessageA(warning, WM_COMMAND, IDOK, 0);
                                                           stored = HistoryFilter.startOn ? "start" : "-";
                                                           setDay(dialog, IDC_FILTER_END, 3);
                                                           PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                                                           return 0;
                                                       }});
        SendMessageA(stats, WM_SYSCOMMAND, IDM_HISTORY, 0);
        seen = answerer.Seen();
    });
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ("対戦履歴フィルタの設定|始点は終点より前にしてください|-",
              seen[0].title + "|" + seen[1].text + "|" + stored);
    EXPECT_EQ(LoadIconA(nullptr, IDI_EXCLAMATION), seen[1].icon);
    EXPECT_EQ("1 58 ", Minutes(opened));  // May 2nd and 3rd whole, the opponent's name unticked
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
    HWND table = Opened("相手プロファイル", [&] { SendMessageA(stats, WM_SYSCOMMAND, IDM_OPPONENT_TABLE, 0); });
    ASSERT_NE(nullptr, table);
    HWND list = GetDlgItem(table, IDC_STATS_LIST), header = ListView_GetHeader(list);
    std::string sorted = ListText(list);
    for (int click = 0; click < 2; ++click) {  // by win rate, then the other way round
        RECT r;
        SendMessageA(header, HDM_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&r));
        SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
        SendMessageA(header, WM_LBUTTONUP, 0, MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
        sorted += ListText(list);
    }
    EXPECT_EQ("Ab|4|3|1|75\nb|8|1|7|13\nc|9|4|5|44\nb|8|1|7|13\nc|9|4|5|44\nAb|4|3|1|75\n"
              "Ab|4|3|1|75\nc|9|4|5|44\nb|8|1|7|13\n", sorted);
    // A double-click opens the history of the opponent at the selection mark
    // within the stored period.
    HistoryFilter.startOn = true, HistoryFilter.start = Day(2009, 5, 2);
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, 0);
    HWND opened = Opened("対戦履歴", [&] { SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 30)); });
    EXPECT_EQ("2009/06/01 00:00:00|me|霊夢|2|Ab|霊夢|0\n", ListText(GetDlgItem(opened, IDC_HISTORY_LIST)));
    // The menu's refresh reads the record again.
    Insert(stamp, 0, 2, 0, 0, "new");
    SendMessageA(table, WM_SYSCOMMAND, IDM_REFRESH_OPPONENTS, 0);
    EXPECT_EQ(4, ListView_GetItemCount(list));
}

TEST_F(Shortcuts, ListDialogWarnsAndEditsAWorkingCopyThatOkPutsIntoForce)
{
    std::string a = folder.File("a.db"), b = folder.File("b.db");
    WriteFileBytes(b, "");
    // Alt+F1 and F2; loading stops at the gap before Key3.
    ASSERT_NE(nullptr, StartWithKeys("Key0=4208\r\nPath0=" + a + "\r\nKey1=113\r\nPath1=" + b +
                                     "\r\nKey3=114\r\nPath3=" + b + "\r\n"));
    HWND dialog = OpenList();
    EXPECT_EQ(dialog, OpenList());  // while it is open, no second one
    // Add, with keys as the hot-key control holds them: each refused try's
    // warning, then one that passes (the taken key with Shift, an existing folder).
    const std::pair<WORD, std::string> tries[] = {
        {0, a}, {0x0470, a}, {0x0570, ""}, {0x0570, folder.File("missing.db")}, {0x0570, folder.Path()}};
    HWND edit = nullptr;
    std::vector<DialogAction> actions;
    for (const auto& next : tries)
        actions.push_back([&](HWND opened) {
            if (edit)  // the warning of the try before
                PostMessageA(opened, WM_COMMAND, IDOK, 0);
            SendDlgItemMessageA(edit = edit ? edit : opened, IDC_SHORTCUT_HOTKEY, HKM_SETHOTKEY, next.first, 0);
            SetDlgItemTextA(edit, IDC_SHORTCUT_PATH, next.second.c_str());
            PostMessageA(edit, WM_COMMAND, IDOK, 0);
            return 0;
        });
    std::string warnings;
    DialogAnswerer add(GetCurrentThreadId(), actions);
    Press(dialog, IDC_SHORTCUT_ADD);
    for (const DialogSeen& seen : add.Seen())
        warnings += seen.text + (seen.icon == LoadIconA(nullptr, IDI_EXCLAMATION) ? "!;" : ";");
    EXPECT_EQ("プロファイル;短縮キーを設定してください!;既に登録されているキーです!;プロファイルパスを指定してください!;"
              "存在するパスを指定してください!;", warnings);
    DialogAnswerer own(GetCurrentThreadId(), {IDOK});  // a row keeps its own key
    Press(dialog, IDC_SHORTCUT_EDIT, 1);
    EXPECT_EQ(1u, own.Seen().size());
    EXPECT_EQ("Alt + F1|" + a + "\nF2|" + b + "\nAlt + Shift + F1|" + folder.Path() + "\n",
              ListText(GetDlgItem(dialog, IDC_SHORTCUT_LIST)));
    EXPECT_EQ("4208=" + a + ";113=" + b + ";2", Loaded());
    Press(dialog, IDC_SHORTCUT_DELETE, 0);
    // The note key: no profile key (F2), two modifiers, none another program
    // holds; each refusal keeps the dialog and its rows.
    RegisterHotKey(nullptr, 7, MOD_CONTROL | MOD_ALT, 'J');
    std::string refused;
    for (WORD hotKey : {0x0071, 0x024D, 0x064A, 0x064D}) {  // F2, Ctrl+M, Ctrl+Alt+J, Ctrl+Alt+M
        DialogAnswerer answerer(GetCurrentThreadId(), {IDOK});
        SendDlgItemMessageA(dialog, IDC_SHORTCUT_NOTE_KEY, HKM_SETHOTKEY, hotKey, 0);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        for (const DialogSeen& seen : answerer.Stop())
            refused += seen.text + ";";
    }
    UnregisterHotKey(nullptr, 7);
    EXPECT_EQ("既に登録されているキーです;前の対戦相手のメモのキーは Ctrl、Alt、Shift のうち2つと組み合わせてください;"
              "ほかのプログラムが使用しているキーです;", refused);
    EXPECT_FALSE(RegisterHotKey(nullptr, 8, MOD_CONTROL | MOD_ALT, 'M'));  // the tool's now
    EXPECT_EQ("113=" + b + ";5232=" + folder.Path() + ";2", Loaded());
    // Cancel, also after a delete, changes nothing; the list in force reaches the file at exit.
    Press(dialog = OpenList(), IDC_SHORTCUT_DELETE, 0);
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    Stop();
    EXPECT_EQ("113|" + folder.Path() + "|<none>|6221", Setting("Shortcut", "Key0") + "|" + Setting("Shortcut", "Path1") +
                                                         "|" + Setting("Shortcut", "Key2") + "|" + Setting("Shortcut", "NoteKey"));

    // At most 32 load; at 32 rows Add opens nothing, at 31 the edit dialog.
    std::string pairs;
    for (int i = 0; i < 40; ++i)
        pairs += "Key" + std::to_string(i) + "=" + std::to_string(112 + i % 12) + "\r\nPath" + std::to_string(i) + "=p.db\r\n";
    ASSERT_NE(nullptr, StartWithKeys(pairs));
    EXPECT_EQ(32u, ShortcutList.count);
    dialog = OpenList();
    for (size_t opened : {0u, 1u}) {
        DialogAnswerer answerer(GetCurrentThreadId(), {IDCANCEL});
        Press(dialog, IDC_SHORTCUT_ADD);
        EXPECT_EQ(opened, answerer.Stop().size());
        Press(dialog, IDC_SHORTCUT_DELETE, 0);
    }
}

TEST_F(Shortcuts, BoundKeysSwitchTheRecordFromTheToolsWindows)
{
    std::string other = folder.File("other.db"), current = folder.File("Default.db");
    // Ctrl+F2, F3
    ASSERT_NE(nullptr, StartWithKeys("Key0=2161\r\nPath0=" + other + "\r\nKey1=114\r\nPath1=" + current + "\r\n"));
    auto press = [&](std::vector<BYTE> keys, const std::function<bool()>& done) {  // real input, let go in reverse
        SendMessageA(App.mainWindow, WM_COMMAND, ID_SHOW_STATS, 0);
        SetFocus(App.statsWindow);
        for (size_t i = 0; i < 2 * keys.size(); ++i)
            keybd_event(keys[i < keys.size() ? i : 2 * keys.size() - 1 - i], 0, i < keys.size() ? 0 : KEYEVENTF_KEYUP, 0);
        return PumpUntil(done, 5000, RunMessageLoop);
    };
    EXPECT_TRUE(press({VK_CONTROL, VK_F2}, [&] { return other == DatabasePath.data; }));
    EXPECT_TRUE(press({VK_F3}, [&] { return current == DatabasePath.data; }));
}

TEST_F(History, WindowSortsCountsCopiesGrowsAndOpensAtTheNewestMatch)
{
    for (int i = 0; i < 40; ++i)  // odd stored win counts, so that "10" sorts after "9"
        Insert(Day(2009, 5, 1) + i * MINUTE, 0, i == 1 ? 10 : i == 2 ? 9 : i % 3 == 0 ? 1 : 2, 0, i % 3 ? 0 : (i % 2) + 1);
    SYSTEMTIME now;
    GetLocalTime(&now);
    HWND window = Opened("対戦履歴", [&] { OpenHistoryWindow(stats); });
    HWND list = GetDlgItem(window, IDC_HISTORY_LIST), header = ListView_GetHeader(list);
    auto bottomShown = [&] { return ListView_GetTopIndex(list) + ListView_GetCountPerPage(list) >= 40; };
    EXPECT_TRUE(bottomShown() && ListView_GetTopIndex(list) > 0);
    SendMessageA(list, WM_KEYDOWN, VK_HOME, 0);
    EXPECT_FALSE(bottomShown());
    SendMessageA(list, WM_KEYDOWN, VK_END, 0);
    EXPECT_TRUE(bottomShown());
    // 1-1 (7 of the rows), 10-0 and 9-0 are neither won nor lost.
    char totals[200], time[40];
    GetDlgItemTextA(window, IDC_HISTORY_TOTALS, totals, sizeof totals);
    wsprintfA(time, "%d/%02d/%02d %02d:%02d 時点", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute);
    EXPECT_EQ("40 件  24勝 7敗  勝率 77.4%  " + std::string(time), totals);
    RECT r;  // by 1P勝 up, then down; ties in the order of time
    SendMessageA(header, HDM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&r));
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP})
        SendMessageA(header, message, message == WM_LBUTTONDOWN, MAKELPARAM((r.left + r.right) / 2, 5));
    EXPECT_EQ("1 2 4 5 7 ", Minutes(window).substr(0, 10));
    HDITEMA arrow = {};
    arrow.mask = HDI_FORMAT;
    EXPECT_TRUE(Header_GetItem(header, 3, &arrow) && (arrow.fmt & HDF_SORTDOWN));
    // Ctrl+C: the selected rows as shown, tab-separated.
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
    BYTE keys[256] = {};
    keys[VK_CONTROL] = 0x80, SetKeyboardState(keys);
    SendMessageA(list, WM_KEYDOWN, 'C', 0);
    keys[VK_CONTROL] = 0, SetKeyboardState(keys);
    EXPECT_EQ("2009/05/01 00:01:00\tme\t霊夢\t10\tyou\t霊夢\t0\r\n2009/05/01 00:04:00\tme\t霊夢\t2\tyou\t霊夢\t0\r\n",
              ClipboardText());
    // The list grows with the window; the columns keep their widths.
    RECT before, after;
    int width = (GetClientRect(list, &before), ListView_GetColumnWidth(list, 4));
    SetWindowPos(window, nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(list, &after);
    EXPECT_TRUE(after.right > before.right && after.bottom > before.bottom && width == ListView_GetColumnWidth(list, 4));
}

TEST_F(History, FilterDialogFindsAPartOfTheOpponentsNameAsStored)
{
    const char* names[] = {"ab%_c", "AB%_C", "abc", "a\\b", "\x83\x5c", "xb%_"};  // the 5th: ソ, trail byte '\'
    for (int i = 0; i < 6; ++i)
        Insert(Day(2009, 5, 1) + i * MINUTE, 0, 2, 0, 0, names[i]);
    auto find = [&](const char* part, bool limit) {
        return Minutes(Opened("対戦履歴", [&] {
            DialogAnswerer answerer(GetCurrentThreadId(), {[&](HWND filter) {
                SendDlgItemMessageA(filter, IDC_FILTER_OPPONENT_NAME_CHECK, BM_CLICK, 0, 0);
                SetDlgItemTextA(filter, IDC_FILTER_OPPONENT_NAME, part);
                SendDlgItemMessageA(filter, IDC_FILTER_COUNT_CHECK, limit ? BM_CLICK : WM_NULL, 0, 0);
                SetDlgItemTextA(filter, IDC_FILTER_COUNT, "1");
                return IDOK;
            }});
            SendMessageA(stats, WM_SYSCOMMAND, IDM_HISTORY, 0);
        }));
    };
    // Case as stored, '%' and '_' as themselves, only whole characters; the count after all that.
    EXPECT_EQ("0 5 |3 |3 ", find("b%_", false) + "|" + find("\\", false) + "|" + find("\\", true));
}
