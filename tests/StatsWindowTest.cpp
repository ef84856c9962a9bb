// The statistics window from the real dialog resources, on real record files:
// its table, its system menu, the custom range dialog and profile loading.
#include "base/Messages.h"
#include "base/ProgramPaths.h"
#include "res/resource.h"
#include "store/ChangeHistory.h"
#include "store/RecordDatabase.h"
#include "store/RecordQueries.h"
#include "store/TimeStamp.h"
#include "support/DialogAnswerer.h"
#include "support/StoreTestSupport.h"
#include "support/TestSupport.h"
#include "ui/shortcuts/ShortcutList.h"
#include "ui/stats/StatsTable.h"
#include "ui/stats/StatsWindow.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <algorithm>
#include <sstream>

namespace {

const int64_t MS = 10000;
const int64_t START = 128752416000000000LL;  // 2009-01-01 00:00 local

BOOL CALLBACK CollectWindow(HWND window, LPARAM context)
{
    reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}

class StatsWindow : public testing::Test {
protected:
    TempFolder folder;
    SettingsFileScope settings{folder.File("vty.ini")};
    HWND window = nullptr;
    int64_t nextStamp = START;

    void SetUp() override
    {
        ASSERT_TRUE(SetDatabasePath(folder.File("Default.db").c_str()));
        ASSERT_TRUE(OpenRecordDatabase());
    }
    void TearDown() override
    {
        if (window && IsWindow(window))
            DestroyWindow(window);
        CloseRecordDatabase();
        UndoList.Clear();
        RedoList.Clear();
        ShortcutList.Clear();
    }

    void Insert(int64_t stamp, int32_t p1id, int32_t p1win, int32_t p2id, int32_t p2win, const char* p2name = "you")
    {
        char* sql = sqlite3_mprintf("INSERT INTO vaviradudiz123 VALUES(%lld,'me',%d,%d,%Q,%d,%d)", stamp, p1id, p1win,
                                    p2name, p2id, p2win);
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(RecordConnection(), sql, nullptr, nullptr, nullptr));
        sqlite3_free(sql);
    }
    // Appends matches, newest last, against opponent characters that change
    // from match to match.
    void Add(int32_t p1id, int32_t p1win, int32_t p2win, int count = 1)
    {
        for (int i = 0; i < count; ++i, nextStamp += MS)
            Insert(nextStamp, p1id, p1win, static_cast<int32_t>((nextStamp - START) / MS * 7 % 20), p2win);
    }
    void Win(int32_t p1id, int count = 1) { Add(p1id, 2, 1, count); }
    void Lose(int32_t p1id, int count = 1) { Add(p1id, 0, 2, count); }

    std::string ReadSetting(const char* section, const char* key)
    {
        char text[64];
        GetPrivateProfileStringA(section, key, "<none>", text, sizeof text, SettingsPath.data);
        return text;
    }
    void Open()
    {
        window = CreateStatsWindow(GetModuleHandleA(nullptr));
        ASSERT_NE(nullptr, window);
    }
    HWND List() { return GetDlgItem(window, IDC_STATS_LIST); }
    void Menu(UINT id) { SendMessageA(window, WM_SYSCOMMAND, id, 0); }
    std::string Cell(int row, int column)
    {
        char text[64] = "";
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(List(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        return text;
    }
    // Columns 1 to 5 of a row, joined by "|".
    std::string Row(int row)
    {
        std::string line;
        for (int column = 1; column <= 5; ++column)
            line += (column > 1 ? "|" : "") + Cell(row, column);
        return line;
    }
    std::string Title()
    {
        char text[300];
        GetWindowTextA(window, text, sizeof text);
        return text;
    }
    // The period items' check marks: all, today, yesterday, custom.
    std::string PeriodChecks()
    {
        std::string checks;
        for (UINT id = IDM_PERIOD_FIRST; id <= IDM_PERIOD_CUSTOM; ++id)
            checks += GetMenuState(GetSystemMenu(window, FALSE), id, MF_BYCOMMAND) & MF_CHECKED ? "x" : "-";
        return checks;
    }
    // Chooses "カスタム対戦" and lets action fill the dialog; returns what it saw.
    std::vector<DialogSeen> Custom(std::vector<DialogAction> actions)
    {
        // Windows already open (detail windows) are not the dialog.
        std::vector<HWND> open;
        EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&open));
        DialogAnswerer answerer(GetCurrentThreadId(), std::move(actions), 15000, open);
        Menu(IDM_PERIOD_CUSTOM);
        return answerer.Seen();
    }
};

