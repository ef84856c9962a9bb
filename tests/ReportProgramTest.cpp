// The report program: its counting, reads, CSV file and daily backups at the
// function on real record files; its window in this process (the rows of its
// lists, its message box); vty_report.exe as a process of its own.
#include "report/Backup.h"
#include "report/CsvExport.h"
#include "report/ProgressDialog.h"
#include "report/ReportData.h"
#include "report/ReportWindow.h"
#include "report/TrendChart.h"
#include "store/CharacterNames.h"
#include "support/ReportTestSupport.h"
#include "ui/window/DpiScaling.h"
#include <array>
#include <map>
#include <numeric>
#include <sstream>

namespace {

const int64_t DAY2 = 128753280000000000LL;  // 2009-01-02 00:00 local

// Stores the rows (none given: count matches) in the record file at path,
// made when missing; returns a connection that reads it.
RecordReader* RecordOf(const std::string& path, std::vector<MatchRecord> rows = {}, int count = 50)
{
    for (int i = rows.empty() ? 0 : count; i < count; ++i)
        rows.push_back({DAY2 + i * MINUTE, "me", i % 20, 2, "相手", 3, i % 2});
    return MakeRecord(path, rows) ? OpenRecordReader(path.c_str()) : nullptr;
}

TEST(ReportNumbers, RatesRangesAndUncertainty)
{
    struct {
        Tally tally;  // matches, wins, losses, undecided
        const char* shown;
    } cases[] = {{{0, 0, 0, 3}, "- - ?"},                {{19, 19, 0, 5}, "100.0% 83.2-100.0% ?"},
                 {{20, 11, 9, 0}, "55.0% 34.2-74.2% "}};
    for (const auto& c : cases) {
        char rate[16], range[32];
        FormatRate(&c.tally, rate);
        FormatRange(&c.tally, range);
        EXPECT_EQ(c.shown, std::string(rate) + " " + range + (IsUncertain(&c.tally) ? " ?" : " "));
    }
}

// A week runs from Monday 00:00 to the last tick of Sunday; the chart takes
// the 156 weeks up to the current one, and weeks with a decided match only.
TEST(ReportNumbers, WeeklySeries)
{
    const int32_t now = 20000;
    const int64_t monday = now * WEEK_TICKS;
    std::vector<MatchResult> results = {
        {(now - 155) * WEEK_TICKS - 1, 0, 2, 1, 0, 0}, {(now - 155) * WEEK_TICKS, 0, 2, 1, 0, 0},
        {(now - 2) * WEEK_TICKS, 0, 1, 1, 1, 0},       {(now - 2) * WEEK_TICKS + 1, 25, 2, 1, 0, 0},
        {monday - 1, 1, 0, 1, 2, 0},                   {monday, 0, 0, 2, 2, 0},
        {monday + WEEK_TICKS - 1, 1, 2, 3, 1, 0}};
    GrowArray<WeekPoint> series;
    series.Init();
    for (int32_t character : {-1, 1}) {
        BuildWeekSeries(results.data(), static_cast<uint32_t>(results.size()), character, now, &series);
        std::string text;
        for (const WeekPoint* point = series.data; point < series.data + series.count; ++point)
            text += std::to_string(point->week - now) + ":" + std::to_string(point->tally.matches) + "/" +
                    std::to_string(point->tally.wins) + "/" + std::to_string(point->tally.losses) + " ";
        EXPECT_EQ(character < 0 ? "-155:1/1/0 -1:1/0/1 0:2/1/1 " : "-1:1/0/1 0:1/1/0 ", text);
    }
    series.Clear();
}

// A session runs while matches are less than 30 minutes apart: 29:59 joins, 30:00 and
// 31:00 start the next one, and a night across midnight stays one. Its summary counts
// decided matches alone, as the statistics window of vty.exe does, the undecided (a 1-1)
// apart; streaks (a 1-1 neither extends nor breaks one), opponents by most matches,
// pairings by character; a row with an impossible character or win count counts nowhere.
TEST(ReportNumbers, Sessions)
{
    TempFolder folder;
    const int64_t SECOND = 10000000LL, latestStart = DAY2 - 2 * MINUTE;
    const int64_t third = latestStart - 30 * MINUTE, second = third - 29 * MINUTE - 59 * SECOND,
                  first = second - 31 * MINUTE;
    RecordReader* record = RecordOf(
        folder.File("Default.db"),
        {{first, "me", 0, 2, "x", 1, 0},                 {second, "me", 0, 0, "x", 1, 2},
         {third, "me", 0, 2, "x", 1, 1},                {DAY2 + 8 * MINUTE + 1, "me", 0, 3, "x", 1, 0},
         {DAY2 - 2 * MINUTE, "me", 3, 0, "old", 4, 2},   {DAY2 - 1, "me", 3, 2, "old", 4, 0},
         {DAY2, "me", 1, 2, "bob", 2, 1},                {DAY2 + 1 * MINUTE, "me", 0, 2, "ふらん", 1, 0},
         {DAY2 + 2 * MINUTE, "me", 0, 1, "bob", 2, 2},   {DAY2 + 3 * MINUTE, "me", 0, 2, "ふらん", 1, 1},
         {DAY2 + 4 * MINUTE, "me", 0, 1, "ふらん", 1, 1}, {DAY2 + 5 * MINUTE, "me", 1, 2, "bob", 2, 0},
         {DAY2 + 6 * MINUTE, "me", 0, 2, "ふらん", 1, 0}, {DAY2 + 7 * MINUTE, "me", 0, 0, "ふらん", 1, 2},
         {DAY2 + 8 * MINUTE, "me", 256, 2, "x", 1, 0},    {DAY2 + 9 * MINUTE, "me", 0, 0, "ふらん", 1, 2},
         {DAY2 + 10 * MINUTE, "me", 0, 2, "bob", 2, 1},  {INT64_MAX, "me", 5, 2, "未来", 6, 0}});
    ReportData data;
    InitReportData(&data);
    ASSERT_TRUE(record && ReadReportData(record, &data));
    EXPECT_EQ(2, data.leftOut);
    // A row dated far ahead (a clock set wrong) counts, but ends no session nor the chart.
    EXPECT_EQ(1, data.totals.perCharacter[5].wins);
    EXPECT_EQ(DAY2 + 10 * MINUTE, data.latestPlayed);
    TextBuffer text;
    text.Init();
    FormatSessionSummary(&data.session, &text);
    EXPECT_EQ("2009/01/01 23:58 からのセッション（0:12）の成績: 11戦 7勝 4敗 勝率 63.6% 最長連勝 3 最長連敗 2\r\n"
              "不成立（どちらも2本取っていない対戦） 1 戦は数えていません。\r\n"
              "相手別:\r\n  ふらん  5戦 3勝 2敗 勝率 60.0%\r\n  bob  4戦 3勝 1敗 勝率 75.0%\r\n"
              "  old  2戦 1勝 1敗 勝率 50.0%\r\n"
              "組み合わせ別:\r\n  霊夢 対 魔理沙  5戦 3勝 2敗 勝率 60.0%\r\n  霊夢 対 咲夜  2戦 1勝 1敗 勝率 50.0%\r\n"
              "  魔理沙 対 咲夜  2戦 2勝 0敗 勝率 100.0%\r\n  アリス 対 パチュリー  2戦 1勝 1敗 勝率 50.0%\r\n",
              std::string(text.data));
    text.Release();
    // Three sessions: the 29:59 gap joins, the 30:00 and 31:00 ones split.
    EXPECT_EQ(3u, data.recent.count);
    ClearReportData(&data);
    CloseRecordReader(record);
}

// The reads run in ranges, each over before its rows are handled: a match
// stored meanwhile gets in without waiting, and the ranges join up without
// a gap or a repeat.
TEST(ReportNumbers, ReadsInRangesThatLetAWriterIn)
{
    TempFolder folder;
    RecordReader* record = RecordOf(folder.File("Default.db"), {}, 2 * READ_RANGE_ROWS + 5);
    ASSERT_TRUE(record && OpenStoreFile(folder.File("Default.db")));
    sqlite3_busy_timeout(RecordConnection(), 0);
    std::vector<int64_t> stamps;  // 0 where the writer had to wait
    auto handler = [](const MatchRecord* row, void* seen) {
        auto* stamps = static_cast<std::vector<int64_t>*>(seen);
        MatchRecord later = {DAY2 + 9 * DAY_TICKS, "me", 1, 2, "later", 2, 0};
        stamps->push_back(stamps->empty() && !InsertRecord(&later) ? 0 : row->timestamp);
    };
    ASSERT_TRUE(ReadEveryMatch(record, handler, &stamps));
    CloseRecordDatabase();
    CloseRecordReader(record);
    ASSERT_EQ(2 * READ_RANGE_ROWS + 6u, stamps.size());
    for (int i = 0; i < 2 * READ_RANGE_ROWS + 5; ++i)
        ASSERT_EQ(DAY2 + i * MINUTE, stamps[i]);
}

// Every row, those in no count too; names quoted where they need it, those a spreadsheet
// would run as formulas behind an apostrophe; a name cut in its 16th character loses the
// half character; counts before 1601 keep the calendar.
TEST(ReportNumbers, CsvFile)
{
    TempFolder folder;
    const int64_t at = DAY2 + 600 * MINUTE + 70000000LL;
    RecordReader* record = RecordOf(folder.File("Default.db"),
                               {{at, "a,b", 4, 2, "say \"hi\"", 19, 0},
                                {at + MINUTE, "表示", 9, 1, "", 17, 1},
                                {at + 2 * MINUTE, "=cmd|' /C calc'!A0", 0, 2, "=1+1", 1, 0},
                                {at + 3 * MINUTE, "+1+1", 0, 0, "-1+1", 25, 2},
                                {at + 4 * MINUTE, "@SUM(1+1)", 0, 2, "\t=1+1", 1, 0},
                                {at + 5 * MINUTE, "\r=1+1", 0, 2, "あああああああああああああああ\x82", 1, 0},
                                {-DAY_TICKS / 2, "old", 0, 2, "old", 1, 0}});
    ASSERT_TRUE(ExportRecordCsv(record, folder.File("out.csv").c_str()));
    CloseRecordReader(record);
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

    void SetUp() override { CloseRecordReader(RecordOf(path, {}, 300)); }
    static SYSTEMTIME On(WORD day) { return {2024, 5, 0, day, 0, 0, 0, 0}; }
    BackupOutcome Backup(WORD day, std::string record = "")
    {
        SYSTEMTIME today = On(day);
        record = record.empty() ? path : record;
        RecordReader* connection = OpenRecordReader(record.c_str());
        BackupOutcome outcome = {};
        MakeDailyBackup(connection, record.c_str(), &today, &outcome);
        CloseRecordReader(connection);
        return outcome;
    }
};

TEST_F(ReportBackup, OneGoodCopyADay)
{
    BackupOutcome outcome = Backup(10);
    EXPECT_EQ(BACKUP_MADE, outcome.state);
    sqlite3* copy = OpenRecordReadOnly(outcome.newestGood);
    EXPECT_EQ("300", QueryText(copy, "SELECT count(*) FROM vaviradudiz123"));
    sqlite3_close(copy);
    // A match later that day changes the record, not the day's copy.
    CloseRecordReader(RecordOf(path, {{DAY2 + DAY_TICKS, "me", 0, 2, "later", 1, 0}}));
    EXPECT_EQ(BACKUP_ALREADY_TODAY, Backup(10).state);
    // An empty file of the day's name is no copy: the real one replaces it.
    WriteFileBytes(backups + "\\Default_2024-05-11.db", "");
    EXPECT_EQ(BACKUP_MADE, Backup(11).state);
    // A folder of the day's name cannot be replaced, and is never offered.
    ASSERT_TRUE(CreateDirectoryA((backups + "\\Default_2024-05-12.db").c_str(), nullptr));
    outcome = Backup(12);
    EXPECT_EQ(BACKUP_FAILED, outcome.state);
    EXPECT_STREQ("", outcome.newestGood);
    EXPECT_EQ("Default_2024-05-10.db Default_2024-05-11.db Default_2024-05-12.db ", FolderNames(backups));
}

// The newest 14 copies and the first of each month stay. Copies of other records, other
// files, copies dated after today or on no real day, and files of a copy's name that
// hold no record are never touched nor counted.
TEST_F(ReportBackup, Rotation)
{
    CreateDirectoryA(backups.c_str(), nullptr);
    std::string record = ReadFileBytes(path), kept;
    // Kept: the first of each month, the copies cut short (days 8 and 9), and the
    // 14 good ones from 04-25 to today's (05-10), which the call below makes.
    for (int month = 3; month <= 5; ++month)
        for (int day = 1; day <= (month == 5 ? 10 : 30); ++day) {
            std::string name = "Default_2024-0" + std::to_string(month) + (day < 10 ? "-0" : "-") +
                               std::to_string(day) + ".db";
            if (month < 5 || day < 10)
                WriteFileBytes(backups + "\\" + name, day == 8 || day == 9 ? "cut short" : record);
            kept += day == 1 || day == 8 || day == 9 || month == 5 || (month == 4 && day >= 25) ? name + " " : "";
        }
    for (const char* other : {"Default_2023-12-15.db", "Default_2023-12-20.db", "Other_2024-01-01.db",
                              "Default_x_2024-01-01.db", "Default_2024-01-02.txt", "Default_2024-05-11.db",
                              "Default_2031-01-01.db", "Default_2024-02-30.db"})
        WriteFileBytes(backups + "\\" + other, strncmp(other, "Default_2023", 12) ? "other" : record);
    EXPECT_EQ(BACKUP_MADE, Backup(10).state);
    EXPECT_EQ("Default_2023-12-15.db Default_2024-01-02.txt Default_2024-02-30.db " + kept +
                  "Default_2024-05-11.db Default_2031-01-01.db Default_x_2024-01-01.db Other_2024-01-01.db ",
              FolderNames(backups));
}

// A damaged record is never copied; the player is shown the newest good copy. A
// database without the table is no record: neither copied nor called damaged.
TEST_F(ReportBackup, DamagedOrNoRecordIsNeverCopied)
{
    ASSERT_EQ(BACKUP_MADE, Backup(9).state);
    std::string tableless = folder.File("Tableless.db");
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(tableless.c_str(), &db));
    ASSERT_TRUE(ExecuteSql(db, "CREATE TABLE other(x)"));
    sqlite3_close(db);
    WriteFileBytes(backups + "\\Default_2024-05-10.db", std::string(4096, 'x'));
    WriteFileBytes(backups + "\\Default_2024-05-11.db", "");
    ASSERT_TRUE(CopyFileA(tableless.c_str(), (backups + "\\Default_2024-05-12.db").c_str(), FALSE));
    std::string bytes = ReadFileBytes(path), names = FolderNames(backups);
    bytes.replace(2 * 4096, 4096, std::string(4096, '\xA5'));
    WriteFileBytes(path, bytes);

