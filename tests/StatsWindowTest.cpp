// The statistics window from the real dialog resource, on prepared record files.
#include "base/Messages.h"
#include "res/resource.h"
#include "store/RecordDatabase.h"
#include "support/DialogAnswerer.h"
#include "support/TestSupport.h"
#include "ui/stats/StatsWindow.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

const int64_t DAY = 864000000000LL;
const int64_t START = 128752416000000000LL;  // 2009-01-01 00:00 local

class StatsWindow : public testing::Test {
protected:
    TempFolder folder;
    HWND window = nullptr;
    int64_t nextStamp = START;

    void SetUp() override
    {
        InitCommonControls();
        ASSERT_TRUE(SetDatabasePath(folder.File("Default.db").c_str()));
        ASSERT_TRUE(OpenRecordDatabase());
    }
    void TearDown() override
    {
        if (window)
            DestroyWindow(window);
        CloseRecordDatabase();
    }

    // Appends matches with increasing time stamps, newest last, against
    // opponent characters that change from match to match.
    void Add(int32_t p1id, int32_t p1win, int32_t p2win, int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            int32_t p2id = static_cast<int32_t>((nextStamp - START) / 10000 * 7 % 20);
            char* sql = sqlite3_mprintf("INSERT INTO vaviradudiz123 VALUES(%lld,'me',%d,%d,'you',%d,%d)",
                                        nextStamp, p1id, p1win, p2id, p2win);
            ASSERT_EQ(SQLITE_OK, sqlite3_exec(RecordConnection(), sql, nullptr, nullptr, nullptr));
            sqlite3_free(sql);
            nextStamp += 10000;
        }
    }
    void Win(int32_t p1id, int count = 1) { Add(p1id, 2, 1, count); }
    void Lose(int32_t p1id, int count = 1) { Add(p1id, 0, 2, count); }

    void Open()
    {
        window = CreateStatsWindow(GetModuleHandleA(nullptr));
        ASSERT_NE(nullptr, window);
    }
    HWND List() { return GetDlgItem(window, IDC_STATS_LIST); }
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
};

}  // namespace

