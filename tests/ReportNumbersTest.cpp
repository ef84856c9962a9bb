// The report's parts at the function, on real record files: rates and
// ranges, the weekly series, the latest day, the reads, the CSV file and the
// daily backups.
#include "report/Backup.h"
#include "report/CsvExport.h"
#include "report/RecordReader.h"
#include "support/StoreTestSupport.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <algorithm>
#include <set>
#include <vector>

namespace {

const int64_t MINUTE = 600000000LL;
const int64_t DAY2 = 128753280000000000LL;  // 2009-01-02 00:00 local

// Stores the rows in the record file at path (made when missing); returns a
// connection that reads it.
sqlite3* RecordOf(const std::string& path, const std::vector<MatchRecord>& rows)
{
    bool ok = OpenStoreFile(path);
    BeginTransaction();
    for (const MatchRecord& row : rows)
        ok = ok && InsertRecord(&row);
    ok = EndTransaction(!ok) && ok;
    CloseRecordDatabase();
    return ok ? OpenRecordReadOnly(path.c_str()) : nullptr;
}

std::string TallyText(const Tally& t)
{
    return std::to_string(t.matches) + "/" + std::to_string(t.wins) + "/" + std::to_string(t.losses);
}

TEST(ReportNumbers, RatesRangesAndUncertainty)
{
    struct Case {
        int wins, losses, undecided;
        const char* shown;
    } cases[] = {
        {2, 1, 0, "66.7% 20.8-93.9% ?"},   {0, 0, 3, "- - ?"},
        {0, 10, 0, "0.0% 0.0-27.8% ?"},    {19, 0, 5, "100.0% 83.2-100.0% ?"},
        {11, 9, 0, "55.0% 34.2-74.2% "},   {50, 50, 0, "50.0% 40.4-59.6% "},
    };
    for (const Case& c : cases) {
        Tally tally = {};
        for (int i = 0; i < c.wins + c.losses + c.undecided; ++i)
            AddResult(&tally, i < c.wins ? 2 : 1, i < c.wins ? 0 : i < c.wins + c.losses ? 2 : 1);
        char rate[16], range[32];
        FormatRate(&tally, rate);
        FormatRange(&tally, range);
        EXPECT_EQ(c.shown, std::string(rate) + " " + range + (IsUncertain(&tally) ? " ?" : " "));
    }
}

// A week runs from Monday 00:00 to the last tick of Sunday; the chart takes
// the 156 weeks up to the current one, and weeks with a decided match only.
TEST(ReportNumbers, WeeklySeries)
{
    const int32_t now = 20000;
    const int64_t monday = now * WEEK_TICKS;
    std::vector<MatchResult> results = {
        {(now - 155) * WEEK_TICKS - 1, 0, 2, 1, 0}, {(now - 155) * WEEK_TICKS, 0, 2, 1, 0},
        {(now - 2) * WEEK_TICKS, 0, 1, 1, 1},       {(now - 2) * WEEK_TICKS + 1, 25, 2, 1, 0},
        {monday - 1, 1, 0, 1, 2},                   {monday, 0, 0, 2, 2},
        {monday + WEEK_TICKS - 1, 1, 2, 3, 1},
    };
    GrowArray<WeekPoint> series;
    series.Init();
    for (int32_t character : {-1, 1}) {
        BuildWeekSeries(results.data(), static_cast<uint32_t>(results.size()), character, now, &series);
        std::string text;
        for (uint32_t i = 0; i < series.count; ++i)
            text += std::to_string(series.data[i].week - now) + ":" + TallyText(series.data[i].tally) + " ";
        EXPECT_EQ(character < 0 ? "-155:1/1/0 -1:1/0/1 0:2/1/1 " : "-1:1/0/1 0:1/1/0 ", text);
    }
    series.Clear();
}

// The latest day from midnight on: its streaks (a 1-1 neither extends nor
// breaks one), opponents by most matches, pairings by character; a row with
// an impossible character is in no count.
TEST(ReportNumbers, LatestDay)
{
    TempFolder folder;
    sqlite3* record = RecordOf(
        folder.File("Default.db"),
        {{DAY2 - 2 * MINUTE, "me", 3, 0, "old", 4, 2},   {DAY2 - 1, "me", 3, 2, "old", 4, 0},
         {DAY2, "me", 1, 2, "bob", 2, 1},                {DAY2 + 1 * MINUTE, "me", 0, 2, "ふらん", 1, 0},
         {DAY2 + 2 * MINUTE, "me", 0, 1, "bob", 2, 2},   {DAY2 + 3 * MINUTE, "me", 0, 2, "ふらん", 1, 1},
         {DAY2 + 4 * MINUTE, "me", 0, 1, "ふらん", 1, 1}, {DAY2 + 5 * MINUTE, "me", 1, 2, "bob", 2, 0},
         {DAY2 + 6 * MINUTE, "me", 0, 2, "ふらん", 1, 0}, {DAY2 + 7 * MINUTE, "me", 0, 0, "ふらん", 1, 2},
         {DAY2 + 8 * MINUTE, "me", 256, 2, "x", 1, 0},    {DAY2 + 9 * MINUTE, "me", 0, 0, "ふらん", 1, 2},
         {DAY2 + 10 * MINUTE, "me", 0, 2, "bob", 2, 1}});
    ASSERT_NE(nullptr, record);
    ReportData data;
    InitReportData(&data);
    ASSERT_TRUE(ReadReportData(record, &data));
    EXPECT_EQ(1, data.leftOut);
    EXPECT_EQ("12/7/4", TallyText(data.totals.all));
    TextBuffer text;
    text.Init();
    FormatDaySummary(&data.day, &text);
    EXPECT_EQ("2009/01/02 の成績: 10戦 6勝 3敗 勝率 66.7% 最長連勝 3 最長連敗 2\r\n"
              "相手別:\r\n  ふらん  6戦 3勝 2敗 勝率 60.0%\r\n  bob  4戦 3勝 1敗 勝率 75.0%\r\n"
              "組み合わせ別:\r\n  霊夢 対 魔理沙  6戦 3勝 2敗 勝率 60.0%\r\n  霊夢 対 咲夜  2戦 1勝 1敗 勝率 50.0%\r\n"
              "  魔理沙 対 咲夜  2戦 2勝 0敗 勝率 100.0%\r\n",
              std::string(text.data));
    text.Release();
    ClearReportData(&data);
    sqlite3_close(record);
}

// The reads run in ranges, each over before its rows are handled: a match
// stored meanwhile gets in without waiting, and the ranges join up without
// a gap or a repeat.
TEST(ReportNumbers, ReadsInRangesThatLetAWriterIn)
{
    TempFolder folder;
    std::vector<MatchRecord> rows;
    for (int i = 0; i < 2 * READ_RANGE_ROWS + 5; ++i)
        rows.push_back({DAY2 + i * MINUTE, "me", i % 20, 2, "many", 3, 0});
    sqlite3* record = RecordOf(folder.File("Default.db"), rows);
    ASSERT_TRUE(record && OpenStoreFile(folder.File("Default.db")));
    sqlite3_busy_timeout(RecordConnection(), 0);
    std::vector<int64_t> stamps;
    auto handler = [](const MatchRecord* row, void* seen) {
        MatchRecord later = {DAY2 + 9 * DAY_TICKS, "me", 1, 2, "later", 2, 0};
        auto* stamps = static_cast<std::vector<int64_t>*>(seen);
        if (stamps->empty() && !InsertRecord(&later))
            stamps->push_back(0);  // the writer had to wait
        stamps->push_back(row->timestamp);
    };
    ASSERT_TRUE(ReadEveryMatch(record, handler, &stamps));
    CloseRecordDatabase();
    sqlite3_close(record);
    EXPECT_EQ(rows.size() + 1, stamps.size());
    EXPECT_TRUE(std::is_sorted(stamps.begin(), stamps.end()) && stamps.front() == DAY2);
    EXPECT_TRUE(std::adjacent_find(stamps.begin(), stamps.end()) == stamps.end());
}

// Every row, those in no count too; names quoted where they need it, and
// those a spreadsheet would run as formulas behind an apostrophe; a name cut
// in its 16th character loses the half character; counts before 1601 keep
// the calendar.
TEST(ReportNumbers, CsvFile)
{
    TempFolder folder;
    const int64_t at = DAY2 + 600 * MINUTE + 70000000LL;
    sqlite3* record = RecordOf(folder.File("Default.db"),
                               {{at, "a,b", 4, 2, "say \"hi\"", 19, 0},
                                {at + MINUTE, "表示", 9, 1, "", 17, 1},
                                {at + 2 * MINUTE, "=cmd|' /C calc'!A0", 0, 2, "=1+1", 1, 0},
                                {at + 3 * MINUTE, "+1+1", 0, 0, "-1+1", 25, 2},
                                {at + 4 * MINUTE, "@SUM(1+1)", 0, 2, "\t=1+1", 1, 0},
                                {at + 5 * MINUTE, "\r=1+1", 0, 2, "あああああああああああああああ\x82", 1, 0},
                                {-DAY_TICKS / 2, "old", 0, 2, "old", 1, 0}});
    ASSERT_TRUE(ExportRecordCsv(record, folder.File("out.csv").c_str()));
    sqlite3_close(record);
    EXPECT_EQ("日時,自分の名前,自キャラ,自分の勝ち数,相手の名前,相手キャラ,相手の勝ち数,結果\r\n"
              "1600/12/31 12:00:00,old,霊夢,2,old,魔理沙,0,勝ち\r\n"
              "2009/01/02 10:00:07,\"a,b\",パチュリー,2,\"say \"\"hi\"\"\",諏訪子,0,勝ち\r\n"
              "2009/01/02 10:01:07,表示,萃香,1,,美鈴,1,不成立\r\n"
              "2009/01/02 10:02:07,'=cmd|' /C calc'!A0,霊夢,2,'=1+1,魔理沙,0,勝ち\r\n"
              "2009/01/02 10:03:07,'+1+1,霊夢,0,'-1+1,25,2,負け\r\n"
              "2009/01/02 10:04:07,'@SUM(1+1),霊夢,2,'\t=1+1,魔理沙,0,勝ち\r\n"
              "2009/01/02 10:05:07,\"'\r=1+1\",霊夢,2,あああああああああああああああ,魔理沙,0,勝ち\r\n",
              ReadFileBytes(folder.File("out.csv")));
}

class ReportBackup : public testing::Test {
protected:
    TempFolder folder;
    std::string path = folder.File("Default.db"), backups = folder.File("backup");