    BackupOutcome outcome = Backup(13);
    EXPECT_EQ(BACKUP_DAMAGED, outcome.state);
    EXPECT_EQ(bytes, ReadFileBytes(path));
    TextBuffer message;
    message.Init();
    DescribeBackupOutcome(&outcome, path.c_str(), &message);
    EXPECT_EQ("プロファイルが壊れています（整合性の検査で問題が見つかりました）。\r\n" + path +
                  "\r\n\r\n壊れたファイルはバックアップしていません。これまでのバックアップはそのまま残っています。"
                  "\r\n\r\n修復すると、このファイルから読める対戦をすべて取り出し、最新の正常なバックアップ\r\n" +
                  backups + "\\Default_2024-05-09.db\r\nと合わせて新しいプロファイルに保存します。"
                  "壊れたファイルもバックアップも変更しません。\r\n\r\n今すぐ修復しますか？"
                  "（メニュー「記録と配信」の「壊れたプロファイルを修復する」からもできます）",
              message.data);
    message.Release();
    EXPECT_EQ(BACKUP_NOT_RECORD, Backup(13, tableless).state);
    EXPECT_EQ(names, FolderNames(backups));
}

// The notes beside the program go into the record's backup folder as a checked copy
// of their own, rotated as the record's; a failed copy adds its line to the record's
// outcome, a missing notes file none, and a cancelled or failed one leaves no file.
TEST_F(ReportBackup, NotesAreCopiedBesideTheRecord)
{
    std::string notes = folder.File("vty_notes.db"), copy = backups + "\\vty_notes_2024-05-10.db";
    ASSERT_TRUE(MakeNotes(notes, {{"a'%s", "line 1\r\n\x81", 7}, {"相手", std::string(1023, 'x'), 8}}));
    CreateDirectoryA(backups.c_str(), nullptr);
    // Kept: the notes' copies of April 1 and from April 26 on (the one of May 5, cut short, does not count).
    std::string kept = "Default_2024-05-10.db ";
    for (int day = 1; day <= 39; ++day) {
        std::string date = day <= 30 ? (day < 10 ? "04-0" : "04-") + std::to_string(day)
                                     : "05-0" + std::to_string(day - 30);
        WriteFileBytes(backups + "\\vty_notes_2024-" + date + ".db", day == 35 ? "cut short" : ReadFileBytes(notes));
        kept += day == 1 || day >= 26 ? "vty_notes_2024-" + date + ".db " : "";
    }
    BackupOutcome outcome = Backup(10);
    SYSTEMTIME today = On(10);
    BackUpNotes(notes.c_str(), &today, &outcome);
    EXPECT_EQ(NOTES_BACKUP_MADE, outcome.notesState);
    EXPECT_EQ(Notes(notes), Notes(copy));
    EXPECT_EQ(kept + "vty_notes_2024-05-10.db ", FolderNames(backups));
    auto told = [](const BackupOutcome& o) {
        TextBuffer message;
        message.Init();
        DescribeBackupOutcome(&o, "R.db", &message);
        std::string text = message.data;
        message.Release();
        return text;
    };
    EXPECT_EQ("", told(outcome));
    // Damaged, or no notes file: no copy, and a line after the record's own outcome
    // (here a failed copy: a folder has the day's name).
    std::string bytes = ReadFileBytes(notes);
    bytes.replace(4096, 4096, std::string(4096, '\xA5'));
    ASSERT_TRUE(CreateDirectoryA((backups + "\\Default_2024-05-11.db").c_str(), nullptr));
    std::string names = FolderNames(backups);
    for (std::string broken : {bytes, std::string("not notes")}) {
        WriteFileBytes(notes, broken);
        outcome = Backup(11);
        BackUpNotes(notes.c_str(), &(today = On(11)), &outcome);
        EXPECT_EQ(NOTES_BACKUP_DAMAGED, outcome.notesState);
        EXPECT_EQ("プロファイルのバックアップを作れませんでした。\r\n保存先: " + backups +
                      "\r\n\r\nディスクの空きと、このフォルダーに書き込めるかを確かめてください。\r\n\r\n"
                      "相手メモのファイルが壊れているため、バックアップしていません。\r\n" + notes,
                  told(outcome));
        EXPECT_EQ(names, FolderNames(backups));
    }
    // Cancelled: nothing is left; no notes file: nothing to tell.
    ASSERT_TRUE(DeleteFileA(notes.c_str()) && MakeNotes(notes, {{"b", "c", 9}}));
    WorkProgress cancel = {[](int64_t, int64_t, void*) { return false; }, nullptr};
    outcome = Backup(12);
    names = FolderNames(backups);
    BackUpNotes(notes.c_str(), &(today = On(12)), &outcome, &cancel);
    EXPECT_EQ(NOTES_BACKUP_CANCELLED, outcome.notesState);
    DeleteFileA(notes.c_str());
    BackUpNotes(notes.c_str(), &today, &outcome);
    EXPECT_EQ(NOTES_BACKUP_NONE, outcome.notesState);
    EXPECT_EQ("", told(outcome));
    EXPECT_EQ(names, FolderNames(backups));
}

