// The report's numbers on real record files: Wilson ranges, the latest day
// with its streaks and tables, the whole-record totals, the weekly series and
// the CSV file read back.
#include "report/CsvExport.h"
#include "report/RecordReader.h"
#include "store/RecordQueries.h"
#include "store/TimeStamp.h"
#include "support/StoreTestSupport.h"
#include "support/TestSupport.h"
#include "store/CharacterNames.h"
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <algorithm>
#include <sstream>
#include <vector>

namespace {

const int64_t MINUTE = 600000000LL;
const int64_t DAY1 = 128752416000000000LL;  // 2009-01-01 00:00 local, a Thursday
// 15 full-width characters and the lead byte of the 16th.
#define WHOLE_CHARACTERS "あああああああああああああああ"

struct Row {
    int64_t at;
    const char* opponent;
    int32_t p1id, p1win, p2id, p2win;
};

// The day before is left out of the day's tables; the last day has every
// kind of result, an undecided 1-1 included, which breaks no streak.
const std::vector<Row> ROWS = {
    {DAY1 + 600 * MINUTE, "old", 3, 0, 4, 2},
    {DAY1 + 601 * MINUTE, "old", 3, 2, 4, 0},
    {DAY1 + DAY_TICKS + 600 * MINUTE, "ふらん", 0, 2, 1, 1},
    {DAY1 + DAY_TICKS + 601 * MINUTE, "ふらん", 0, 2, 1, 0},
    {DAY1 + DAY_TICKS + 602 * MINUTE, "bob", 0, 1, 2, 2},
    {DAY1 + DAY_TICKS + 603 * MINUTE, "bob", 1, 2, 2, 1},
    {DAY1 + DAY_TICKS + 604 * MINUTE, "bob", 1, 2, 2, 0},
    {DAY1 + DAY_TICKS + 605 * MINUTE, "ふらん", 0, 2, 1, 0},
    {DAY1 + DAY_TICKS + 606 * MINUTE, "ふらん", 0, 0, 1, 2},
    {DAY1 + DAY_TICKS + 607 * MINUTE, "ふらん", 0, 1, 1, 1},
    {DAY1 + DAY_TICKS + 608 * MINUTE, "ふらん", 0, 0, 1, 2},
    {DAY1 + DAY_TICKS + 609 * MINUTE, "bob", 0, 2, 2, 1},
};

class ReportNumbers : public testing::Test {
protected:
    TempFolder folder;
    sqlite3* record = nullptr;
    ReportData data;