// Ticks a check box of the custom range dialog as a click does.
void Click(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SetDay(HWND dialog, int picker, WORD year, WORD month, WORD day)
{
    SYSTEMTIME date = {};
    date.wYear = year;
    date.wMonth = month;
    date.wDay = day;
    SendDlgItemMessageA(dialog, picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&date));
}

// The first day of the custom range as the record stores days.
int64_t Day(WORD year, WORD month, WORD day)
{
    SYSTEMTIME date = {};
    date.wYear = year;
    date.wMonth = month;
    date.wDay = day;
    return TimestampFromLocalTime(&date);
}

}  // namespace

TEST_F(StatsWindow, EmptyRecordShowsZerosUnderTheColumnsAndLabels)
{
    Open();
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ("Vantory Rev.4 autorun - Default", Title());
    ASSERT_EQ(25, SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0));
    std::string labels;
    for (int row = 0; row < 25; ++row) {
        labels += Cell(row, 0) + ",";
        EXPECT_EQ(row < 20 ? "0|0|0|0%|(0%)" : row == 20 ? "||||" : "0|0|0|0%|", Row(row)) << row;
    }
    EXPECT_EQ("霊夢,魔理沙,咲夜,アリス,パチュリー,妖夢,レミリア,幽々子,紫,萃香,鈴仙,文,小町,衣玖,天子,早苗,チルノ,"
              "美鈴,空,諏訪子,,総合,過去30戦,過去50戦,過去100戦,",
              labels);
    DWORD style = static_cast<DWORD>(SendMessageA(List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(static_cast<DWORD>(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
              style & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));
}

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
    EXPECT_EQ("8|1|7|13%|(13%)", Row(0));
    EXPECT_EQ("3|2|1|67%|(67%)", Row(1));
    EXPECT_EQ("0|0|0|0%|(0%)", Row(3));
    EXPECT_EQ("70|40|30|57%|(0%)", Row(4));
    EXPECT_EQ("35|35|0|100%|(100%)", Row(7));
    EXPECT_EQ("116|78|38|67%|", Row(21));
    EXPECT_EQ("30|30|0|100%|", Row(22));
    EXPECT_EQ("50|35|15|70%|", Row(23));
    EXPECT_EQ("100|70|30|70%|", Row(24));
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
    // Each character's last 30 as the full query counts them.
    for (int32_t id = 0; id < 20; ++id) {
        RecordFilter recent = {};
        recent.flags = FILTER_P1ID | FILTER_LIMIT;
        recent.p1id = id;
        recent.limit = 30;
        ASSERT_TRUE(QueryPairTotals(&recent));
        int32_t wins = 0, losses = 0;
        for (int32_t p2id = 0; p2id < 20; ++p2id) {
            wins += PairTotals[id * 20 + p2id].wins;
            losses += PairTotals[id * 20 + p2id].losses;
        }
        EXPECT_EQ(std::to_string(wins) + "-" + std::to_string(losses),
                  std::to_string(rows[id].recentWins) + "-" + std::to_string(rows[id].recentLosses))
            << id;
    }
    EndTransaction(false);
    EXPECT_EQ(30, rows[2].recentWins);
    EXPECT_EQ(12, rows[14].recentLosses);
}