// The sort arrow of each column of a list's header: "^" up, "v" down, "-" none.
std::string SortArrows(HWND list)
{
    HWND header = ListView_GetHeader(list);
    std::string arrows;
    for (int i = 0; i < Header_GetItemCount(header); ++i) {
        HDITEMA item = {};
        item.mask = HDI_FORMAT;
        SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        arrows += item.fmt & HDF_SORTUP ? "^" : item.fmt & HDF_SORTDOWN ? "v" : "-";
    }
    return arrows;
}

// A click with the mouse on the header of a list's column.
void ClickHeader(HWND list, int column)
{
    HWND header = ListView_GetHeader(list);
    RECT cell;
    Header_GetItemRect(header, column, &cell);
    LPARAM at = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(header, WM_LBUTTONUP, 0, at);
    PumpMessages(0);
}

// 霊夢 wins 15 and loses 10, in sessions a match each; the latest session, of
// 魔理沙, wins twice and loses to a name cut in its 16th character; an id cut
// to 8 bits would count as 霊夢.
TEST(ReportWindow, RowsAndMessageBox)
{
    TempFolder folder;
    std::string path = folder.File("Default.db"), csv = folder.File("out.csv");
    std::vector<MatchRecord> rows;
    for (int i = 0; i < 25; ++i)
        rows.push_back({DAY2 + i * DAY_TICKS / 3, "me", 0, i < 15 ? 2 : 0, "aaa", i < 15 ? 2 : 3, i < 15 ? 1 : 2});
    for (int i = 0; i < 4; ++i)
        rows.push_back({DAY2 + 13 * DAY_TICKS + i, "me", i < 3 ? 1 : 256, i < 2 ? 2 : 1, "ccc", 2, i < 2 ? 0 : 2});
    lstrcpyA(rows[27].p2name, "あああああああああああああああ\x82");
    HWND window = CreateReportWindow(GetModuleHandleA(nullptr), RecordOf(path, rows), path.c_str());
    ASSERT_NE(nullptr, window);
    char summary[512];
    GetDlgItemTextA(window, IDC_SESSION_SUMMARY, summary, sizeof summary);
    EXPECT_EQ("最新のセッション 2009/01/15 00:00〜00:00（0:00）:  3戦 2勝 1敗  勝率 66.7%（95%範囲 20.8-93.9%）\r\n"
              "最長連勝 2  最長連敗 1  不成立 0\r\n"
              "対戦数は勝敗のついた対戦の数です（対戦表と同じ数え方）。不成立（1-1 など）は別に数えます。\r\n"
              "30分以上あいだが空くと次のセッションです。"
              "\r\nキャラか勝ち数がありえない値の記録 1 件は集計に入れていません。",
              std::string(summary));
    EXPECT_EQ("ccc|2|2|0|100.0%\nあああああああああああああああ|1|0|1|0.0%\n",
              ListText(GetDlgItem(window, IDC_SESSION_OPPONENTS)));
    EXPECT_EQ("魔理沙|咲夜|3|2|1|66.7%\n", ListText(GetDlgItem(window, IDC_SESSION_PAIRS)));
    HWND recent = GetDlgItem(window, IDC_RECENT_SESSIONS);
    EXPECT_EQ(26, ListView_GetItemCount(recent));
    EXPECT_EQ("2009/01/15 00:00|0:00|3|2|1|66.7%|2\n2009/01/10 00:00|0:00|1|0|1|0.0%|0\n", ListText(recent, 0, 1));
    SendMessageA(window, WM_COMMAND, ID_REPORT_COPY_SESSION, 0);
    EXPECT_EQ(0u, ClipboardText().find("2009/01/15 00:00 からのセッション（0:00）の成績: 3戦 2勝 1敗"));
    // Centred on the work area.
    RECT area, frame;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(window, &frame);
    EXPECT_NEAR((area.left + area.right) / 2, (frame.left + frame.right) / 2, 1);
    EXPECT_NEAR((area.top + area.bottom) / 2, (frame.top + frame.bottom) / 2, 1);
    EXPECT_EQ("全キャラ|28|17|11|60.7%|42.4-76.4%|\n霊夢|25|15|10|60.0%|40.7-76.6%|\n"
              "魔理沙|3|2|1|66.7%|20.8-93.9%|20戦未満・参考値\n",
              ListText(GetDlgItem(window, IDC_CHARACTERS)));
    EXPECT_EQ("霊夢|咲夜|15|15|0|100.0%|79.6-100.0%|20戦未満・参考値\n"
              "霊夢|アリス|10|0|10|0.0%|0.0-27.8%|20戦未満・参考値\n魔理沙|咲夜|3|2|1|66.7%|20.8-93.9%|20戦未満・参考値\n",
              ListText(GetDlgItem(window, IDC_PAIRS)));

    // Sorted by a click on a header: numbers as numbers (3 before 10), again
    // the other way round, names as text; the arrow on the sorted column alone.
    // The total row stays on top.
    HWND pairs = GetDlgItem(window, IDC_PAIRS), characters = GetDlgItem(window, IDC_CHARACTERS);
    struct {
        HWND list;
        int column;
        const char* order;  // the first cells of the rows, then the arrows
    } clicks[] = {{pairs, 2, "魔理沙|咲夜|3 霊夢|アリス|10 霊夢|咲夜|15 --^-----"},
                  {pairs, 2, "霊夢|咲夜|15 霊夢|アリス|10 魔理沙|咲夜|3 --v-----"},
                  {pairs, 1, "霊夢|アリス|10 霊夢|咲夜|15 魔理沙|咲夜|3 -^------"},
                  {characters, 4, "全キャラ|28 霊夢|25 魔理沙|3 ----^--"},
                  {characters, 4, "全キャラ|28 魔理沙|3 霊夢|25 ----v--"}};
    for (const auto& click : clicks) {
        ClickHeader(click.list, click.column);
        std::string order, text = ListText(click.list);
        for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
            size_t cut = text.find('|', text.find('|', at) + 1);
            cut = click.list == pairs ? text.find('|', cut + 1) : cut;
            order += text.substr(at, cut - at) + " ";
        }
        EXPECT_EQ(click.order, order + SortArrows(click.list));
    }

    // A CSV file that another program holds, chosen in the file dialog.
    WriteFileBytes(csv, "old");
    HANDLE held = CreateFileA(csv.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DialogAnswerer answerer(GetCurrentThreadId(), {Choose(csv), Press(IDYES), Press(IDOK)});
    SendMessageA(window, WM_COMMAND, ID_REPORT_EXPORT_CSV, 0);
    CloseHandle(held);
    ASSERT_EQ(3u, answerer.Seen().size());  // the file dialog, the question to replace the file, the error
    EXPECT_EQ("CSVファイルを書き出せませんでした。", answerer.Seen()[2].text);
    EXPECT_EQ(LoadIconA(nullptr, IDI_HAND), answerer.Seen()[2].icon);
    EXPECT_EQ("old", ReadFileBytes(csv));
    // Written: the message says where.
    std::string written = folder.File("書き出し.csv");
    DialogAnswerer told(GetCurrentThreadId(), {Choose(written), Press(IDOK)});
    SendMessageA(window, WM_COMMAND, ID_REPORT_EXPORT_CSV, 0);
    ASSERT_EQ(2u, told.Seen().size());
    EXPECT_EQ("CSVファイルを書き出しました。\r\n" + written, told.Seen()[1].text);
    EXPECT_EQ(LoadIconA(nullptr, IDI_ASTERISK), told.Seen()[1].icon);
    EXPECT_EQ("CSVファイルに書き出す", told.Seen()[1].title);
    EXPECT_EQ(0u, ReadFileBytes(written).find("日時,"));
    DestroyWindow(window);
    PumpMessages(0);  // takes the quit message that the window's end posts
}