    void SetUp() override { AddMatches(300); }
    void AddMatches(int count)
    {
        static int64_t next = DAY2;
        std::vector<MatchRecord> rows;
        for (int i = 0; i < count; ++i, next += MINUTE)
            rows.push_back({next, "me", i % 20, 2, "あいて", (i * 7) % 20, i % 2});
        sqlite3_close(RecordOf(path, rows));
    }
    BackupOutcome Backup(WORD day, std::string record = "")
    {
        SYSTEMTIME today = {2024, 5, 0, day, 0, 0, 0, 0};
        record = record.empty() ? path : record;
        sqlite3* connection = OpenRecordReadOnly(record.c_str());
        BackupOutcome outcome = {};
        MakeDailyBackup(connection, record.c_str(), &today, &outcome);
        sqlite3_close(connection);
        return outcome;
    }
    std::string Message(const BackupOutcome& outcome, const std::string& record)
    {
        TextBuffer message;
        message.Init();
        DescribeBackupOutcome(&outcome, record.c_str(), &message);
        std::string text = message.data;
        message.Release();
        return text;
    }
    std::string Matches(const std::string& copy)
    {
        sqlite3* db = OpenRecordReadOnly((backups + "\\" + copy).c_str());
        std::string count = QueryText(db, "SELECT count(*) FROM vaviradudiz123");
        sqlite3_close(db);
        return count;
    }
    // The names in the backup folder, in order.
    std::string Names()
    {
        std::set<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((backups + "\\*.*").c_str(), &found);
        for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
            names.insert(found.cFileName[0] == '.' ? "" : std::string(found.cFileName) + " ");
        FindClose(search);
        std::string text;
        for (const std::string& name : names)
            text += name;
        return text;
    }
};

TEST_F(ReportBackup, OneGoodCopyADay)
{
    BackupOutcome outcome = Backup(10);
    EXPECT_EQ(BACKUP_MADE, outcome.state);
    EXPECT_EQ(backups + "\\Default_2024-05-10.db", outcome.newestGood);
    EXPECT_EQ("300", Matches("Default_2024-05-10.db"));
    // Matches later that day change the record, not the day's copy.
    std::string copy = ReadFileBytes(outcome.newestGood);
    AddMatches(5);
    EXPECT_EQ(BACKUP_ALREADY_TODAY, Backup(10).state);
    EXPECT_EQ(copy, ReadFileBytes(outcome.newestGood));
    // An empty file of the day's name is no copy: the real one replaces it.
    WriteFileBytes(backups + "\\Default_2024-05-11.db", "");
    EXPECT_EQ(BACKUP_MADE, Backup(11).state);
    EXPECT_EQ("305", Matches("Default_2024-05-11.db"));
    // A folder of the day's name cannot be replaced, and is never offered.
    ASSERT_TRUE(CreateDirectoryA((backups + "\\Default_2024-05-12.db").c_str(), nullptr));
    outcome = Backup(12);
    EXPECT_EQ(BACKUP_FAILED, outcome.state);
    EXPECT_STREQ("", outcome.newestGood);
    EXPECT_EQ("記録ファイルのバックアップを作れませんでした。\r\n保存先: " + backups +
                  "\r\n\r\nディスクの空きと、このフォルダーに書き込めるかを確かめてください。",
              Message(outcome, path));
    EXPECT_EQ("Default_2024-05-10.db Default_2024-05-11.db Default_2024-05-12.db ", Names());
}

// The newest 14 copies and the first of each month stay. Copies of other
// records, other files, and copies dated after today or on no real day are
// never touched and count for nothing.
TEST_F(ReportBackup, Rotation)
{
    CreateDirectoryA(backups.c_str(), nullptr);
    for (int month = 3; month <= 5; ++month)
        for (int day = 1; day <= (month == 5 ? 9 : 30); ++day)
            WriteFileBytes(backups + "\\Default_2024-0" + std::to_string(month) + (day < 10 ? "-0" : "-") +
                               std::to_string(day) + ".db",
                           "copy");
    for (const char* other : {"Default_2023-12-15.db", "Default_2023-12-20.db", "Other_2024-01-01.db",
                              "Default_x_2024-01-01.db", "Default_2024-01-02.txt", "Default_2024-05-11.db",
                              "Default_2031-01-01.db", "Default_2024-02-30.db"})
        WriteFileBytes(backups + "\\" + other, "other");
    EXPECT_EQ(BACKUP_MADE, Backup(10).state);
    EXPECT_EQ("Default_2023-12-15.db Default_2024-01-02.txt Default_2024-02-30.db Default_2024-03-01.db "
              "Default_2024-04-01.db Default_2024-04-27.db Default_2024-04-28.db Default_2024-04-29.db "
              "Default_2024-04-30.db Default_2024-05-01.db Default_2024-05-02.db Default_2024-05-03.db "
              "Default_2024-05-04.db Default_2024-05-05.db Default_2024-05-06.db Default_2024-05-07.db "
              "Default_2024-05-08.db Default_2024-05-09.db Default_2024-05-10.db Default_2024-05-11.db "
              "Default_2031-01-01.db Default_x_2024-01-01.db Other_2024-01-01.db ",
              Names());
}

// A damaged record is never copied; the player is shown the newest copy
// that is a good record. An empty file or a database without the table is
// no record: nothing is copied and nothing is called damaged.
TEST_F(ReportBackup, DamagedOrNoRecordIsNeverCopied)
{
    ASSERT_EQ(BACKUP_MADE, Backup(9).state);
    std::string tableless = folder.File("Tableless.db"), empty = folder.File("Empty.db"), other = folder.File("Other.db");
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(tableless.c_str(), &db));
    ASSERT_TRUE(ExecuteSql(db, "CREATE TABLE other(x)"));
    sqlite3_close(db);
    WriteFileBytes(empty, "");
    WriteFileBytes(backups + "\\Default_2024-05-10.db", std::string(4096, 'x'));
    WriteFileBytes(backups + "\\Default_2024-05-11.db", "");
    ASSERT_TRUE(CopyFileA(tableless.c_str(), (backups + "\\Default_2024-05-12.db").c_str(), FALSE));
    std::string bytes = ReadFileBytes(path), names = Names();
    ASSERT_GT(bytes.size(), 3 * 4096u);
    bytes.replace(2 * 4096, 4096, std::string(4096, '\xA5'));
    WriteFileBytes(path, bytes);
    WriteFileBytes(other, bytes);