TEST_F(StatsWindow, BadCharacterIdShowsTheFailureAndKeepsCells)
{
    Win(0, 3);
    Open();
    Add(20, 2, 0);  // a character the table does not know
    Win(0);
    DialogAnswerer answerer(GetCurrentThreadId(), {IDOK});
    RefreshStatsWindow(window);
    const std::vector<DialogSeen>& seen = answerer.Seen();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("戦績表示の更新に失敗しました", seen[0].text);
    EXPECT_EQ(SystemIcon(IDI_HAND), seen[0].icon);
    EXPECT_EQ("3|3|0|100%|(100%)", Row(0));
    EXPECT_NE(0, sqlite3_get_autocommit(RecordConnection()));  // rolled back, nothing left open
}

TEST_F(StatsWindow, RecordChangedMessageRefreshesAndTheCloseBoxOnlyHides)
{
    Open();
    Win(9, 2);
    PostMessageA(window, WM_RECORDCHANGED, 0, 0);
    PumpMessages(50);
    EXPECT_EQ("2|2|0|100%|(100%)", Row(9));
    ShowWindow(window, SW_SHOW);
    Menu(SC_CLOSE);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
}

TEST_F(StatsWindow, SystemMenuEntriesStandAheadOfTheSystemsOwn)
{
    Open();
    HMENU menu = GetSystemMenu(window, FALSE);
    std::string entries;
    for (int position = 0; position < 15; ++position) {
        char text[64] = "";
        GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
        std::ostringstream entry;
        entry << std::hex << GetMenuItemID(menu, position) << (text[0] ? " " : "") << text << "\n";
        entries += GetMenuItemID(menu, position) ? entry.str() : "-\n";
    }
    EXPECT_EQ("b000 プロファイルを読み込む\n-\nd000 全ての対戦\nd001 今日の対戦\nd002 昨日の対戦\n"
              "d003 カスタム対戦\n-\nc000 元に戻す\nc001 やり直し\n-\ne000 相手プロファイル表\n"
              "e001 過去対戦履歴表\n-\ne010 クリップボードに送る\n-\n",
              entries);
    EXPECT_EQ("x---", PeriodChecks());
}

TEST_F(StatsWindow, PeriodsCountWholeDaysAndTheCurrentPeriodDoesNothing)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    int64_t today, todayEnd;
    GetDayBounds(&now, &today, &todayEnd);
    Insert(today, 1, 2, 3, 0);                       // 00:00:00.000 today
    Insert(today - MS, 2, 2, 3, 0);                  // 23:59:59.999 yesterday
    Insert(today - TIMESTAMP_DAY, 4, 2, 3, 0);       // 00:00:00.000 yesterday
    Insert(today - TIMESTAMP_DAY - MS, 5, 2, 3, 0);  // the day before
    Open();
    EXPECT_EQ("4|4|0|100%|", Row(21));

    Insert(today + MS, 1, 0, 3, 2);
    Menu(IDM_PERIOD_FIRST + PERIOD_ALL);  // the current period: not even a refresh
    EXPECT_EQ("4|4|0|100%|", Row(21));

    Menu(IDM_PERIOD_FIRST + PERIOD_TODAY);
    EXPECT_EQ("-x--", PeriodChecks());
    EXPECT_EQ("2|1|1|50%|(50%)", Row(1));
    EXPECT_EQ("0|0|0|0%|(0%)", Row(2));
    EXPECT_EQ("2|1|1|50%|", Row(21));

    Menu(IDM_PERIOD_FIRST + PERIOD_YESTERDAY);
    EXPECT_EQ("--x-", PeriodChecks());
    EXPECT_EQ("0|0|0|0%|(0%)", Row(1));
    EXPECT_EQ("1|1|0|100%|(100%)", Row(2));
    EXPECT_EQ("2|2|0|100%|", Row(21));

    // Cancelling the custom range keeps the period and its mark.
    EXPECT_EQ(1u, Custom({[](HWND) { return IDCANCEL; }}).size());
    EXPECT_EQ("--x-", PeriodChecks());
    EXPECT_EQ("2|2|0|100%|", Row(21));
}

