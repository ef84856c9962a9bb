// What only the statistics and detail windows can get wrong; their numbers are the store's.
#include "base/Settings.h"
#include "support/DialogAnswerer.h"
#include "support/StatsFixture.h"
#include "ui/shortcuts/ShortcutDialogs.h"
#include "store/OpponentNotes.h"
#include "ui/history/NoteDialog.h"
#include "ui/window/DpiScaling.h"
#include <algorithm>

class StatsWindow : public StatsFixture {
protected:
    std::string Rows(int first, int last, HWND window = nullptr)
    {
        return ListText(GetDlgItem(window ? window : stats, IDC_STATS_LIST), first, last);
    }
    void Menu(WPARAM id, HWND window = nullptr) { SendMessageA(window ? window : stats, WM_SYSCOMMAND, id, 0); }
    // System menu items as a right press on the caption opens it: "x" checked, "-" grey, "o" neither.
    std::string Items(HWND window, std::initializer_list<UINT> ids)
    {
        PostMessageA(window, WM_RBUTTONUP, 0, 0);  // the system waits for the release
        SendMessageA(window, WM_NCRBUTTONDOWN, HTCAPTION, 0);
        HMENU menu = GetSystemMenu(window, FALSE);
        std::string text;
        for (UINT id : ids)
            text += GetMenuState(menu, id, 0) & MF_CHECKED ? "x" : GetMenuState(menu, id, 0) & MF_GRAYED ? "-" : "o";
        return text;
    }
    std::string Periods() { return Items(stats, {0xD000, 0xD001, 0xD002, IDM_PERIOD_CUSTOM}) + "|" + Rows(21, 21); }
    // A real double-click, left or right, in a cell of a detail window's list.
    void ClickCell(HWND detail, int row, int column, bool right = false)
    {
        HWND list = GetDlgItem(detail, IDC_STATS_LIST);
        RECT cell = {LVIR_BOUNDS, column, 0, 0};
        SendMessageA(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
        POINT at = {column ? (cell.left + cell.right) / 2 : cell.left + 20, (cell.top + cell.bottom) / 2}, screen = at;
        ClientToScreen(list, &screen);
        SetCursorPos(screen.x, screen.y);
        SendMessageA(list, right ? WM_RBUTTONDBLCLK : WM_LBUTTONDBLCLK, 0, MAKELPARAM(at.x, at.y));
        PumpMessages(20);
    }
    // Every stored match, newest first, as "p1name p1id p1win p2name p2id p2win;".
    std::string Stored()
    {
        return QueryText(RecordConnection(), "SELECT group_concat(p1name||' '||p1id||' '||p1win||' '||p2name||' '||"
                                             "p2id||' '||p2win, ';') FROM (SELECT * FROM vaviradudiz123 ORDER BY 1 DESC)");
    }
};


TEST_F(StatsWindow, ComputedRowsReachTheScreen)
{
    Insert(STAMP_MS, 0, 2, 3, 0);
    Insert(2 * STAMP_MS, 0, 0, 5, 2);
    Insert(3 * STAMP_MS, 1, 2, 5, 1);
    Open();
    EXPECT_EQ("霊夢|2|1|1|50%|(50%)\n魔理沙|1|1|0|100%|(100%)\n咲夜|0|0|0|0%|(0%)\n|||||\n総合|3|2|1|67%|\n"
              "過去30戦|3|2|1|67%|\n過去50戦|3|2|1|67%|\n過去100戦|3|2|1|67%|\n",
              Rows(0, 2) + Rows(20, 24));
}

TEST_F(StatsWindow, PeriodMenuChecksItsChoiceAndRefreshesOnlyOnAChange)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    int64_t today, end;
    GetDayBounds(&now, &today, &end);
    Insert(today, 1, 2, 3, 0);
    Insert(today - STAMP_MS, 2, 2, 3, 0);
    Insert(Day(2009, 5, 3) - STAMP_MS, 0, 2, 0, 0, "rival");  // the last moment of 05/02
    Insert(Day(2009, 5, 3), 0, 0, 0, 2, "rival");
    Open();
    char first[64] = "";  // its own entries stand ahead of the system's
    GetMenuStringA(GetSystemMenu(stats, FALSE), 0, first, sizeof first, MF_BYPOSITION);
    EXPECT_STREQ("プロファイルを読み込む", first);
    EXPECT_EQ("xooo|総合|4|3|1|75%|\n", Periods());
    Insert(today + STAMP_MS, 1, 0, 3, 2);
    Menu(IDM_PERIOD_FIRST + PERIOD_ALL);  // the current period: not even a refresh
    EXPECT_EQ("xooo|総合|4|3|1|75%|\n", Periods());
    Menu(IDM_PERIOD_FIRST + PERIOD_TODAY);
    EXPECT_EQ("oxoo|総合|2|1|1|50%|\n", Periods());
    EXPECT_EQ("Vantory Rev.4 autorun - Default（今日の対戦）", Title(stats));
    Menu(IDM_PERIOD_FIRST + PERIOD_YESTERDAY);
    EXPECT_EQ("ooxo|総合|1|1|0|100%|\n", Periods());
    // A custom range of the opponent's name up to 05/02.
    DialogAnswerer answerer(GetCurrentThreadId(), {[](HWND dialog) {
        for (int id : {IDC_RANGE_OPPONENT_CHECK, IDC_RANGE_END_CHECK})
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
        SetDlgItemTextA(dialog, IDC_RANGE_OPPONENT, "rival");
        SYSTEMTIME date = {2009, 5, 0, 2, 0, 0, 0, 0};
        SendDlgItemMessageA(dialog, IDC_RANGE_END, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&date));
        return IDOK;
    }});
    Menu(IDM_PERIOD_CUSTOM);
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ("ooox|総合|1|1|0|100%|\n", Periods());
    EXPECT_EQ("Vantory Rev.4 autorun - Default（2009/05/02まで2P[rival]）", Title(stats));
    DoubleClickRow(0);  // a detail window counts the period as it stands
    EXPECT_EQ("詳細 - 2009/05/02まで1P(霊夢) 2P[rival] ", Title(Owned("詳細").at(0)));
}

