// The statistics window from the real dialog resources, on real record files:
// its table, its system menu, its periods and the custom range dialog, the
// detail windows and profile loading.
#include "base/Messages.h"
#include "base/ProgramPaths.h"
#include "res/resource.h"
#include "store/ChangeHistory.h"
#include "store/RecordDatabase.h"
#include "store/RecordQueries.h"
#include "store/TimeStamp.h"
#include "support/DialogAnswerer.h"
#include "support/StatsFixture.h"
#include "support/StoreTestSupport.h"
#include "ui/shortcuts/ShortcutList.h"
#include "ui/stats/StatsTable.h"
#include "ui/stats/StatsWindow.h"
#include <commctrl.h>
#include <sqlite3.h>
#include <algorithm>
#include <sstream>

namespace {

const int64_t MS = 10000;
const int64_t START = 128752416000000000LL;  // 2009-01-01 00:00 local

// Ticks a check box of the custom range dialog as a click does.
void Click(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SetDay(HWND dialog, int picker, WORD mayDay)
{
    SYSTEMTIME date = {};
    date.wYear = 2009, date.wMonth = 5, date.wDay = mayDay;
    SendDlgItemMessageA(dialog, picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&date));
}

// Fills the custom range dialog with the opponent's name (null: unticked) and
// the first and last day in May 2009 (0: unticked), and presses OK.
DialogAction Range(const char* name, WORD first, WORD last)
{
    return [=](HWND dialog) {
        EXPECT_EQ("", CutTexts(dialog));
        if (name) {
            Click(dialog, IDC_RANGE_OPPONENT_CHECK);
            SetDlgItemTextA(dialog, IDC_RANGE_OPPONENT, name);
        }
        for (auto day : {std::make_pair(first, IDC_RANGE_START), std::make_pair(last, IDC_RANGE_END)})
            if (day.first) {
                Click(dialog, day.second - 1);  // the box's check sits just before it
                SetDay(dialog, day.second, day.first);
            }
        return IDOK;
    };
}

// Opens a window's system menu as Alt+Space does, without a right press, and
// closes it; then tells its undo and redo items: "u" and "r" enabled, "-" grey.
std::string UndoRedoAfterKeyboardMenu(HWND window, UINT undo, UINT redo)
{
    // The menu loop takes these from the queue once it runs.
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    PumpMessages(20);
    HMENU menu = GetSystemMenu(window, FALSE);
    return std::string(GetMenuState(menu, undo, MF_BYCOMMAND) & MF_GRAYED ? "-" : "u") +
           (GetMenuState(menu, redo, MF_BYCOMMAND) & MF_GRAYED ? "-" : "r");
}

std::string DateText(int64_t stamp)
{
    SYSTEMTIME day;
    FileTimeToSystemTime(reinterpret_cast<const FILETIME*>(&stamp), &day);
    char text[32];
    wsprintfA(text, "%d/%02d/%02d", day.wYear, day.wMonth, day.wDay);
    return text;
}

class StatsWindow : public StatsFixture {
protected:
    int64_t nextStamp = START;