TEST_F(StatsWindow, CustomRangesByOpponentAndDays)
{
    Insert(Day(2009, 5, 1) + 5 * MS, 0, 2, 0, 0, "rival");
    Insert(Day(2009, 5, 2), 0, 2, 0, 0, "");
    Insert(Day(2009, 5, 3) - MS, 0, 0, 0, 2, "rival");  // the last millisecond of 05/02
    Insert(Day(2009, 5, 3), 0, 2, 0, 0, "other");
    Open();
    struct Case {
        const char* name;  // null: no opponent condition
        WORD startDay, endDay;  // May 2009; 0: no such bound
        const char* overall;
    } cases[] = {
        {"rival", 0, 0, "2|1|1|50%|"},
        {"", 0, 0, "1|1|0|100%|"},  // an empty name selects the matches without one
        {nullptr, 0, 2, "3|2|1|67%|"},
        {nullptr, 2, 2, "2|1|1|50%|"},
        {"rival", 2, 3, "1|0|1|0%|"},
        {nullptr, 0, 0, "4|3|1|75%|"},  // no condition: every match
    };
    for (const Case& c : cases) {
        std::vector<DialogSeen> seen = Custom({[&](HWND dialog) {
            if (c.name) {
                Click(dialog, IDC_RANGE_OPPONENT_CHECK);
                SetDlgItemTextA(dialog, IDC_RANGE_OPPONENT, c.name);
            }
            if (c.startDay) {
                Click(dialog, IDC_RANGE_START_CHECK);
                SetDay(dialog, IDC_RANGE_START, 2009, 5, c.startDay);
            }
            if (c.endDay) {
                Click(dialog, IDC_RANGE_END_CHECK);
                SetDay(dialog, IDC_RANGE_END, 2009, 5, c.endDay);
            }
            return IDOK;
        }});
        EXPECT_EQ(1u, seen.size());
        EXPECT_EQ("---x", PeriodChecks());
        EXPECT_EQ(c.overall, Row(21)) << (c.name ? c.name : "-") << " " << c.startDay << "-" << c.endDay;
    }
}

TEST_F(StatsWindow, CustomRangeDialogWarnsOfAStartAfterTheEndAndStartsClearEveryTime)
{
    Open();
    std::string state;
    std::vector<DialogSeen> warnings;
    std::vector<DialogSeen> seen = Custom({[&](HWND dialog) {
        for (int id = IDC_RANGE_OPPONENT_CHECK; id <= IDC_RANGE_END; ++id)
            state += IsWindowEnabled(GetDlgItem(dialog, id)) ? "e" : "-";
        Click(dialog, IDC_RANGE_OPPONENT_CHECK);
        Click(dialog, IDC_RANGE_START_CHECK);
        Click(dialog, IDC_RANGE_END_CHECK);
        state += " ";
        for (int id = IDC_RANGE_OPPONENT_CHECK; id <= IDC_RANGE_END; ++id)
            state += IsWindowEnabled(GetDlgItem(dialog, id)) ? "e" : "-";
        HWND edit = GetDlgItem(dialog, IDC_RANGE_OPPONENT);
        for (char c : std::string("abcdefghijklmnopqrst"))
            SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 0);
        char typed[64];
        GetWindowTextA(edit, typed, sizeof typed);
        Click(dialog, IDC_RANGE_OPPONENT_CHECK);  // a second click unticks it
        state += std::string(" ") + (IsWindowEnabled(edit) ? "e " : "- ") + typed;
        SetDay(dialog, IDC_RANGE_START, 2009, 5, 2);
        SetDay(dialog, IDC_RANGE_END, 2009, 5, 1);
        DialogAnswerer warning(GetWindowThreadProcessId(dialog, nullptr), {[](HWND) { return IDOK; }}, 15000,
                               {dialog});
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        warnings = warning.Seen();
        state += IsWindow(dialog) ? " open" : " closed";
        SetDay(dialog, IDC_RANGE_END, 2009, 5, 2);
        return IDOK;
    }});
    ASSERT_EQ(1u, warnings.size());
    EXPECT_EQ("始点は終点より前にしてください", warnings[0].text);
    EXPECT_EQ(SystemIcon(IDI_EXCLAMATION), warnings[0].icon);
    EXPECT_EQ("e-e-e- eeeeee - abcdefghijklmnop open", state);
    EXPECT_EQ("---x", PeriodChecks());

    std::string reopened;
    Custom({[&](HWND dialog) {
        for (int id = IDC_RANGE_OPPONENT_CHECK; id <= IDC_RANGE_END; ++id)
            reopened += IsWindowEnabled(GetDlgItem(dialog, id)) ? "e" : "-";
        for (int id : {IDC_RANGE_OPPONENT_CHECK, IDC_RANGE_START_CHECK, IDC_RANGE_END_CHECK})
            reopened += IsDlgButtonChecked(dialog, id) ? "x" : "-";
        return IDCANCEL;
    }});
    EXPECT_EQ("e-e-e----", reopened);
}