TEST_F(StatsWindow, ProfileLoadSwitchesTheRecordEmptiesTheChangeListsAndClosesOwnedWindows)
{
    Insert(STAMP_MS, 3, 2, 1, 0);
    Open();
    MatchRecord record = {2 * STAMP_MS, "me", 3, 2, "you", 1, 0};
    RecordChange(CHANGE_INSERTED, &record);
    RecordChange(CHANGE_INSERTED, &record);
    ASSERT_TRUE(UndoChange());  // one entry in each list
    HWND popup = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 9, 9, stats, nullptr, nullptr, nullptr);
    ShortcutEntry entry = {};
    lstrcpyA(entry.path, folder.File("新しい.db").c_str());  // no such file yet: a new record
    ShortcutList.Append(entry);
    ASSERT_EQ(1u, UndoList.count * RedoList.count);
    SendMessageA(stats, WM_COMMAND, ID_SHORTCUT_FIRST, 0);
    char profile[MAX_PATH] = "";  // named in the settings at once, for the report tool
    ReadSettingText(SECTION_GENERAL, KEY_PROFILE, "", profile, sizeof profile);
    EXPECT_EQ(std::string(entry.path) + " " + entry.path + " 0 0 Vantory Rev.4 autorun - 新しいアリス|0|0|0|0%|(0%)\n",
              std::string(DatabasePath.data) + " " + profile + " " + std::to_string(UndoList.count + RedoList.count) +
                  " " + std::to_string(IsWindow(popup)) + " " + Title(stats) + Rows(3, 3));
}