    // Appends matches, newest last, against opponent characters that change
    // from match to match.
    void Add(int32_t p1id, int32_t p1win, int32_t p2win, int count = 1)
    {
        for (int i = 0; i < count; ++i, nextStamp += MS)
            Insert(nextStamp, p1id, p1win, static_cast<int32_t>((nextStamp - START) / MS * 7 % 20), p2win);
    }
    void Win(int32_t p1id, int count = 1) { Add(p1id, 2, 1, count); }
    void Lose(int32_t p1id, int count = 1) { Add(p1id, 0, 2, count); }
    std::string Rows(int first, int last, HWND window = nullptr)
    {
        return ListText(GetDlgItem(window ? window : stats, IDC_STATS_LIST), first, last);
    }
    void Menu(UINT id) { SendMessageA(stats, WM_SYSCOMMAND, id, 0); }
    // The period items' check marks: all, today, yesterday, custom.
    std::string PeriodChecks()
    {
        std::string checks;
        for (UINT id = IDM_PERIOD_FIRST; id <= IDM_PERIOD_CUSTOM; ++id)
            checks += GetMenuState(GetSystemMenu(stats, FALSE), id, MF_BYCOMMAND) & MF_CHECKED ? "x" : "-";
        return checks;
    }
    // Chooses "カスタム対戦" and lets the action fill the dialog; returns what it saw.
    std::vector<DialogSeen> Custom(DialogAction action)
    {
        DialogAnswerer answerer(GetCurrentThreadId(), {action});
        Menu(IDM_PERIOD_CUSTOM);
        return answerer.Seen();
    }
    // A real double-click, left or right, on a cell of a detail window's list.
    void ClickCell(HWND detail, int row, int column, bool right = false)
    {
        HWND list = GetDlgItem(detail, IDC_STATS_LIST);
        RECT cell = {LVIR_BOUNDS, column, 0, 0};
        SendMessageA(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
        POINT at = {column == 0 ? cell.left + 20 : (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
        POINT screen = at;
        ClientToScreen(list, &screen);
        SetCursorPos(screen.x, screen.y);
        SendMessageA(list, right ? WM_RBUTTONDBLCLK : WM_LBUTTONDBLCLK, right ? MK_RBUTTON : MK_LBUTTON,
                     MAKELPARAM(at.x, at.y));
        PumpMessages(20);
    }
    std::vector<std::string> DetailTitles()
    {
        std::vector<std::string> titles;
        for (HWND detail : Owned("詳細"))
            titles.push_back(Title(detail));
        std::sort(titles.begin(), titles.end());
        return titles;
    }
};

// Every stored match, newest first, as "p1name p1id p1win p2name p2id p2win;".
std::string Stored()
{
    return QueryText(RecordConnection(), "SELECT group_concat(p1name||' '||p1id||' '||p1win||' '||p2name||' '||p2id"
                                         "||' '||p2win, ';') FROM (SELECT * FROM vaviradudiz123 ORDER BY timestamp DESC)");
}

}  // namespace

TEST_F(StatsWindow, CountsRoundWinRatesAndTheNewestMatches)
{
    Win(0);
    Lose(0, 7);  // 1 in 8: 12.5 -> 13
    Win(1, 2);
    Lose(1);  // 2 in 3: 66.7 -> 67
    Add(3, 1, 1);  // neither side won: counts nowhere
    Win(4, 40);  // then 30 newer losses: the last 30 hold only those
    Lose(4, 30);
    Win(7, 35);  // newest of all
    Open();
    EXPECT_EQ("霊夢|8|1|7|13%|(13%)\n魔理沙|3|2|1|67%|(67%)\n咲夜|0|0|0|0%|(0%)\nアリス|0|0|0|0%|(0%)\n"
              "パチュリー|70|40|30|57%|(0%)\n妖夢|0|0|0|0%|(0%)\nレミリア|0|0|0|0%|(0%)\n幽々子|35|35|0|100%|(100%)\n",
              Rows(0, 7));
    EXPECT_EQ("|||||\n総合|116|78|38|67%|\n過去30戦|30|30|0|100%|\n過去50戦|50|35|15|70%|\n過去100戦|100|70|30|70%|\n",
              Rows(20, 24));
}

TEST_F(StatsWindow, SkippedQueriesOfUnplayedCharactersChangeNoRow)
{
    // Three characters played, one of them only in undecided matches.
    Win(2, 45);
    Lose(14, 12);
    Add(7, 1, 0, 5);
    RecordFilter all = {};
    StatsRow rows[STATS_ROW_COUNT];
    BeginTransaction();
    ASSERT_EQ(STATS_QUERY_COUNT, ComputeStatsRows(&all, rows));
    EndTransaction(false);
    std::string recent;  // each character's last 30, wins-losses
    for (int32_t id = 0; id < 20; ++id)
        recent += std::to_string(rows[id].recentWins) + "-" + std::to_string(rows[id].recentLosses) + ",";
    EXPECT_EQ("0-0,0-0,30-0,0-0,0-0,0-0,0-0,0-0,0-0,0-0,0-0,0-0,0-0,0-0,0-12,0-0,0-0,0-0,0-0,0-0,", recent);
}

TEST_F(StatsWindow, BadCharacterIdShowsTheFailureAndKeepsCells)
{
    Win(0, 3);
    Open();
    Add(20, 2, 0);  // a character the table does not know
    Win(0);
    DialogAnswerer answerer(GetCurrentThreadId(), {IDOK});
    RefreshStatsWindow(stats);
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ("戦績表示の更新に失敗しました", answerer.Seen()[0].text);
    EXPECT_EQ(LoadIconA(nullptr, IDI_HAND), answerer.Seen()[0].icon);
    EXPECT_EQ("霊夢|3|3|0|100%|(100%)\n", Rows(0, 0));
    EXPECT_NE(0, sqlite3_get_autocommit(RecordConnection()));  // rolled back, nothing left open
}

TEST_F(StatsWindow, ChangesRefreshUndoAndRedoGreyAndTheCloseBoxOnlyHides)
{
    Open();
    MatchRecord record = {START, "me", 6, 2, "you", 9, 0};
    BeginTransaction();
    ASSERT_TRUE(InsertRecord(&record));
    ASSERT_TRUE(EndTransaction(false));
    PostMessageA(stats, WM_RECORDCHANGED, 0, 0);
    PumpMessages(50);
    EXPECT_EQ("レミリア|1|1|0|100%|(100%)\n", Rows(6, 6));
    RecordChange(CHANGE_INSERTED, &record);
    HMENU menu = GetSystemMenu(stats, FALSE);
    auto state = [&] {
        return std::string(GetMenuState(menu, IDM_UNDO, MF_BYCOMMAND) & MF_GRAYED ? "-" : "u") +
               (GetMenuState(menu, IDM_REDO, MF_BYCOMMAND) & MF_GRAYED ? "-" : "r");
    };
    auto greying = [&] {
        // The system waits for the release before anything else.
        PostMessageA(stats, WM_RBUTTONUP, 0, 0);
        SendMessageA(stats, WM_NCRBUTTONDOWN, HTCAPTION, 0);
        return state();
    };
    EXPECT_EQ("u-", greying());
    Menu(IDM_UNDO);
    EXPECT_EQ("レミリア|0|0|0|0%|(0%)\n", Rows(6, 6));
    EXPECT_EQ("-r", greying());
    Menu(IDM_UNDO);  // nothing left: the record stays, the refresh runs
    Menu(IDM_REDO);
    EXPECT_EQ("レミリア|1|1|0|100%|(100%)\n", Rows(6, 6));
    EXPECT_EQ("u-", greying());
    SendMessageA(stats, WM_NCRBUTTONDOWN, HTCLIENT, 0);  // elsewhere: no update
    Menu(IDM_UNDO);
    EXPECT_EQ("u-", state());

    ShowWindow(stats, SW_SHOW);
    EXPECT_EQ("-r", UndoRedoAfterKeyboardMenu(stats, IDM_UNDO, IDM_REDO));
    Menu(SC_CLOSE);
    EXPECT_TRUE(IsWindow(stats));
    EXPECT_FALSE(IsWindowVisible(stats));
}

TEST_F(StatsWindow, PeriodsCountWholeDaysCustomRangesAndDetailWindowsKeepTheirPeriod)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    int64_t today, todayEnd;
    GetDayBounds(&now, &today, &todayEnd);
    Insert(today, 1, 2, 3, 0);                       // 00:00:00.000 today
    Insert(today - MS, 2, 2, 3, 0);                  // 23:59:59.999 yesterday
    Insert(today - DAY_TICKS, 4, 2, 3, 0);       // 00:00:00.000 yesterday
    Insert(today - DAY_TICKS - MS, 5, 2, 3, 0);  // the day before
    Insert(Day(2009, 5, 1) + 5 * MS, 0, 2, 0, 0, "rival");
    Insert(Day(2009, 5, 2), 0, 2, 0, 0, "");
    Insert(Day(2009, 5, 3) - MS, 0, 0, 0, 2, "rival");  // the last millisecond of 05/02
    Insert(Day(2009, 5, 3), 0, 2, 0, 0, "other");
    Open();
    HMENU menu = GetSystemMenu(stats, FALSE);
    std::string entries;
    for (int position = 0; position < 15; ++position) {
        char text[64] = "";
        GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
        std::ostringstream entry;
        entry << std::hex << GetMenuItemID(menu, position) << " " << text << "\n";
        entries += GetMenuItemID(menu, position) ? entry.str() : "-\n";
    }
    // Its own entries stand ahead of the system's.
    EXPECT_EQ("b000 プロファイルを読み込む\n-\nd000 全ての対戦\nd001 今日の対戦\nd002 昨日の対戦\n"
              "d003 カスタム対戦\n-\nc000 元に戻す\nc001 やり直し\n-\ne000 相手プロファイル表\n"
              "e001 過去対戦履歴表\n-\ne010 クリップボードに送る\n-\n",
              entries);
    EXPECT_EQ("x---|総合|8|7|1|88%|\n", PeriodChecks() + "|" + Rows(21, 21));

    Insert(today + MS, 1, 0, 3, 2);
    Menu(IDM_PERIOD_FIRST + PERIOD_ALL);  // the current period: not even a refresh
    EXPECT_EQ("総合|8|7|1|88%|\n", Rows(21, 21));
    Menu(IDM_PERIOD_FIRST + PERIOD_TODAY);
    EXPECT_EQ("-x--|魔理沙|2|1|1|50%|(50%)\n咲夜|0|0|0|0%|(0%)\n総合|2|1|1|50%|\n",
              PeriodChecks() + "|" + Rows(1, 2) + Rows(21, 21));
    Menu(IDM_PERIOD_FIRST + PERIOD_YESTERDAY);
    EXPECT_EQ("--x-|魔理沙|0|0|0|0%|(0%)\n咲夜|1|1|0|100%|(100%)\n総合|2|2|0|100%|\n",
              PeriodChecks() + "|" + Rows(1, 2) + Rows(21, 21));

    // A detail window keeps counting its own day: a match added now is not in it.
    DoubleClickRow(4);
    ASSERT_EQ(1u, Owned("詳細").size());
    HWND detail = Owned("詳細")[0];
    EXPECT_EQ("アリス|1|1|0|100%|(100%)\n", Rows(3, 3, detail));
    ClickCell(detail, 3, 3);
    EXPECT_EQ("アリス|1|1|0|100%|(100%)\n", Rows(3, 3, detail));
    EXPECT_EQ("2", QueryText(RecordConnection(), "SELECT count(*) FROM vaviradudiz123 WHERE p1id = 4"));

    // Custom ranges: a start after the end is refused, a name typed and
    // unticked again counts for nothing, and the last day counts to its end.
    std::string state;
    std::vector<DialogSeen> warnings;
    std::vector<DialogSeen> seen = Custom([&](HWND dialog) {
        auto enabled = [&] {
            state += " ";
            for (int id = IDC_RANGE_OPPONENT_CHECK; id <= IDC_RANGE_END; ++id)
                state += IsWindowEnabled(GetDlgItem(dialog, id)) ? "e" : "-";
        };
        enabled();
        for (int id : {IDC_RANGE_OPPONENT_CHECK, IDC_RANGE_START_CHECK, IDC_RANGE_END_CHECK})
            Click(dialog, id);
        enabled();
        HWND edit = GetDlgItem(dialog, IDC_RANGE_OPPONENT);
        for (char c : std::string("abcdefghijklmnopqrst"))
            SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 0);
        char typed[64];
        GetWindowTextA(edit, typed, sizeof typed);
        Click(dialog, IDC_RANGE_OPPONENT_CHECK);  // a second click unticks it
        state += std::string(" ") + (IsWindowEnabled(edit) ? "e " : "- ") + typed;
        SetDay(dialog, IDC_RANGE_START, 2);
        SetDay(dialog, IDC_RANGE_END, 1);
        DialogAnswerer warning(GetWindowThreadProcessId(dialog, nullptr), {IDOK});
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        warnings = warning.Seen();
        state += IsWindow(dialog) ? " open" : " closed";
        SetDay(dialog, IDC_RANGE_END, 2);
        return IDOK;
    });
    ASSERT_EQ(1u, warnings.size());
    EXPECT_EQ("始点は終点より前にしてください", warnings[0].text);
    EXPECT_EQ(LoadIconA(nullptr, IDI_EXCLAMATION), warnings[0].icon);
    EXPECT_EQ(" e-e-e- eeeeee - abcdefghijklmnop open", state);
    EXPECT_EQ("---x|総合|2|1|1|50%|\n", PeriodChecks() + "|" + Rows(21, 21));
    struct Case {
        const char* name;
        WORD first, last;
        const char* overall;
    } cases[] = {
        {nullptr, 0, 2, "総合|3|2|1|67%|\n"},
        {"", 0, 0, "総合|2|1|1|50%|\n"},  // the matches without a name: 05/02's and the one added by hand
        {"rival", 2, 2, "総合|1|0|1|0%|\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(1u, Custom(Range(c.name, c.first, c.last)).size());
        EXPECT_EQ(std::string("---x|") + c.overall, PeriodChecks() + "|" + Rows(21, 21)) << c.name << c.last;
    }
    DoubleClickRow(0);
    EXPECT_EQ((std::vector<std::string>{"詳細 - 2009/05/02から2009/05/02まで1P(霊夢) 2P[rival] ",
                                        "詳細 - " + DateText(today - MS) + "から" + DateText(today - MS) +
                                            "まで1P(パチュリー) "}),
              DetailTitles());

    // The dialog starts clear every time; Cancel keeps the period and its mark.
    Menu(IDM_PERIOD_FIRST + PERIOD_YESTERDAY);
    state.clear();
    Custom([&](HWND dialog) {
        for (int id = IDC_RANGE_OPPONENT_CHECK; id <= IDC_RANGE_END; ++id)
            state += IsWindowEnabled(GetDlgItem(dialog, id)) ? "e" : "-";
        for (int id : {IDC_RANGE_OPPONENT_CHECK, IDC_RANGE_START_CHECK, IDC_RANGE_END_CHECK})
            state += IsDlgButtonChecked(dialog, id) ? "x" : "-";
        return IDCANCEL;
    });
    EXPECT_EQ("e-e-e---- --x-|総合|2|2|0|100%|\n", state + " " + PeriodChecks() + "|" + Rows(21, 21));
}

TEST_F(StatsWindow, ProfileLoadsSwitchTheRecordOrChangeNothing)
{
    Win(3, 2);
    Open();
    EXPECT_FALSE(IsWindowVisible(stats));
    EXPECT_EQ("Vantory Rev.4 autorun - Default", Title(stats));
    HWND list = GetDlgItem(stats, IDC_STATS_LIST);
    DWORD style = static_cast<DWORD>(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(static_cast<DWORD>(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
              style & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));
    MatchRecord record = {START - MS, "me", 3, 2, "you", 1, 0};
    RecordChange(CHANGE_INSERTED, &record);
    RecordChange(CHANGE_INSERTED, &record);
    ASSERT_TRUE(UndoChange());  // one entry in each list
    HWND popup = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_SYSMENU, 0, 0, 10, 10, stats, nullptr, nullptr, nullptr);
    HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, stats, nullptr, nullptr, nullptr);