    BackupOutcome outcome = Backup(13);
    EXPECT_EQ(BACKUP_DAMAGED, outcome.state);
    EXPECT_EQ(bytes, ReadFileBytes(path));
    EXPECT_EQ("記録ファイルが壊れています（整合性の検査で問題が見つかりました）。\r\n" + path +
                  "\r\n\r\n壊れたファイルはバックアップしていません。これまでのバックアップはそのまま残っています。"
                  "\r\n\r\n最新の正常なバックアップ:\r\n" + backups + "\\Default_2024-05-09.db\r\n\r\n"
                  "元に戻すには、vty.exe を終了してから、このバックアップを記録ファイルと同じフォルダーへコピーし、"
                  "名前を「Default.db」に変えてください。",
              Message(outcome, path));
    outcome = Backup(13, other);
    EXPECT_EQ(BACKUP_DAMAGED, outcome.state);
    std::string message = Message(outcome, other);
    EXPECT_EQ("正常なバックアップはありません。", message.substr(message.rfind('\n') + 1));
    for (const std::string& record : {empty, tableless}) {
        outcome = Backup(13, record);
        EXPECT_EQ(BACKUP_NOT_RECORD, outcome.state) << record;
    }
    EXPECT_EQ("このファイルには対戦の記録がありません（空のファイルか、記録ファイルではないデータベースです）。\r\n" +
                  tableless + "\r\n\r\nバックアップは作っていません。これまでのバックアップはそのまま残っています。",
              Message(outcome, tableless));
    EXPECT_EQ(names, Names());
}

}  // namespace