TEST_F(StatsWindow, DetailWindowsAddAndRemoveMatchesByHandWithUndo)
{
    Insert(STAMP_MS, 0, 0, 3, 2, "");
    Insert(2 * STAMP_MS, 0, 1, 3, 2);
    Open();
    for (int row : {20, 21, -1})
        DoubleClickRow(row);
    EXPECT_EQ(0u, Owned().size());
    DoubleClickRow(0);
    DoubleClickRow(0);  // one more window each time, owned by the statistics window
    ASSERT_EQ(2u, Owned("詳細 - 1P(霊夢) ").size());
    HWND detail = Owned()[0], other = Owned()[1];
    RECT frames[3];
    for (HWND window : {stats, detail, other})
        GetWindowRect(window, &frames[window == stats ? 0 : window == detail ? 1 : 2]);
    // Each opened from the statistics window a title bar further down and right, none on top of another.
    EXPECT_TRUE(frames[0].top < frames[1].top && frames[0].left < frames[1].left && frames[1].top != frames[2].top);
    EXPECT_EQ("アリス|2|0|2|0%|(0%)\n--", Rows(3, 3, detail) + Items(detail, {IDM_DETAIL_UNDO, IDM_DETAIL_REDO}));
    for (int column : {0, 1, 4, 5, 2})
        ClickCell(detail, 3, column);  // only "勝" acts: one more won match against アリス
    EXPECT_EQ(" 0 2  3 0;me 0 1 you 3 2;me 0 0  3 2", Stored());
    PumpMessages(0);  // every open window shows the change, the other detail window too
    EXPECT_EQ("アリス|3|1|2|33%|(33%)\n霊夢|3|1|2|33%|(33%)\nアリス|3|1|2|33%|(33%)\no-",
              Rows(3, 3, detail) + Rows(0, 0) + Rows(3, 3, other) + Items(detail, {IDM_DETAIL_UNDO, IDM_DETAIL_REDO}));
    ClickCell(detail, 5, 3, true);  // no lost match against 妖夢: nothing
    ClickCell(detail, 3, 3, true);  // the newest lost match goes, names and all
    EXPECT_EQ(" 0 2  3 0;me 0 0  3 2", Stored());
    Menu(IDM_DETAIL_UNDO, detail);
    EXPECT_EQ(" 0 2  3 0;me 0 1 you 3 2;me 0 0  3 2 oo", Stored() + " " + Items(stats, {IDM_UNDO, IDM_REDO}));
    Menu(IDM_UNDO);  // an undo in the statistics window reaches the detail windows
    PumpMessages(0);
    EXPECT_EQ("アリス|2|0|2|0%|(0%)\nアリス|2|0|2|0%|(0%)\n", Rows(3, 3, detail) + Rows(3, 3, other));
    Menu(SC_CLOSE, detail);
    Menu(SC_CLOSE);  // the statistics window only hides
    EXPECT_EQ("01", std::to_string(IsWindow(detail)) + std::to_string(IsWindow(stats) && !IsWindowVisible(stats)));
}