    void SetUp() override
    {
        InitReportData(&data);
        ASSERT_TRUE(OpenStoreFile(folder.File("Default.db")));
        for (const Row& row : ROWS) {
            MatchRecord match = {row.at, "me", row.p1id, row.p1win, "", row.p2id, row.p2win};
            lstrcpyA(match.p2name, row.opponent);
            ASSERT_TRUE(InsertRecord(&match));
        }
        CloseRecordDatabase();
        record = OpenRecordReadOnly(folder.File("Default.db").c_str());
        ASSERT_NE(nullptr, record);
    }
    void TearDown() override
    {
        ClearReportData(&data);
        sqlite3_close(record);
    }
};

TEST(ReportRanges, WilsonScoreIntervalAndUncertainty)
{
    struct Case {
        int32_t wins, losses, undecided;
        const char* rate;
        const char* range;
        bool uncertain;
    } cases[] = {
        {2, 1, 0, "66.7%", "20.8-93.9%", true},   {0, 0, 3, "-", "-", true},
        {0, 10, 0, "0.0%", "0.0-27.8%", true},    {10, 0, 0, "100.0%", "72.2-100.0%", true},
        {1, 0, 0, "100.0%", "20.7-100.0%", true}, {19, 0, 5, "100.0%", "83.2-100.0%", true},
        {11, 9, 0, "55.0%", "34.2-74.2%", false}, {50, 50, 0, "50.0%", "40.4-59.6%", false},
    };
    for (const Case& c : cases) {
        Tally tally = {};
        for (int i = 0; i < c.wins; ++i)
            AddResult(&tally, 2, 1);
        for (int i = 0; i < c.losses; ++i)
            AddResult(&tally, 0, 2);
        for (int i = 0; i < c.undecided; ++i)
            AddResult(&tally, 1, 1);
        char rate[16], range[32];
        FormatRate(&tally, rate);
        FormatRange(&tally, range);
        EXPECT_EQ(std::string(c.rate) + " " + c.range + (c.uncertain ? " uncertain" : ""),
                  std::string(rate) + " " + range + (IsUncertain(&tally) ? " uncertain" : ""))
            << c.wins << "-" << c.losses;
    }
}

TEST_F(ReportNumbers, LatestDayAndItsSummary)
{
    ASSERT_TRUE(ReadReportData(record, &data));
    EXPECT_EQ(ROWS.size(), data.results.count);
    EXPECT_EQ(DAY1 + DAY_TICKS, data.day.dayStart);
    TextBuffer text;
    text.Init();
    FormatDaySummary(&data.day, &text);
    EXPECT_EQ("2009/01/02 の成績: 10戦 6勝 3敗 勝率 66.7% 最長連勝 3 最長連敗 2\r\n"
              "相手別:\r\n"
              "  ふらん  6戦 3勝 2敗 勝率 60.0%\r\n"
              "  bob  4戦 3勝 1敗 勝率 75.0%\r\n"
              "組み合わせ別:\r\n"
              "  霊夢 対 魔理沙  6戦 3勝 2敗 勝率 60.0%\r\n"
              "  霊夢 対 咲夜  2戦 1勝 1敗 勝率 50.0%\r\n"
              "  魔理沙 対 咲夜  2戦 2勝 0敗 勝率 100.0%\r\n",
              std::string(text.data));
    text.Release();
}

TEST_F(ReportNumbers, WholeRecordTotalsAndWeeklySeries)
{
    // Rows only a hand-edited file holds, on the latest day: in no count.
    sqlite3_close(record);
    ASSERT_TRUE(OpenStoreFile(folder.File("Default.db")));
    ASSERT_TRUE(ExecuteSql(RecordConnection(),
                           "INSERT INTO vaviradudiz123 VALUES "
                           "(128753280000000000 + 610 * 600000000, 'me', 256, 2, 'x', 1, 0),"
                           "(128753280000000000 + 611 * 600000000, 'me', 4294967296, 2, 'x', 1, 0),"
                           "(128753280000000000 + 612 * 600000000, 'me', 0, 2, 'x', 'abc', 0),"
                           "(128753280000000000 + 613 * 600000000, 'me', 0, 1000, 'x', 1, 0),"
                           "(128753280000000000 + 614 * 600000000, 'me', 0, 2, 'x', 1, -1),"
                           "(128753280000000000 + 615 * 600000000, 'me', 0, 2.5, 'x', 1, 0)"));
    CloseRecordDatabase();
    record = OpenRecordReadOnly(folder.File("Default.db").c_str());
    ASSERT_TRUE(ReadReportData(record, &data));
    EXPECT_EQ(6, data.leftOut);
    EXPECT_EQ(10, data.day.total.matches);
    EXPECT_EQ(6, data.day.total.wins);
    auto tallyText = [](const Tally& t) {
        return std::to_string(t.matches) + "/" + std::to_string(t.wins) + "/" + std::to_string(t.losses);
    };
    std::string totals = tallyText(data.totals.all);
    for (int id = 0; id < CHARACTER_COUNT; ++id)
        if (data.totals.perCharacter[id].matches)
            totals += " " + std::to_string(id) + ":" + tallyText(data.totals.perCharacter[id]);
    for (int pair = 0; pair < CHARACTER_COUNT * CHARACTER_COUNT; ++pair)
        if (data.totals.perPair[pair].matches)
            totals += " " + std::to_string(pair / 20) + "x" + std::to_string(pair % 20) + ":" +
                      tallyText(data.totals.perPair[pair]);
    EXPECT_EQ("12/7/4 0:8/4/3 1:2/2/0 3:2/1/1 0x1:6/3/2 0x2:2/1/1 1x2:2/2/0 3x4:2/1/1", totals);

    // Two more weeks: one a week later, one before the chart's 156 weeks.
    int32_t week = static_cast<int32_t>(DAY1 / WEEK_TICKS);
    std::vector<MatchResult> results(data.results.data, data.results.data + data.results.count);
    results.insert(results.begin(), MatchResult{DAY1 - 156 * WEEK_TICKS, 0, 2, 1, 0});
    results.push_back(MatchResult{DAY1 + WEEK_TICKS, 1, 0, 1, 2});
    GrowArray<WeekPoint> series;
    series.Init();
    for (int32_t character : {-1, 1, 5}) {
        BuildWeekSeries(results.data(), static_cast<uint32_t>(results.size()), character, week + 1, &series);
        std::string text;
        for (uint32_t i = 0; i < series.count; ++i)
            text += std::to_string(series.data[i].week - week) + ":" + tallyText(series.data[i].tally) + " ";
        EXPECT_EQ(character == -1 ? "0:12/7/4 1:1/0/1 " : character == 1 ? "0:2/2/0 1:1/0/1 " : "", text);
    }
    series.Clear();

    // Time stamps before 1601: in their order, with a latest day and dates.
    ASSERT_TRUE(OpenStoreFile(folder.File("Old.db")));
    for (int64_t at : {-3 * DAY_TICKS, -DAY_TICKS / 2}) {
        MatchRecord match = {at, "me", 0, 2, "old", 1, 0};
        ASSERT_TRUE(InsertRecord(&match));
    }
    CloseRecordDatabase();
    sqlite3_close(record);
    record = OpenRecordReadOnly(folder.File("Old.db").c_str());
    ASSERT_TRUE(ReadReportData(record, &data));
    ASSERT_EQ(2u, data.results.count);
    EXPECT_EQ(-3 * DAY_TICKS, data.results.data[0].timestamp);
    EXPECT_EQ(-DAY_TICKS, data.day.dayStart);
    TextBuffer text;
    text.Init();
    FormatDaySummary(&data.day, &text);
    std::string summary = text.data;
    EXPECT_EQ("1600/12/31 の成績: 1戦 1勝 0敗 勝率 100.0% 最長連勝 1 最長連敗 0", summary.substr(0, summary.find('\r')));
    text.Release();
}

// A minimal CSV reader: quoted fields with doubled quotes, CR LF lines.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text)
{
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"')
            rows.back().back() += text[++i];
        else if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == ',')
            rows.back().emplace_back();
        else if (!quoted && c == '\r' && text[i + 1] == '\n' && ++i)
            rows.emplace_back(1);
        else
            rows.back().back() += c;
    }
    rows.pop_back();  // after the last line ending
    return rows;
}