TEST_F(StatsWindow, UndoAndRedoFromTheMenuAndTheirGreying)
{
    Open();
    MatchRecord record = {START, "me", 6, 2, "you", 9, 0};
    BeginTransaction();
    ASSERT_TRUE(InsertRecord(&record));
    ASSERT_TRUE(EndTransaction(false));
    RecordChange(CHANGE_INSERTED, &record);
    HMENU menu = GetSystemMenu(window, FALSE);
    auto greying = [&] {
        // The system waits for the release before anything else.
        PostMessageA(window, WM_RBUTTONUP, 0, 0);
        SendMessageA(window, WM_NCRBUTTONDOWN, HTCAPTION, 0);
        return std::string(GetMenuState(menu, IDM_UNDO, MF_BYCOMMAND) & MF_GRAYED ? "-" : "u") +
               (GetMenuState(menu, IDM_REDO, MF_BYCOMMAND) & MF_GRAYED ? "-" : "r");
    };
    EXPECT_EQ("u-", greying());
    Menu(IDM_UNDO);
    EXPECT_EQ("0|0|0|0%|(0%)", Row(6));
    EXPECT_EQ("-r", greying());
    Menu(IDM_UNDO);  // nothing left: the record stays, the refresh runs
    Menu(IDM_REDO);
    EXPECT_EQ("1|1|0|100%|(100%)", Row(6));
    EXPECT_EQ("u-", greying());
    SendMessageA(window, WM_NCRBUTTONDOWN, HTCLIENT, 0);  // elsewhere: no update
    Menu(IDM_UNDO);
    EXPECT_EQ("u-", std::string(GetMenuState(menu, IDM_UNDO, MF_BYCOMMAND) & MF_GRAYED ? "-" : "u") +
                        (GetMenuState(menu, IDM_REDO, MF_BYCOMMAND) & MF_GRAYED ? "-" : "r"));
}