// A list's rows as sorted "labels|matches|wins|losses" lines.
std::string Counts(HWND list, int labels)
{
    std::set<std::string> lines;
    std::stringstream text(ListText(list));
    for (std::string line; std::getline(text, line);) {
        size_t cut = 0;
        for (int cell = 0; cell < labels + 3; ++cell)
            cut = line.find('|', cut) + 1;
        lines.insert(line.substr(0, cut - 1) + "\n");
    }
    return std::accumulate(lines.begin(), lines.end(), std::string());
}

// Counted here: characters, pairs, opponents (in a session, those of undecided matches alone too).
std::vector<std::string> CountsOf(const std::vector<MatchRecord>& rows, int64_t from, int64_t to, bool session = 0)
{
    std::map<std::string, std::array<int, 4>> tallies[3];
    for (const MatchRecord& row : rows) {
        if (row.timestamp < from || row.timestamp > to || row.p1id > 19 || row.p1win > 2)
            continue;
        std::string own = CharacterShortName(row.p1id);
        for (std::string label : {"0全キャラ" + std::string(), "0" + own, "1" + own + "|" + CharacterShortName(row.p2id),
                                  "2" + std::string(row.p2name)}) {
            std::array<int, 4>& t = tallies[label[0] - '0'][label.substr(1)];
            int won = row.p1win == 2, lost = row.p2win == 2;
            t = {t[0] + won + lost, t[1] + won, t[2] + lost, t[3] + 1};
        }
    }
    std::vector<std::string> texts(3);
    for (int list = 0; list < 3; ++list)
        for (const auto& [label, t] : tallies[list])
            if (t[session ? 3 : 0])
                texts[list] += label + "|" + std::to_string(t[0]) + "|" + std::to_string(t[1]) + "|" +
                               std::to_string(t[2]) + "\n";
    return texts;
}