TEST_F(StatsWindow, EmptyRecordShowsZerosEverywhere)
{
    Open();
    EXPECT_FALSE(IsWindowVisible(window));
    ASSERT_EQ(25, SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0));
    const char* labels[] = {"霊夢", "魔理沙", "咲夜", "アリス", "パチュリー", "妖夢", "レミリア", "幽々子", "紫", "萃香",
                            "鈴仙", "文",   "小町",   "衣玖",   "天子",       "早苗", "チルノ",   "美鈴",   "空", "諏訪子"};
    for (int row = 0; row < 20; ++row) {
        EXPECT_EQ(labels[row], Cell(row, 0));
        EXPECT_EQ("0|0|0|0%|(0%)", Row(row)) << row;
    }
    EXPECT_EQ("", Cell(20, 0));
    EXPECT_EQ("||||", Row(20));
    EXPECT_EQ("総合", Cell(21, 0));
    EXPECT_EQ("過去30戦", Cell(22, 0));
    EXPECT_EQ("過去50戦", Cell(23, 0));
    EXPECT_EQ("過去100戦", Cell(24, 0));
    for (int row = 21; row <= 24; ++row)
        EXPECT_EQ("0|0|0|0%|", Row(row)) << row;

    const char* headers[] = {"名前", "対戦数", "勝", "負", "勝率", "過去30"};
    HWND header = reinterpret_cast<HWND>(SendMessageA(List(), LVM_GETHEADER, 0, 0));
    for (int column = 0; column < 6; ++column) {
        char text[32] = "";
        HDITEMA item = {};
        item.mask = HDI_TEXT | HDI_FORMAT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(headers[column], text);
        EXPECT_EQ(column == 0 ? HDF_LEFT : HDF_RIGHT, item.fmt & HDF_JUSTIFYMASK) << column;
        EXPECT_EQ(column == 0 ? 80 : 55, SendMessageA(List(), LVM_GETCOLUMNWIDTH, column, 0)) << column;
    }
    DWORD style = static_cast<DWORD>(SendMessageA(List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(static_cast<DWORD>(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
              style & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));
}

TEST_F(StatsWindow, WinRatesRoundHalvesUp)
{
    Win(0);
    Lose(0, 7);  // 1 in 8: 12.5 -> 13
    Win(1, 2);
    Lose(1);  // 2 in 3: 66.7 -> 67
    Win(2);
    Lose(2, 2);  // 1 in 3: 33.3 -> 33
    Add(3, 1, 1);  // neither side won: counts nowhere
    Open();
    EXPECT_EQ("8|1|7|13%|(13%)", Row(0));
    EXPECT_EQ("3|2|1|67%|(67%)", Row(1));
    EXPECT_EQ("3|1|2|33%|(33%)", Row(2));
    EXPECT_EQ("0|0|0|0%|(0%)", Row(3));
    EXPECT_EQ("14|4|10|29%|", Row(21));
    EXPECT_EQ("14|4|10|29%|", Row(22));  // fewer than 30: all of them
    EXPECT_EQ("14|4|10|29%|", Row(24));
}

TEST_F(StatsWindow, RecentColumnsCountTheNewestMatches)
{
    // Character 4: 40 old wins, then 30 newer losses.
    Win(4, 40);
    Lose(4, 30);
    // 35 more matches with character 7, newest of all, all won.
    Win(7, 35);
    Open();
    EXPECT_EQ("70|40|30|57%|(0%)", Row(4));
    EXPECT_EQ("35|35|0|100%|(100%)", Row(7));
    EXPECT_EQ("105|75|30|71%|", Row(21));
    EXPECT_EQ("30|30|0|100%|", Row(22));
    EXPECT_EQ("50|35|15|70%|", Row(23));
    EXPECT_EQ("100|70|30|70%|", Row(24));
    EXPECT_EQ("||||", Row(20));
}

TEST_F(StatsWindow, BadCharacterIdShowsTheFailureAndKeepsCells)
{
    Win(0, 3);
    Open();
    EXPECT_EQ("3|3|0|100%|(100%)", Row(0));
    Add(20, 2, 0);  // a character the table does not know
    Win(0);
    {
        DialogAnswerer answerer(GetCurrentThreadId(), {IDOK});
        RefreshStatsWindow(window);
        const std::vector<DialogSeen>& seen = answerer.Seen();
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ("戦績表示の更新に失敗しました", seen[0].text);
        EXPECT_EQ(SystemIcon(IDI_HAND), seen[0].icon);
    }
    EXPECT_EQ("3|3|0|100%|(100%)", Row(0));
    EXPECT_EQ("3|3|0|100%|", Row(21));
    EXPECT_NE(0, sqlite3_get_autocommit(RecordConnection()));  // rolled back, nothing left open
}

TEST_F(StatsWindow, TitleNamesTheProfileWithoutExtension)
{
    Open();
    EXPECT_EQ("Vantory Rev.4 autorun - Default", Title());
    DestroyWindow(window);
    window = nullptr;
    CloseRecordDatabase();
    ASSERT_TRUE(SetDatabasePath(folder.File("対戦記録").c_str()));
    ASSERT_TRUE(OpenRecordDatabase());
    Open();
    EXPECT_EQ("Vantory Rev.4 autorun - 対戦記録", Title());
}

TEST_F(StatsWindow, RecordChangedMessageRefreshes)
{
    Open();
    Win(9, 2);
    PostMessageA(window, WM_RECORDCHANGED, 0, 0);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
    EXPECT_EQ("2|2|0|100%|(100%)", Row(9));
}

TEST_F(StatsWindow, CloseBoxOnlyHides)
{
    Open();
    ShowWindow(window, SW_SHOW);
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
}

TEST_F(StatsWindow, RowsArePaintedInStripes)
{
    Win(0);
    Open();
    ShowWindow(window, SW_SHOWNOACTIVATE);
    HWND list = List();
    RECT client;
    GetClientRect(list, &client);
    HDC screen = GetDC(list);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    ASSERT_TRUE(PrintWindow(list, memory, PRF_CLIENT));
    // Sample the empty right part of the win-rate cell of row 2 (even) and row 3 (odd).
    for (int row : {2, 3}) {
        RECT cell = {};
        cell.top = 4;  // sub-item index
        cell.left = LVIR_BOUNDS;
        SendMessageA(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
        COLORREF colour = GetPixel(memory, cell.left + 3, (cell.top + cell.bottom) / 2);
        COLORREF expected = row % 2 == 0 ? RGB(208, 220, 208) : RGB(255, 255, 255);
        EXPECT_EQ(expected, colour) << "row " << row << " at " << cell.left + 3;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(list, screen);
}