// Each run of this program starts at one display scaling (the prefix's
// LogPixels): a run per scaling opens every window and dialog of the tool
// and writes its DPI, the texts cut there, and the copied table.
TEST_F(StatsWindow, EveryTextIsWholeAtEveryDisplayScalingAndTheCopyTheSame)
{
    char result[MAX_PATH] = "";
    if (GetEnvironmentVariableA(SCALE_RUN, result, sizeof result)) {
        for (int id = 0; id < 20; ++id)
            Insert(Day(2009, 12, 28) + id * 3600000 * STAMP_MS, id, 2, 19 - id, id % 2, "対戦相手さん", "ぱちゅりー");
        Insert(Day(2009, 12, 30), 4, 2, 19, 0, "12345678901234");
        SetNotesPath(folder.File(NOTES_FILE_NAME).c_str());
        ShortcutList.Append(ShortcutEntry{"C:\\Records\\Default.db", 4208});
        Open();
        std::string cut = std::to_string(WindowDpi(stats)) + ":" + CutTexts(stats);
        auto modal = [&](HWND owner, UINT message, WPARAM command, int button) {
            DialogAnswerer answerer(GetCurrentThreadId(), {[&](HWND dialog) { cut += CutTexts(dialog); return button; }});
            SendMessageA(owner, message, command, 0);
        };
        SendMessageA(stats, WM_SYSCOMMAND, IDM_OPPONENT_TABLE, 0);
        {
            DialogAnswerer answerer(GetCurrentThreadId(), {[&](HWND dialog) { cut += CutTexts(dialog); return IDCANCEL; }});
            EditOpponentNote(stats, "あいうえおかきくけこさしすせそ");  // the longest name
        }
        modal(stats, WM_SYSCOMMAND, IDM_PERIOD_CUSTOM, IDCANCEL);
        modal(stats, WM_SYSCOMMAND, IDM_HISTORY, IDOK);  // and the history window it opens
        NMHDR click = {GetDlgItem(stats, IDC_STATS_LIST), IDC_STATS_LIST, static_cast<UINT>(NM_DBLCLK)};
        SendMessageA(click.hwndFrom, LVM_SETSELECTIONMARK, 0, 4);
        SendMessageA(stats, WM_NOTIFY, IDC_STATS_LIST, reinterpret_cast<LPARAM>(&click));
        uint8_t open = 0;
        OpenShortcutListDialog(GetModuleHandleA(nullptr), stats, &open);
        HWND shortcuts = FindWindowA(nullptr, "プロファイル短縮キーの設定");
        PumpMessages(50);
        for (const char* caption : {"相手プロファイル", "対戦履歴", "詳細 - 1P(パチュリー) ", "プロファイル短縮キーの設定"})
            cut += FindWindowA(nullptr, caption) ? CutTexts(FindWindowA(nullptr, caption)) : caption + std::string(";");
        modal(shortcuts, WM_COMMAND, IDC_SHORTCUT_ADD, IDCANCEL);
        SendMessageA(stats, WM_SYSCOMMAND, IDM_COPY_TABLE, 0);
        WriteFileBytes(result, cut + "\n" + ClipboardText());
        return;
    }
    std::vector<std::string> runs = RunAtEveryScaling(folder, "StatsWindowTest.exe", "StatsWindow.EveryText*");
    const char* dpis[] = {"192", "120", "144", "96"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(dpis[i] + std::string(":"), runs[i].substr(0, runs[i].find('\n')));
    std::string copied[2] = {runs[3].substr(runs[3].find('\n') + 1), runs[2].substr(runs[2].find('\n') + 1)};
    // A field is a seventh of the 96-DPI width: 80 gives 11 bytes, 55 gives 7.
    EXPECT_EQ(0u, copied[0].find("名前        対戦数     勝     負   勝率 過去30\r\n霊夢             1      1      0   100% (100%)\r\n"));
    EXPECT_EQ(copied[0], copied[1]);
}

TEST_F(StatsWindow, ASavedPositionOffEveryMonitorOpensInsideTheWorkAreaAndAVisibleOneExactly)
{
    RECT area, frame, inside;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    auto openAt = [&](int x, int y) {
        if (stats)
            DestroyStatsWindow(stats, false);
        WriteSettingInt(SECTION_STATS_WINDOW, KEY_WINDOW_X, x);
        WriteSettingInt(SECTION_STATS_WINDOW, KEY_WINDOW_Y, y);
        Open();
        GetWindowRect(stats, &frame);
        return std::to_string(frame.left) + "," + std::to_string(frame.top);
    };
    openAt(5200, 3100);
    EXPECT_TRUE(IntersectRect(&inside, &frame, &area) && EqualRect(&inside, &frame));
    openAt(area.right - 40, 5);  // mostly off the right edge
    EXPECT_EQ(area.right, frame.right);
    EXPECT_EQ("7,5", openAt(7, 5));
    // Dragged onto a monitor of twice the scaling: Windows' rectangle, columns twice as wide.
    HWND list = GetDlgItem(stats, IDC_STATS_LIST);
    LRESULT width = SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0);
    RECT suggested = {20, 30, 20 + 2 * (frame.right - frame.left), 30 + 2 * (frame.bottom - frame.top)};
    SendMessageA(stats, WM_DPICHANGED, 2 * WindowDpi(stats), reinterpret_cast<LPARAM>(&suggested));
    GetWindowRect(stats, &frame);
    EXPECT_TRUE(EqualRect(&suggested, &frame) && SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0) == 2 * width);
}