// 100 days, a session a day; matches at the 7 days' first moment and a tick before, after
// tomorrow (in all time alone), undecided, with no character: each period's pages equal
// a count of the same rows; a session's row opens that session, and the button goes back.
TEST(ReportWindow, PeriodsAndSessionsEqualTheirOwnCount)
{
    TempFolder folder;
    std::string path = folder.File("Default.db");
    const int64_t now = CurrentTimestamp(), today = DayStart(now), first7 = today - 6 * DAY_TICKS;
    const char* names[] = {"aaa", "ふらん", "bob", "\"%s\"", "zz"};
    std::vector<MatchRecord> rows = {{first7, "me", 3, 2, "edge", 4, 0}, {first7 - 1, "me", 3, 0, "edge", 4, 2},
                                     {now + 3 * DAY_TICKS, "me", 2, 2, "late", 2, 0},
                                     {today - 9, "me", 25, 2, "", 1, 0}};
    for (int day = 0; day < 100; ++day)
        for (int j = 0, won = day % 3; j <= day % 3 + 1; ++j, won = (won + 1) % 3)
            rows.push_back({today - day * DAY_TICKS + 600 * MINUTE + j * 5 * MINUTE, "me", (day * j + day) % 4,
                            won == 1 ? 0 : won == 2 && j == 1 ? 1 : 2, "", (day + 2 * j) % 6,
                            won == 0 ? 0 : won == 2 && j == 1 ? 1 : 2});
    for (size_t i = 4; i < rows.size(); ++i)
        lstrcpyA(rows[i].p2name, names[(i + rows[i].p1id) % 5]);
    HWND window = CreateReportWindow(GetModuleHandleA(nullptr), RecordOf(path, rows), path.c_str());
    ASSERT_NE(nullptr, window);
    HWND period = GetDlgItem(window, IDC_PERIOD_CHOICE);
    auto expect = [&](int chosen, int64_t from, int64_t to) {
        SendMessageA(period, CB_SETCURSEL, chosen, 0);
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_PERIOD_CHOICE, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(period));
        // Two days picked, the later one first.
        for (int id : {IDC_PERIOD_FROM, IDC_PERIOD_TO}) {
            SYSTEMTIME day;
            LocalTimeFromTimestamp(today - (id == IDC_PERIOD_FROM ? 20 : 50) * DAY_TICKS, &day);
            NMDATETIMECHANGE change = {{GetDlgItem(window, id), static_cast<UINT_PTR>(id), DTN_DATETIMECHANGE},
                                       GDT_VALID, day};
            SendMessageA(change.nmhdr.hwndFrom, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&day));
            SendMessageA(window, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&change));
        }
        for (int i = 0; i < 3; ++i)  // characters, pairs, opponents
            EXPECT_EQ(CountsOf(rows, from, to)[i], Counts(GetDlgItem(window, IDC_CHARACTERS + i), 1 + i % 2));
    };
    expect(REPORT_PERIOD_ALL, INT64_MIN, INT64_MAX);
    expect(REPORT_PERIOD_7_DAYS, first7, now + DAY_TICKS);
    expect(REPORT_PERIOD_CUSTOM, today - 50 * DAY_TICKS, today - 19 * DAY_TICKS - 1);

    // Yesterday's session by Enter on its row, then back to today's.
    HWND recent = GetDlgItem(window, IDC_RECENT_SESSIONS), back = GetDlgItem(window, IDC_LATEST_SESSION);
    ListView_SetItemState(recent, 1, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    SendMessageA(recent, WM_KEYDOWN, VK_RETURN, 0);
    for (int64_t day : {today - DAY_TICKS, today}) {
        std::vector<std::string> counted = CountsOf(rows, day, day + DAY_TICKS - 1, true);
        EXPECT_EQ(counted[2], Counts(GetDlgItem(window, IDC_SESSION_OPPONENTS), 1));
        EXPECT_EQ(counted[1], Counts(GetDlgItem(window, IDC_SESSION_PAIRS), 2));
        char summary[512];
        GetDlgItemTextA(window, IDC_SESSION_SUMMARY, summary, sizeof summary);
        EXPECT_EQ(day == today ? "最新のセッション" : "セッション ", std::string(summary, day == today ? 16 : 11));
        EXPECT_EQ(day != today, IsWindowVisible(back) != FALSE);
        SendMessageA(back, BM_CLICK, 0, 0);
    }
    DestroyWindow(window);
    PumpMessages(0);
}