    // Not a database, through a shortcut: nothing changes, the user is told.
    std::string notes = folder.File("notes.db");
    WriteFileBytes(notes, std::string(2048, 'n'));
    ShortcutEntry entry = {};
    lstrcpyA(entry.path, notes.c_str());
    ShortcutList.Append(entry);
    {
        DialogAnswerer answerer(GetCurrentThreadId(), {IDOK});
        SendMessageA(stats, WM_COMMAND, ID_SHORTCUT_FIRST, 0);
        ASSERT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ("プロファイルのマッピングに失敗しました。", answerer.Seen()[0].text);
        EXPECT_EQ(LoadIconA(nullptr, IDI_HAND), answerer.Seen()[0].icon);
    }
    EXPECT_EQ(folder.File("Default.db"), DatabasePath.data);
    EXPECT_EQ("Vantory Rev.4 autorun - Default", Title(stats));
    EXPECT_EQ("アリス|2|2|0|100%|(100%)\n", Rows(3, 3));
    EXPECT_TRUE(IsWindow(popup));
    EXPECT_EQ(std::string(2048, 'n'), ReadFileBytes(notes));
    EXPECT_EQ(1u, UndoList.count);
    EXPECT_EQ(1u, RedoList.count);

    // A new name through the file chooser creates an empty record.
    std::string fresh = folder.File("新しい.db");
    {
        DialogAnswerer answerer(GetCurrentThreadId(), {[&](HWND chooser) {
                                                           SetDlgItemTextA(chooser, 0x47C, fresh.c_str());  // the file name box
                                                           return IDOK;
                                                       },
                                                       [](HWND) { return IDYES; }});
        Menu(IDM_LOAD_PROFILE);
        EXPECT_EQ(2u, answerer.Seen().size());
    }
    EXPECT_EQ(fresh, DatabasePath.data);
    EXPECT_TRUE(FileExists(fresh));
    EXPECT_EQ("Vantory Rev.4 autorun - 新しい", Title(stats));
    std::string empty;
    std::istringstream names("霊夢,魔理沙,咲夜,アリス,パチュリー,妖夢,レミリア,幽々子,紫,萃香,鈴仙,文,小町,衣玖,天子,"
                             "早苗,チルノ,美鈴,空,諏訪子");
    for (std::string name; std::getline(names, name, ',');)
        empty += name + "|0|0|0|0%|(0%)\n";
    EXPECT_EQ(empty + "|||||\n総合|0|0|0|0%|\n過去30戦|0|0|0|0%|\n過去50戦|0|0|0|0%|\n過去100戦|0|0|0|0%|\n",
              Rows(0, -1));
    EXPECT_EQ(0u, UndoList.count + RedoList.count);
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_TRUE(IsWindow(child));

