// The report window on a real record file: its lists, the chart's painted
// pixels, the day's summary on the clipboard and the CSV command.
#include "report/RecordReader.h"
#include "report/ReportWindow.h"
#include "report/TrendChart.h"
#include "store/RecordQueries.h"
#include "support/DialogAnswerer.h"
#include "support/StatsFixture.h"
#include "support/StoreTestSupport.h"
#include "support/TestSupport.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

const int64_t MINUTE = 600000000LL;
const int64_t DAY1 = 128752416000000000LL;  // 2009-01-01 00:00 local, a Thursday
#define WHOLE_CHARACTERS "あああああああああああああああ"

class ReportWindow : public testing::Test {
protected:
    TempFolder folder;
    std::string path = folder.File("Default.db");
    HWND window = nullptr;

    void SetUp() override
    {
        // Week 0: 15 wins with 霊夢; week 1: 10 losses with 霊夢; week 2, the
        // latest day: 魔理沙 wins twice and loses once, against a name cut in
        // the middle of its 16th character; a row with an id cut to 8 bits
        // would count as 霊夢.
        ASSERT_TRUE(OpenStoreFile(path));
        int64_t at = DAY1 + 600 * MINUTE;
        for (int i = 0; i < 15; ++i)
            Add(at + i * MINUTE, "aaa", 0, 2, 2, 1);
        for (int i = 0; i < 10; ++i)
            Add(at + 7 * DAY_TICKS + i * MINUTE, "bbb", 0, 0, 3, 2);
        Add(at + 14 * DAY_TICKS, "ccc", 1, 2, 2, 0);
        Add(at + 14 * DAY_TICKS + MINUTE, "ccc", 1, 2, 2, 1);
        Add(at + 14 * DAY_TICKS + 2 * MINUTE, WHOLE_CHARACTERS "\x82", 1, 1, 2, 2);
        Add(at + 14 * DAY_TICKS + 3 * MINUTE, "eee", 256, 2, 2, 0);
        CloseRecordDatabase();
        window = CreateReportWindow(GetModuleHandleA(nullptr), OpenRecordReadOnly(path.c_str()), path.c_str());
        ASSERT_NE(nullptr, window);
    }
    void TearDown() override
    {
        if (IsWindow(window))
            DestroyWindow(window);
        PumpMessages(0);  // takes the quit message that the window's end posts
    }
    void Add(int64_t at, const char* opponent, int32_t p1id, int32_t p1win, int32_t p2id, int32_t p2win)
    {
        MatchRecord match = {at, "me", p1id, p1win, "", p2id, p2win};
        lstrcpyA(match.p2name, opponent);
        ASSERT_TRUE(InsertRecord(&match));
    }
    // A list's rows, cells joined by "|", rows by "\n".
    std::string ListText(int id) { return ::ListText(GetDlgItem(window, id)); }
    void ShowPage(int page)
    {
        HWND tab = GetDlgItem(window, IDC_REPORT_TAB);
        SendMessageA(tab, TCM_SETCURSEL, page, 0);
        NMHDR header = {tab, IDC_REPORT_TAB, TCN_SELCHANGE};
        SendMessageA(window, WM_NOTIFY, IDC_REPORT_TAB, reinterpret_cast<LPARAM>(&header));
    }
};

TEST_F(ReportWindow, ListsOfTheDayAndOfTheWholeRecord)
{
    char summary[512];
    GetDlgItemTextA(window, IDC_DAY_SUMMARY, summary, sizeof summary);
    EXPECT_EQ("最後に対戦した日 2009/01/15:  3戦 2勝 1敗  勝率 66.7%（95%範囲 20.8-93.9%）\r\n最長連勝 2  最長連敗 1"
              "\r\nキャラか勝ち数がありえない値の記録 1 件は集計に入れていません。",
              std::string(summary));
    EXPECT_EQ("ccc|2|2|0|100.0%\n" WHOLE_CHARACTERS "|1|0|1|0.0%\n", ListText(IDC_DAY_OPPONENTS));
    EXPECT_EQ("魔理沙|咲夜|3|2|1|66.7%\n", ListText(IDC_DAY_PAIRS));
    EXPECT_EQ("全キャラ|28|17|11|60.7%|42.4-76.4%|\n"
              "霊夢|25|15|10|60.0%|40.7-76.6%|\n"
              "魔理沙|3|2|1|66.7%|20.8-93.9%|20戦未満・参考値\n",
              ListText(IDC_CHARACTERS));
    EXPECT_EQ("霊夢|咲夜|15|15|0|100.0%|79.6-100.0%|20戦未満・参考値\n"
              "霊夢|アリス|10|0|10|0.0%|0.0-27.8%|20戦未満・参考値\n"
              "魔理沙|咲夜|3|2|1|66.7%|20.8-93.9%|20戦未満・参考値\n",
              ListText(IDC_PAIRS));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, IDC_DAY_OPPONENTS)));
    ShowPage(PAGE_PAIRS);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDC_DAY_OPPONENTS)));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, IDC_PAIRS)));
}