// At every display scaling the report window shows each text whole: its
// summary, its lists with long names and its chart's choice. A run per scaling.
TEST(ReportWindow, EveryTextIsWholeAtEveryDisplayScaling)
{
    TempFolder folder;
    char result[MAX_PATH] = "";
    if (GetEnvironmentVariableA(SCALE_RUN, result, sizeof result)) {
        std::string path = folder.File("Default.db");
        std::vector<MatchRecord> rows;
        for (int i = 0; i < 60; ++i)
            rows.push_back({DAY2 + i * MINUTE, "me", 4, 2, "とても長い名前", 19 - i % 20, i % 3});
        HWND window = CreateReportWindow(GetModuleHandleA(nullptr), RecordOf(path, rows), path.c_str());
        WriteFileBytes(result, window ? std::to_string(WindowDpi(window)) + ":" + CutTexts(window) : "no window");
        DestroyWindow(window);
        PumpMessages(0);
        return;
    }
    std::vector<std::string> runs = RunAtEveryScaling(folder, "ReportProgramTest.exe", "ReportWindow.EveryText*");
    EXPECT_EQ("192: 120: 144: 96:", runs[0] + " " + runs[1] + " " + runs[2] + " " + runs[3]);
}

// An export long enough to show its progress, cancelled there: no file is
// left, not even the unfinished one, and nothing more is said.
TEST(ReportWindow, CancelledExportLeavesNoFile)
{
    TempFolder folder;
    std::string path = folder.File("Default.db"), csv = folder.File("out.csv");
    ASSERT_TRUE(MakeRecord(path, {}));
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
    ASSERT_TRUE(ExecuteSql(db, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 800000) "
                               "INSERT INTO vaviradudiz123 SELECT i * 600000000, 'me', i % 20, 2, 'you', 3, i % 2 FROM n"));
    sqlite3_close(db);
    HWND window = CreateReportWindow(GetModuleHandleA(nullptr), OpenRecordReader(path.c_str()), path.c_str());
    ASSERT_NE(nullptr, window);
    HWND progress = nullptr;
    std::thread canceller([&progress] {
        for (DWORD start = GetTickCount(); !progress && GetTickCount() - start < 15000; Sleep(20))
            progress = FindWindowA(PROGRESS_WINDOW_CLASS, "CSVファイルに書き出す");
        PostMessageA(progress, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(GetDlgItem(progress, IDCANCEL)));
    });
    DialogAnswerer answerer(GetCurrentThreadId(), {Choose(csv), Press(IDOK)});
    SendMessageA(window, WM_COMMAND, ID_REPORT_EXPORT_CSV, 0);
    canceller.join();
    EXPECT_NE(nullptr, progress);
    EXPECT_EQ(1u, answerer.Stop().size());  // the file dialog, and no message after the cancel
    EXPECT_EQ("Default.db ", FolderNames(folder.Path()));
    DestroyWindow(window);
    PumpMessages(0);
}