TEST_F(StatsWindow, ProfileLoadsSwitchTheRecordOrChangeNothing)
{
    Win(3, 2);
    Open();
    MatchRecord record = {START - MS, "me", 3, 2, "you", 1, 0};
    RecordChange(CHANGE_INSERTED, &record);
    RecordChange(CHANGE_INSERTED, &record);
    ASSERT_TRUE(UndoChange());  // one entry in each list
    HWND popup = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_SYSMENU, 0, 0, 10, 10, window, nullptr, nullptr, nullptr);
    HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, window, nullptr, nullptr, nullptr);

    // Not a database: nothing changes, the user is told.
    std::string notes = folder.File("notes.db");
    WriteFileBytes(notes, std::string(2048, 'n'));
    ShortcutEntry entry = {};
    lstrcpyA(entry.path, notes.c_str());
    ShortcutList.Append(entry);
    {
        DialogAnswerer answerer(GetCurrentThreadId(), {IDOK});
        SendMessageA(window, WM_COMMAND, ID_SHORTCUT_FIRST, 0);
        ASSERT_EQ(1u, answerer.Seen().size());
        EXPECT_EQ("プロファイルのマッピングに失敗しました。", answerer.Seen()[0].text);
        EXPECT_EQ(SystemIcon(IDI_HAND), answerer.Seen()[0].icon);
    }
    EXPECT_EQ(folder.File("Default.db"), DatabasePath.data);
    EXPECT_EQ("Vantory Rev.4 autorun - Default", Title());
    EXPECT_EQ("2|2|0|100%|(100%)", Row(3));
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
    EXPECT_EQ("Vantory Rev.4 autorun - 新しい", Title());
    EXPECT_EQ("0|0|0|0%|(0%)", Row(3));
    EXPECT_EQ(0u, UndoList.count + RedoList.count);
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_TRUE(IsWindow(child));

    // A shortcut beyond the list, or beyond the 32 ids, is ignored.
    SendMessageA(window, WM_COMMAND, ID_SHORTCUT_FIRST + 1, 0);
    SendMessageA(window, WM_COMMAND, ID_SHORTCUT_LAST + 1, 0);
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
    size_t at = 0, end;
    while ((end = text.find("\r\n", at)) != std::string::npos) {
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    EXPECT_EQ(at, text.size());  // every line ends with CR LF
    ASSERT_EQ(26u, lines.size());
    // Fields of 11 and 7 bytes; a double-byte character takes two.
    auto spaces = [](int n) { return std::string(n, ' '); };
    EXPECT_EQ("名前" + spaces(8) + "対戦数" + spaces(5) + "勝" + spaces(5) + "負" + spaces(3) + "勝率" + spaces(1) +
                  "過去30",
              lines[0]);
    EXPECT_EQ("霊夢" + spaces(13) + "0" + spaces(6) + "0" + spaces(6) + "0" + spaces(5) + "0%" + spaces(3) + "(0%)",
              lines[1]);
    EXPECT_EQ("鈴仙" + spaces(12) + "12" + spaces(5) + "12" + spaces(6) + "0" + spaces(3) + "100%" + spaces(1) +
                  "(100%)",
              lines[11]);
    EXPECT_EQ(spaces(11 + 5 * 7), lines[21]);
    EXPECT_EQ("過去100戦" + spaces(7) + "12" + spaces(5) + "12" + spaces(6) + "0" + spaces(3) + "100%" + spaces(7),
              lines[25]);
}

TEST_F(StatsWindow, PositionIsSavedOnDestroyAndRestoredOnlyFromBothKeys)
{
    Open();
    RECT centred;
    GetWindowRect(window, &centred);
    DestroyStatsWindow(window, true);  // never shown: saved all the same
    window = nullptr;
    EXPECT_EQ(std::to_string(centred.left), ReadSetting("QIBDlg.Display", "X"));
    EXPECT_EQ(std::to_string(centred.top), ReadSetting("QIBDlg.Display", "Y"));

    WritePrivateProfileStringA("QIBDlg.Display", "X", "-30", SettingsPath.data);
    WritePrivateProfileStringA("QIBDlg.Display", "Y", nullptr, SettingsPath.data);
    Open();
    RECT placed;
    GetWindowRect(window, &placed);
    EXPECT_EQ(centred.left, placed.left);  // only X: stays centred
    DestroyStatsWindow(window, false);  // a refused start writes nothing
    window = nullptr;
    EXPECT_EQ("<none>", ReadSetting("QIBDlg.Display", "Y"));

    WritePrivateProfileStringA("QIBDlg.Display", "Y", "7", SettingsPath.data);
    Open();
    GetWindowRect(window, &placed);
    EXPECT_EQ(-30, placed.left);
    EXPECT_EQ(7, placed.top);
}