TEST_F(ReportNumbers, CsvGivesBackEveryRow)
{
    // Names that need quoting, and one that is Japanese with a 0x5C trail byte.
    sqlite3_close(record);
    ASSERT_TRUE(OpenStoreFile(folder.File("Default.db")));
    // Names a spreadsheet would run as formulas, and a name cut at 31 bytes
    // in the middle of its 16th character.
    MatchRecord odd[] = {{DAY1 + 2 * DAY_TICKS, "a,b", 4, 2, "say \"hi\"", 19, 0},
                         {DAY1 + 2 * DAY_TICKS + MINUTE, "表示", 9, 1, "", 17, 1},
                         {DAY1 + 2 * DAY_TICKS + 2 * MINUTE, "=cmd|' /C calc'!A0", 0, 2, "=1+1", 1, 0},
                         {DAY1 + 2 * DAY_TICKS + 3 * MINUTE, "+1+1", 0, 2, "-1+1", 1, 0},
                         {DAY1 + 2 * DAY_TICKS + 4 * MINUTE, "@SUM(1+1)", 0, 2, "\t=1+1", 1, 0},
                         {DAY1 + 2 * DAY_TICKS + 5 * MINUTE, "\r=1+1", 0, 2, WHOLE_CHARACTERS "\x82", 1, 0}};
    for (const MatchRecord& match : odd)
        ASSERT_TRUE(InsertRecord(&match));
    CloseRecordDatabase();
    record = OpenRecordReadOnly(folder.File("Default.db").c_str());
    ASSERT_TRUE(ExportRecordCsv(record, folder.File("out.csv").c_str()));

    std::vector<std::vector<std::string>> expected = {
        {"日時", "自分の名前", "自キャラ", "自分の勝ち数", "相手の名前", "相手キャラ", "相手の勝ち数", "結果"}};
    auto add = [&](const MatchRecord& r) {
        SYSTEMTIME t;
        LocalTimeFromTimestamp(r.timestamp, &t);
        char date[32];
        wsprintfA(date, "%04d/%02d/%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
        const char* result = r.p1win == 2 ? "勝ち" : r.p2win == 2 ? "負け" : "不成立";
        expected.push_back({date, r.p1name, CharacterShortName(r.p1id), std::to_string(r.p1win), r.p2name,
                            CharacterShortName(r.p2id), std::to_string(r.p2win), result});
    };
    for (const Row& row : ROWS) {
        MatchRecord match = {row.at, "me", row.p1id, row.p1win, "", row.p2id, row.p2win};
        lstrcpyA(match.p2name, row.opponent);
        add(match);
    }
    for (const MatchRecord& match : odd)
        add(match);
    const char* shown[][2] = {{"'=cmd|' /C calc'!A0", "'=1+1"},
                              {"'+1+1", "'-1+1"},
                              {"'@SUM(1+1)", "'\t=1+1"},
                              {"'\r=1+1", WHOLE_CHARACTERS}};
    for (size_t i = 0; i < 4; ++i) {
        expected[expected.size() - 4 + i][1] = shown[i][0];
        expected[expected.size() - 4 + i][4] = shown[i][1];
    }
    std::string bytes = ReadFileBytes(folder.File("out.csv"));
    EXPECT_EQ(expected, ParseCsv(bytes));
    for (const char* line : {"\"a,b\",パチュリー,2,\"say \"\"hi\"\"\",諏訪子,0,勝ち\r\n",
                             ",'=cmd|' /C calc'!A0,霊夢,2,'=1+1,魔理沙,0,勝ち\r\n",
                             ",'+1+1,霊夢,2,'-1+1,魔理沙,0,勝ち\r\n",
                             ",'@SUM(1+1),霊夢,2,'\t=1+1,魔理沙,0,勝ち\r\n",
                             ",\"'\r=1+1\",霊夢,2," WHOLE_CHARACTERS ",魔理沙,0,勝ち\r\n"})
        EXPECT_NE(std::string::npos, bytes.find(line)) << line;
}

// The reads run in ranges, each over before its rows are handled: a match
// that vty.exe stores meanwhile, without waiting at all, gets in, and the
// ranges join up without a gap or a repeat.
TEST_F(ReportNumbers, ReadsInRangesThatLetAWriterIn)
{
    sqlite3_close(record);
    ASSERT_TRUE(OpenStoreFile(folder.File("Default.db")));
    const int added = 2 * READ_RANGE_ROWS + 5;
    BeginTransaction();
    for (int i = 0; i < added; ++i) {
        MatchRecord match = {DAY1 + 3 * DAY_TICKS + i * MINUTE, "me", i % 20, 2, "many", 3, i % 2};
        ASSERT_TRUE(InsertRecord(&match));
    }
    ASSERT_TRUE(EndTransaction(false));
    sqlite3_busy_timeout(RecordConnection(), 0);
    record = OpenRecordReadOnly(folder.File("Default.db").c_str());
    struct Reading {
        std::vector<int64_t> stamps;
        bool stored = false;
    } reading;
    ASSERT_TRUE(ReadEveryMatch(
        record,
        [](const MatchRecord* row, void* context) {
            Reading* r = static_cast<Reading*>(context);
            if (r->stamps.empty()) {
                MatchRecord match = {DAY1 + 9 * DAY_TICKS, "me", 1, 2, "later", 2, 0};
                BeginTransaction();
                r->stored = InsertRecord(&match) && EndTransaction(false);
            }
            r->stamps.push_back(row->timestamp);
        },
        &reading));
    CloseRecordDatabase();
    EXPECT_TRUE(reading.stored);
    ASSERT_EQ(ROWS.size() + added + 1, reading.stamps.size());
    EXPECT_TRUE(std::is_sorted(reading.stamps.begin(), reading.stamps.end()));
    EXPECT_TRUE(std::adjacent_find(reading.stamps.begin(), reading.stamps.end()) == reading.stamps.end());
    ASSERT_TRUE(ReadReportData(record, &data));
    EXPECT_EQ(ROWS.size() + added + 1, data.results.count);
    EXPECT_EQ(DAY1 + 9 * DAY_TICKS, data.day.dayStart);
}

}  // namespace