    // A shortcut beyond the list, or beyond the 32 ids, is ignored.
    SendMessageA(stats, WM_COMMAND, ID_SHORTCUT_FIRST + 1, 0);
    SendMessageA(stats, WM_COMMAND, ID_SHORTCUT_LAST + 1, 0);
    EXPECT_EQ(fresh, DatabasePath.data);
}

TEST_F(StatsWindow, ClipboardCopyPadsEveryFieldByBytes)
{
    Win(10, 12);
    Open();
    SetClipboardText("before");
    Menu(IDM_COPY_TABLE);
    std::string text = ClipboardText();
    std::vector<std::string> lines;
    for (size_t at = 0, end; at < text.size(); at = end + 2) {
        end = text.find("\r\n", at);
        ASSERT_NE(std::string::npos, end);  // every line ends with CR LF
        lines.push_back(text.substr(at, end - at));
    }
    ASSERT_EQ(26u, lines.size());
    // Fields of 11 and 7 bytes; a double-byte character takes two.
    auto spaces = [](int n) { return std::string(n, ' '); };
    EXPECT_EQ("名前" + spaces(8) + "対戦数" + spaces(5) + "勝" + spaces(5) + "負" + spaces(3) + "勝率" + spaces(1) +
                  "過去30\n霊夢" + spaces(13) + "0" + spaces(6) + "0" + spaces(6) + "0" + spaces(5) + "0%" +
                  spaces(3) + "(0%)\n鈴仙" + spaces(12) + "12" + spaces(5) + "12" + spaces(6) + "0" + spaces(3) +
                  "100%" + spaces(1) + "(100%)\n" + spaces(11 + 5 * 7) + "\n過去100戦" + spaces(7) + "12" +
                  spaces(5) + "12" + spaces(6) + "0" + spaces(3) + "100%" + spaces(7),
              lines[0] + "\n" + lines[1] + "\n" + lines[11] + "\n" + lines[21] + "\n" + lines[25]);
}

TEST_F(StatsWindow, PositionIsSavedOnDestroyAndRestoredOnlyFromBothKeys)
{
    auto setting = [](const char* key) {
        char text[64];
        GetPrivateProfileStringA("QIBDlg.Display", key, "<none>", text, sizeof text, SettingsPath.data);
        return std::string(text);
    };
    Open();
    RECT centred, placed;
    GetWindowRect(stats, &centred);
    DestroyStatsWindow(stats, true);  // never shown: saved all the same
    EXPECT_EQ(std::to_string(centred.left) + "," + std::to_string(centred.top), setting("X") + "," + setting("Y"));

    WritePrivateProfileStringA("QIBDlg.Display", "X", "-30", SettingsPath.data);
    WritePrivateProfileStringA("QIBDlg.Display", "Y", nullptr, SettingsPath.data);
    Open();
    GetWindowRect(stats, &placed);
    EXPECT_EQ(centred.left, placed.left);  // only X: stays centred
    DestroyStatsWindow(stats, false);  // a refused start writes nothing
    EXPECT_EQ("<none>", setting("Y"));

    WritePrivateProfileStringA("QIBDlg.Display", "Y", "7", SettingsPath.data);
    Open();
    GetWindowRect(stats, &placed);
    EXPECT_EQ("-30,7", std::to_string(placed.left) + "," + std::to_string(placed.top));
}

TEST_F(StatsWindow, CharacterRowsOpenDetailWindowsForCorrectionsByHandWithUndo)
{
    Insert(START, 0, 0, 3, 2, "");
    Insert(START + MS, 0, 1, 3, 2);
    Open();
    for (int row : {20, 21, 24, -1})
        EXPECT_EQ(1, DoubleClickRow(row)) << row;
    EXPECT_EQ(0u, Owned().size());
    DoubleClickRow(0);
    DoubleClickRow(0);  // one more window each time
    EXPECT_EQ((std::vector<std::string>{"詳細 - 1P(霊夢) ", "詳細 - 1P(霊夢) "}), DetailTitles());
    HWND detail = Owned("詳細")[0];
    EXPECT_EQ("アリス|2|0|2|0%|(0%)\n", Rows(3, 3, detail));
    EXPECT_EQ("--", UndoRedoAfterKeyboardMenu(detail, IDM_DETAIL_UNDO, IDM_DETAIL_REDO));

    for (int column : {0, 1, 4, 5})
        ClickCell(detail, 3, column);
    ClickCell(detail, 3, 2);  // "勝": one more won match against アリス
    EXPECT_EQ(" 0 2  3 0;me 0 1 you 3 2;me 0 0  3 2", Stored());
    EXPECT_EQ("アリス|3|1|2|33%|(33%)\n", Rows(3, 3, detail));
    EXPECT_EQ("霊夢|3|1|2|33%|(33%)\n", Rows(0, 0));  // the statistics window was told
    EXPECT_EQ(1u, UndoList.count);

    ClickCell(detail, 5, 3, true);  // no lost match against 妖夢: nothing
    ClickCell(detail, 3, 3, true);  // the newest lost match goes, names and all
    EXPECT_EQ(" 0 2  3 0;me 0 0  3 2", Stored());
    EXPECT_EQ("アリス|2|1|1|50%|(50%)\n", Rows(3, 3, detail));
    SendMessageA(detail, WM_SYSCOMMAND, IDM_DETAIL_UNDO, 0);
    EXPECT_EQ(" 0 2  3 0;me 0 1 you 3 2;me 0 0  3 2", Stored());
    EXPECT_EQ("アリス|3|1|2|33%|(33%)\n", Rows(3, 3, detail));
    PumpMessages(20);
    EXPECT_EQ("霊夢|3|1|2|33%|(33%)\n", Rows(0, 0));

    // A time stamp already taken: nothing is added, the lists stay.
    BeginTransaction();
    for (int64_t stamp = CurrentTimestamp() / MS * MS, i = 0; i < 4000; ++i)
        Insert(stamp + i * MS, 9, 0, 9, 0);
    EndTransaction(false);
    uint32_t undo = UndoList.count, redo = RedoList.count;
    ClickCell(detail, 3, 2);
    EXPECT_EQ("アリス|3|1|2|33%|(33%)\n", Rows(3, 3, detail));
    EXPECT_EQ(undo, UndoList.count);
    EXPECT_EQ(redo, RedoList.count);

    SendMessageA(detail, WM_SYSCOMMAND, IDM_DETAIL_COPY, 0);
    std::string copied = ClipboardText();
    EXPECT_EQ(21, std::count(copied.begin(), copied.end(), '\n'));
    EXPECT_EQ(0u, copied.find("名前"));
    SendMessageA(detail, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(detail));
}