namespace {

class DetailWindow : public StatsWindow {
protected:
    // Sends the list's double-click notice for a row, as a mouse double-click does.
    LRESULT DoubleClickRow(int row)
    {
        SendMessageA(List(), LVM_SETSELECTIONMARK, 0, row);
        NMHDR header = {List(), IDC_STATS_LIST, static_cast<UINT>(NM_DBLCLK)};
        SendMessageA(window, WM_NOTIFY, IDC_STATS_LIST, reinterpret_cast<LPARAM>(&header));
        return GetWindowLongPtrA(window, DWLP_MSGRESULT);
    }
    // The detail windows of the statistics window, by title.
    std::vector<std::string> Details()
    {
        std::vector<std::string> titles;
        for (HWND found : DetailHandles()) {
            char text[200];
            GetWindowTextA(found, text, sizeof text);
            titles.push_back(text);
        }
        return titles;
    }
    std::vector<HWND> DetailHandles()
    {
        std::pair<HWND, std::vector<HWND>> search(window, {});
        EnumThreadWindows(GetCurrentThreadId(), CollectOwned, reinterpret_cast<LPARAM>(&search));
        return search.second;
    }
    static BOOL CALLBACK CollectOwned(HWND candidate, LPARAM context)
    {
        auto search = reinterpret_cast<std::pair<HWND, std::vector<HWND>>*>(context);
        if (GetWindow(candidate, GW_OWNER) == search->first)
            search->second.push_back(candidate);
        return TRUE;
    }
    // A real double-click, left or right, on a cell of a detail window's list.
    void ClickCell(HWND detail, int row, int column, bool right = false)
    {
        HWND list = GetDlgItem(detail, IDC_STATS_LIST);
        RECT cell = {};
        cell.top = column;
        cell.left = LVIR_BOUNDS;
        SendMessageA(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
        POINT at = {column == 0 ? cell.left + 20 : (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
        POINT screen = at;
        ClientToScreen(list, &screen);
        SetCursorPos(screen.x, screen.y);
        SendMessageA(list, right ? WM_RBUTTONDBLCLK : WM_LBUTTONDBLCLK, right ? MK_RBUTTON : MK_LBUTTON,
                     MAKELPARAM(at.x, at.y));
        PumpMessages(20);
    }
    std::string DetailRow(HWND detail, int row)
    {
        HWND saved = window;
        window = detail;
        std::string text = Row(row);
        window = saved;
        return text;
    }
    // Every stored match, newest first, as "p1name p1id p1win p2name p2id p2win".
    std::string Stored()
    {
        std::string rows;
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(RecordConnection(),
                           "SELECT p1name||' '||p1id||' '||p1win||' '||p2name||' '||p2id||' '||p2win "
                           "FROM vaviradudiz123 ORDER BY timestamp DESC",
                           -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW)
            rows += std::string(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))) + "\n";
        sqlite3_finalize(statement);
        return rows;
    }
};

std::string DateText(const SYSTEMTIME& day)
{
    char text[32];
    wsprintfA(text, "%d/%02d/%02d", day.wYear, day.wMonth, day.wDay);
    return text;
}

}  // namespace

TEST_F(DetailWindow, CharacterRowsOpenOneMoreWindowEachWithThePeriodInTheTitle)
{
    Open();
    for (int row : {20, 21, 24, -1})
        EXPECT_EQ(1, DoubleClickRow(row)) << row;
    EXPECT_EQ(0u, Details().size());
    DoubleClickRow(0);
    DoubleClickRow(0);
    EXPECT_EQ((std::vector<std::string>{"詳細 - 1P(霊夢) ", "詳細 - 1P(霊夢) "}), Details());
    for (HWND detail : DetailHandles())
        DestroyWindow(detail);

    SYSTEMTIME now;
    GetLocalTime(&now);
    Menu(IDM_PERIOD_FIRST + PERIOD_TODAY);
    DoubleClickRow(1);
    Custom({[](HWND dialog) {
        Click(dialog, IDC_RANGE_OPPONENT_CHECK);
        SetDlgItemTextA(dialog, IDC_RANGE_OPPONENT, "rival");
        Click(dialog, IDC_RANGE_START_CHECK);
        SetDay(dialog, IDC_RANGE_START, 2009, 5, 1);
        Click(dialog, IDC_RANGE_END_CHECK);
        SetDay(dialog, IDC_RANGE_END, 2009, 5, 2);
        return IDOK;
    }});
    DoubleClickRow(19);
    std::vector<std::string> titles = Details();
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ((std::vector<std::string>{"詳細 - 2009/05/01から2009/05/02まで1P(諏訪子) 2P[rival] ",
                                        "詳細 - " + DateText(now) + "から" + DateText(now) + "まで1P(魔理沙) "}),
              titles);

    // A profile load closes them all.
    ASSERT_TRUE(LoadProfile(window, folder.File("other.db").c_str()));
    EXPECT_EQ(0u, Details().size());
}

TEST_F(DetailWindow, CorrectionsByHandWithUndoAndTheStatisticsWindowFollowing)
{
    MatchRecord older = {START, "me", 0, 0, "", 3, 2};
    MatchRecord fromGame = {START + MS, "me", 0, 1, "you", 3, 2};
    for (const MatchRecord& record : {older, fromGame})
        Insert(record.timestamp, record.p1id, record.p1win, record.p2id, record.p2win, record.p2name);
    Open();
    DoubleClickRow(0);
    ASSERT_EQ(1u, DetailHandles().size());
    HWND detail = DetailHandles()[0];
    EXPECT_EQ("2|0|2|0%|(0%)", DetailRow(detail, 3));

    for (int column : {0, 1, 4, 5})
        ClickCell(detail, 3, column);
    ClickCell(detail, 3, 2);  // "勝": one more won match against アリス
    EXPECT_EQ(" 0 2  3 0\nme 0 1 you 3 2\nme 0 0  3 2\n", Stored());
    EXPECT_EQ("3|1|2|33%|(33%)", DetailRow(detail, 3));
    EXPECT_EQ("3|1|2|33%|(33%)", Row(0));  // the statistics window was told
    EXPECT_EQ(1u, UndoList.count);

    ClickCell(detail, 5, 3, true);  // no lost match against 妖夢: nothing
    ClickCell(detail, 3, 3, true);  // the newest lost match goes, names and all
    EXPECT_EQ(" 0 2  3 0\nme 0 0  3 2\n", Stored());
    EXPECT_EQ("2|1|1|50%|(50%)", DetailRow(detail, 3));
    SendMessageA(detail, WM_SYSCOMMAND, IDM_DETAIL_UNDO, 0);
    EXPECT_EQ(" 0 2  3 0\nme 0 1 you 3 2\nme 0 0  3 2\n", Stored());
    EXPECT_EQ("3|1|2|33%|(33%)", DetailRow(detail, 3));
    PumpMessages(20);
    EXPECT_EQ("3|1|2|33%|(33%)", Row(0));

    // A time stamp already taken: nothing is added, the lists stay.
    BeginTransaction();
    for (int64_t stamp = CurrentTimestamp() / MS * MS, i = 0; i < 4000; ++i)
        Insert(stamp + i * MS, 9, 0, 9, 0);
    EndTransaction(false);
    uint32_t undo = UndoList.count, redo = RedoList.count;
    ClickCell(detail, 3, 2);
    EXPECT_EQ("3|1|2|33%|(33%)", DetailRow(detail, 3));
    EXPECT_EQ(undo, UndoList.count);
    EXPECT_EQ(redo, RedoList.count);

    SendMessageA(detail, WM_SYSCOMMAND, IDM_DETAIL_COPY, 0);
    std::string copied = ClipboardText();
    EXPECT_EQ(21, std::count(copied.begin(), copied.end(), '\n'));
    EXPECT_EQ(0u, copied.find("名前"));
    SendMessageA(detail, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(detail));
}

TEST_F(DetailWindow, AWindowForYesterdayKeepsCountingYesterday)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    int64_t today, todayEnd;
    GetDayBounds(&now, &today, &todayEnd);
    Insert(today - TIMESTAMP_DAY / 2, 6, 2, 4, 0);  // yesterday at noon
    Open();
    Menu(IDM_PERIOD_FIRST + PERIOD_YESTERDAY);
    DoubleClickRow(6);
    HWND detail = DetailHandles()[0];
    EXPECT_EQ("1|1|0|100%|(100%)", DetailRow(detail, 4));
    ClickCell(detail, 4, 3);  // stored now: outside the window's day
    EXPECT_EQ("1|1|0|100%|(100%)", DetailRow(detail, 4));
    EXPECT_EQ("2", QueryText(RecordConnection(), "SELECT count(*) FROM vaviradudiz123 WHERE p1id = 6"));
}