// The chart: a bar of matches under each week; a full point on a week of 20
// decided matches or more, a hollow one on a week of fewer (a rough rate) and
// on the week not over yet, however many it holds.
TEST(ReportWindow, ChartMarksUncertainAndUnfinishedWeeks)
{
    RegisterTrendChart(GetModuleHandleA(nullptr));
    HWND chart = CreateWindowExA(0, TREND_CHART_CLASS, "", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, chart);
    ChartSeries series = {};
    series.all.Init();
    series.chosen.Init();
    const int32_t first = 20000;
    for (Tally tally : {Tally{30, 15, 15, 0}, Tally{18, 9, 9, 4}, Tally{30, 15, 15, 0}})
        series.all.Append(WeekPoint{first + static_cast<int32_t>(series.all.count), tally});
    series.firstWeek = first;
    series.lastWeek = first + 2;
    RECT client = {0, 0, 600, 400}, plot;
    ChartPlotRect(&client, &plot);
    HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 600, 400);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (bool partial : {false, true}) {
        series.lastPartial = partial;
        SetChartSeries(chart, &series);
        SendMessageA(chart, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        std::string seen;
        for (int32_t week = first; week <= first + 2; ++week) {
            POINT at = ChartPoint(&plot, &series, week, 0.5);
            // Off the line through the points, inside the point.
            COLORREF inside = GetPixel(dc, at.x, at.y - 2);
            seen += inside == CHART_ALL_COLOUR ? "full " : inside == RGB(255, 255, 255) ? "hollow " : "? ";
            seen += GetPixel(dc, at.x + 2, plot.bottom - 3) == CHART_BAR_COLOUR ? "bar, " : "no bar, ";
        }
        EXPECT_EQ(partial ? "full bar, hollow bar, hollow no bar, " : "full bar, hollow bar, full bar, ", seen);
    }
    // One character chosen: the bars count its weeks alone.
    lstrcpyA(series.chosenName, "霊夢");
    series.chosen.Append(WeekPoint{first + 1, Tally{12, 6, 6, 0}});
    SendMessageA(chart, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    for (int32_t week = first; week <= first + 2; ++week)
        EXPECT_EQ(week == first + 1, GetPixel(dc, ChartPoint(&plot, &series, week, 0.5).x + 2, plot.bottom - 3) ==
                                         CHART_BAR_COLOUR);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    DestroyWindow(chart);
    series.all.Clear();
    series.chosen.Clear();
}

enum Holder { CLOSED, HELD_OPEN, LOCKED };

// The record is shown and backed up whoever holds it: open like vty.exe,
// storing a match meanwhile, or locked for a moment (the report tries again).
TEST(ReportProgram, FindsTheRecordBacksItUpAndNeverChangesIt)
{
    struct {
        const char* profile;   // [General] Profile in vty.ini beside the program, "" for none
        const char* argument;  // the command line
        const char* shown;     // the record the report names
        Holder holder;
        bool wal;  // the record is in WAL journal mode
    } cases[] = {{"Mine.db", "", "Mine.db", HELD_OPEN, false}, {"Mine.db", "Dropped.db", "Dropped.db", CLOSED, false},
                 {"", "", "Default.db", CLOSED, false},          {"", "Wal.db", "Wal.db", CLOSED, true},
                 {"", "Locked.db", "Locked.db", LOCKED, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        TempFolder program, records;
        std::string folder = c.profile[0] || c.argument[0] ? records.Path() : program.Path();
        std::string record = folder + "\\" + c.shown;
        if (c.profile[0])
            WritePrivateProfileStringA("General", "Profile", (folder + "\\" + c.profile).c_str(),
                                       program.File("vty.ini").c_str());
        CloseRecordReader(RecordOf(record));
        ASSERT_TRUE(MakeNotes(program.File("vty_notes.db"), {{"相手", "メモ", 1}}));
        ASSERT_TRUE(OpenStoreFile(record));
        ASSERT_TRUE(!c.wal || QueryText(RecordConnection(), "PRAGMA journal_mode=WAL") == "wal");
        ASSERT_TRUE(c.holder != LOCKED || ExecuteSql(RecordConnection(), "BEGIN EXCLUSIVE"));
        if (c.holder == CLOSED)
            CloseRecordDatabase();
        std::string bytes = ReadFileBytes(record);

        ProgramRun report(program, "vty_report.exe", c.argument[0] ? "\"" + folder + "\\" + c.argument + "\"" : "");
        if (c.holder == LOCKED) {
            // Past the first try's wait and the backup's own (2 s each): only a
            // later try sees the record.
            Sleep(5000);
            ExecuteSql(RecordConnection(), "COMMIT");
            CloseRecordDatabase();
        }
        HWND window = nullptr;
        PumpUntil([&] { return (window = FindWindowA(REPORT_WINDOW_CLASS, nullptr)) && IsWindowVisible(window); },
                  20000);
        char title[256] = "";
        GetWindowTextA(window, title, sizeof title);
        EXPECT_EQ(std::string("対戦成績レポート - ") + c.shown, title);
        char today[32];
        GetDateFormatA(LOCALE_USER_DEFAULT, 0, nullptr, "'_'yyyy'-'MM'-'dd'.db'", today, sizeof today);
        std::string copy = folder + "\\backup\\" + std::string(c.shown, strlen(c.shown) - 3) + today;
        EXPECT_TRUE(IsGoodRecordFile(copy.c_str())) << copy;
        EXPECT_EQ(Notes(program.File("vty_notes.db")), Notes(folder + "\\backup\\vty_notes" + today));
        if (c.holder == HELD_OPEN) {
            MatchRecord match = {DAY2 + 99 * DAY_TICKS, "me", 1, 2, "後で", 2, 0};
            EXPECT_TRUE(InsertRecord(&match));
            CloseRecordDatabase();
            bytes = ReadFileBytes(record);
        }
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(0, report.Wait());
        EXPECT_EQ(bytes, ReadFileBytes(record));
        for (const char* beside : {"-journal", "-wal", "-shm"})
            EXPECT_FALSE(FileExists(record + beside)) << beside;
    }
}

// A hot journal (vty.exe stopped while storing a match): after the tries the
// player is told that nothing is wrong with the record, which stays as it is.
TEST(ReportProgram, AHotJournalIsNeverCalledDamaged)
{
    TempFolder program, records;
    std::string record = records.File("Mine.db"), hot = records.File("Hot.db");
    CloseRecordReader(RecordOf(record));
    ASSERT_TRUE(CopyWithHotJournal(record, hot));
    std::string bytes = ReadFileBytes(hot) + ReadFileBytes(hot + "-journal");
    ProgramRun report(program, "vty_report.exe", "\"" + hot + "\"");
    DialogAnswerer answerer(report.info.dwThreadId, {IDOK}, 30000);
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ("プロファイルを今は読めません（ほかのプログラムが使用中か、vty.exe が記録の保存の途中で止まり、"
              "次に起動したときに元に戻す必要があります）。\r\n" + hot +
                  "\r\n\r\nプロファイルに問題が見つかったわけではありません。ファイルはそのままにして、"
                  "vty.exe を起動してからもう一度レポートを開いてください。",
              answerer.Seen()[0].text);
    EXPECT_EQ(1, report.Wait());
    EXPECT_EQ(bytes, ReadFileBytes(hot) + ReadFileBytes(hot + "-journal"));
    EXPECT_FALSE(FileExists(records.File("backup")));
}

}  // namespace