// Run as StatsWindowTest_codepage, under a locale of code page 1252, which vty.exe inherits.
TEST_F(StatsWindow, OnAnotherCodePageTheToolSaysSoInBothLanguagesAndWritesOnlyItsAnswer)
{
    if (GetACP() == 932)
        GTEST_SKIP() << "needs another code page";
    std::string record = ReadFileBytes(folder.File("Default.db"));
    ProgramRun run(folder, "vty.exe");
    HWND box = nullptr;
    wchar_t text[2048] = L"", expected[16] = L"";
    ASSERT_TRUE(PumpUntil([&] { return (box = FindWindowA("#32770", nullptr)) && GetDlgItemTextW(box, 0xFFFF, text, 2048); },
                          20000));
    MultiByteToWideChar(932, 0, "文字化け", -1, expected, 16);  // the narrow text, compiled to code page 932
    EXPECT_TRUE(wcsstr(text, expected) && wcsstr(text, L"Language for non-Unicode programs") &&
                wcsstr(text, L"code page 932"));
    EXPECT_TRUE(!FileExists(folder.File("vty.ini")) && ReadFileBytes(folder.File("Default.db")) == record);
    PostMessageA(box, WM_COMMAND, IDNO, 0);
    EXPECT_TRUE(PumpUntil([&] {
        return GetPrivateProfileIntA("General", "CodePageWarning", 1, folder.File("vty.ini").c_str()) == 0;
    }, 10000));
}

// A note on the opponent chosen in the opponent table goes to the notes file
// at OK, the dialog shows it the next time, and emptied it is gone.
TEST_F(StatsWindow, ANoteOnTheChosenOpponentIsKeptAndEmptiedRemoved)
{
    Insert(STAMP_MS, 0, 2, 3, 0, "rival");
    Open();
    SetNotesPath(folder.File("vty_notes.db").c_str());
    Menu(IDM_OPPONENT_TABLE);
    HWND table = Owned("相手プロファイル").at(0);
    SendDlgItemMessageA(table, IDC_STATS_LIST, LVM_SETSELECTIONMARK, 0, 0);
    std::string seen;
    auto write = [&](const char* text) {
        return [&seen, text](HWND dialog) {
            char label[256] = "", old[NOTE_SIZE] = "";
            GetDlgItemTextA(dialog, IDC_NOTE_NAME, label, sizeof label);
            GetDlgItemTextA(dialog, IDC_NOTE_TEXT, old, sizeof old);
            seen += std::string(label) + "|" + old + ";";
            SetDlgItemTextA(dialog, IDC_NOTE_TEXT, text);
            return IDOK;
        };
    };
    for (const char* text : {"起き上がりに暴れる", ""}) {
        DialogAnswerer answerer(GetCurrentThreadId(), {write(text)});
        SendMessageA(table, WM_SYSCOMMAND, IDM_OPPONENT_NOTE, 0);
        char note[NOTE_SIZE] = "?";
        ReadOpponentNote("rival", note, 0);
        seen += std::string(note) + ";";
    }
    EXPECT_EQ("「rival」へのメモ\r\n（空にして OK で消えます）|;起き上がりに暴れる;"
              "「rival」へのメモ\r\n（空にして OK で消えます）|起き上がりに暴れる;;", seen);
    CloseOpponentNotes();
}