TEST_F(ReportWindow, ChartPixelsFollowTheWeeks)
{
    ShowPage(PAGE_CHART);
    char chosen[64] = "";
    GetDlgItemTextA(window, IDC_CHART_CHOICE, chosen, sizeof chosen);
    EXPECT_STREQ("博麗霊夢", chosen);  // the most played character
    HWND chart = GetDlgItem(window, IDC_CHART);
    RECT client, plot;
    GetClientRect(chart, &client);
    ChartPlotRect(&client, &plot);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    SelectObject(memory, bitmap);
    ASSERT_TRUE(PrintWindow(chart, memory, PW_CLIENTONLY));
    // Week 0 and 1 hold only 霊夢's matches: its line is drawn over all's.
    const ChartSeries* series = reinterpret_cast<const ChartSeries*>(GetWindowLongPtrA(chart, GWLP_USERDATA));
    int32_t week = static_cast<int32_t>(DAY1 / WEEK_TICKS);
    double low = 0, high = 0;
    WilsonRange(15, 15, &low, &high);
    struct Case {
        int32_t week;
        double rate;
        COLORREF colour;
    } cases[] = {
        {week, 1.0, CHART_CHOSEN_COLOUR},          {week + 1, 0.0, CHART_CHOSEN_COLOUR},
        {week + 2, 2.0 / 3, CHART_ALL_COLOUR},     {week + 2, 0.85, CHART_ALL_BAND},
        {week + 2, 0.10, RGB(255, 255, 255)},      {week, 0.40, RGB(255, 255, 255)},
        {week, low, CHART_CHOSEN_BAND},  // the lower edge of 霊夢's band, 15 wins of 15
    };
    for (const Case& c : cases) {
        POINT at = ChartPoint(&plot, series, c.week, c.rate);
        EXPECT_EQ(c.colour, GetPixel(memory, at.x, at.y)) << c.week - week << " " << c.rate;
    }
    DeleteDC(memory);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
}

TEST_F(ReportWindow, MenuCopiesTheDayAndExportsCsv)
{
    SetClipboardText("before");
    SendMessageA(window, WM_COMMAND, ID_REPORT_COPY_DAY, 0);
    EXPECT_EQ("2009/01/15 の成績: 3戦 2勝 1敗 勝率 66.7% 最長連勝 2 最長連敗 1\r\n"
              "相手別:\r\n  ccc  2戦 2勝 0敗 勝率 100.0%\r\n  " WHOLE_CHARACTERS "  1戦 0勝 1敗 勝率 0.0%\r\n"
              "組み合わせ別:\r\n  魔理沙 対 咲夜  3戦 2勝 1敗 勝率 66.7%\r\n",
              ClipboardText());

    std::string csv = folder.File("書き出し.csv");
    DialogAnswerer answerer(GetCurrentThreadId(), {[&](HWND chooser) {
                                                       SetDlgItemTextA(chooser, 0x47C, csv.c_str());  // file name box
                                                       return IDOK;
                                                   }});
    PostMessageA(window, WM_COMMAND, ID_REPORT_EXPORT_CSV, 0);
    EXPECT_TRUE(PumpUntil([&] { return FileExists(csv) && ReadFileBytes(csv).size() > 0; }, 20000));
    EXPECT_EQ(1u, answerer.Seen().size());
    std::string bytes = ReadFileBytes(csv);
    EXPECT_EQ(30, std::count(bytes.begin(), bytes.end(), '\n'));  // the header and 29 rows
}

}  // namespace
