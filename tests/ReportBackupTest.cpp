// Daily backups of real record files: one copy a day, the rotation, and a
// damaged record that is never copied and is reported in plain Japanese.
#include "report/Backup.h"
#include "report/RecordReader.h"
#include "store/RecordQueries.h"
#include "support/StoreTestSupport.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <map>

namespace {

class ReportBackup : public testing::Test {
protected:
    TempFolder folder;
    std::string path = folder.File("Default.db");
    std::string backups = folder.File("backup");

    void SetUp() override { ASSERT_TRUE(AddMatches(300)); }

    bool AddMatches(int count)
    {
        if (!OpenStoreFile(path))
            return false;
        static int64_t next = 128752416000000000LL;
        bool ok = true;
        for (int i = 0; i < count && ok; ++i, next += 600000000LL) {
            MatchRecord match = {next, "me", i % 20, 2, "あいて", (i * 7) % 20, i % 2};
            ok = InsertRecord(&match);
        }
        CloseRecordDatabase();
        return ok;
    }
    BackupOutcome Backup(WORD year, WORD month, WORD day, const std::string& record = "")
    {
        SYSTEMTIME today = {};
        today.wYear = year, today.wMonth = month, today.wDay = day;
        std::string file = record.empty() ? path : record;
        sqlite3* connection = OpenRecordReadOnly(file.c_str());
        BackupOutcome outcome = {};
        MakeDailyBackup(connection, file.c_str(), &today, &outcome);
        sqlite3_close(connection);
        return outcome;
    }
    // Every file of the backup folder with its bytes.
    std::map<std::string, std::string> Copies()
    {
        std::map<std::string, std::string> files;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((backups + "\\*").c_str(), &found);
        while (search != INVALID_HANDLE_VALUE) {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                files[found.cFileName] = ReadFileBytes(backups + "\\" + found.cFileName);
            if (!FindNextFileA(search, &found))
                break;
        }
        FindClose(search);
        return files;
    }
    std::string Names()
    {
        std::string names;
        for (auto& file : Copies())
            names += file.first + " ";
        return names;
    }
};

TEST_F(ReportBackup, OneCopyADay)
{
    BackupOutcome first = Backup(2024, 5, 10);
    EXPECT_EQ(BACKUP_MADE, first.state);
    EXPECT_EQ(backups + "\\Default_2024-05-10.db", first.newestGood);
    sqlite3* copy = OpenRecordReadOnly(first.newestGood);
    EXPECT_EQ("300", QueryText(copy, "SELECT count(*) FROM vaviradudiz123"));
    sqlite3_close(copy);

    // Matches later that day change the record, not the day's copy.
    std::map<std::string, std::string> before = Copies();
    ASSERT_TRUE(AddMatches(5));
    EXPECT_EQ(BACKUP_ALREADY_TODAY, Backup(2024, 5, 10).state);
    EXPECT_EQ(before, Copies());
    EXPECT_EQ(BACKUP_MADE, Backup(2024, 5, 11).state);
    EXPECT_EQ("Default_2024-05-10.db Default_2024-05-11.db ", Names());
}

TEST_F(ReportBackup, RotationKeepsFourteenDaysAndTheFirstOfEachMonth)
{
    CreateDirectoryA(backups.c_str(), nullptr);
    std::vector<std::string> dates = {"2023-12-15", "2023-12-20"};
    for (int month = 3; month <= 5; ++month)
        for (int day = 1; day <= (month == 5 ? 9 : 30); ++day) {
            char date[16];
            wsprintfA(date, "2024-%02d-%02d", month, day);
            dates.push_back(date);
        }
    for (const std::string& date : dates)
        WriteFileBytes(backups + "\\Default_" + date + ".db", "copy");
    // Copies of other records and other files are never touched, nor copies
    // dated after today or on no real day, which count for nothing.
    for (const char* other : {"Other_2024-01-01.db", "Default_x_2024-01-01.db", "Default_2024-01-02.txt",
                              "Default_2024-05-11.db", "Default_2024-06-01.db", "Default_2031-01-01.db",
                              "Default_2024-02-30.db"})
        WriteFileBytes(backups + "\\" + other, "other");

    EXPECT_EQ(BACKUP_MADE, Backup(2024, 5, 10).state);
    EXPECT_EQ("Default_2023-12-15.db Default_2024-01-02.txt Default_2024-02-30.db Default_2024-03-01.db "
              "Default_2024-04-01.db Default_2024-04-27.db "
              "Default_2024-04-28.db Default_2024-04-29.db Default_2024-04-30.db Default_2024-05-01.db "
              "Default_2024-05-02.db Default_2024-05-03.db Default_2024-05-04.db Default_2024-05-05.db "
              "Default_2024-05-06.db Default_2024-05-07.db Default_2024-05-08.db Default_2024-05-09.db "
              "Default_2024-05-10.db Default_2024-05-11.db Default_2024-06-01.db Default_2031-01-01.db "
              "Default_x_2024-01-01.db Other_2024-01-01.db ",
              Names());
}

TEST_F(ReportBackup, DamagedRecordIsNeverCopiedAndTheNewestGoodCopyIsNamed)
{
    ASSERT_EQ(BACKUP_MADE, Backup(2024, 5, 9).state);
    // A newer copy that is itself no database is passed over.
    WriteFileBytes(backups + "\\Default_2024-05-10.db", std::string(4096, 'x'));
    std::string bytes = ReadFileBytes(path);
    ASSERT_GT(bytes.size(), 3 * 4096u);
    bytes.replace(2 * 4096, 4096, std::string(4096, '\xA5'));
    WriteFileBytes(path, bytes);
    std::map<std::string, std::string> before = Copies();

    BackupOutcome outcome = Backup(2024, 5, 11);
    EXPECT_EQ(BACKUP_DAMAGED, outcome.state);
    EXPECT_EQ(before, Copies());
    EXPECT_EQ(bytes, ReadFileBytes(path));
    TextBuffer message;
    message.Init();
    DescribeBackupOutcome(&outcome, path.c_str(), &message);
    EXPECT_EQ("記録ファイルが壊れています（整合性の検査で問題が見つかりました）。\r\n" + path +
                  "\r\n\r\n壊れたファイルはバックアップしていません。これまでのバックアップはそのまま残っています。"
                  "\r\n\r\n最新の正常なバックアップ:\r\n" +
                  backups +
                  "\\Default_2024-05-09.db\r\n\r\n元に戻すには、vty.exe を終了してから、このバックアップを"
                  "記録ファイルと同じフォルダーへコピーし、名前を「Default.db」に変えてください。",
              message.data);

    // Without any good copy, and when the copy cannot be written at all.
    std::string other = folder.File("Other.db");
    WriteFileBytes(other, bytes);
    outcome = Backup(2024, 5, 11, other);
    DescribeBackupOutcome(&outcome, other.c_str(), &message);
    EXPECT_EQ("記録ファイルが壊れています（整合性の検査で問題が見つかりました）。\r\n" + other +
                  "\r\n\r\n壊れたファイルはバックアップしていません。これまでのバックアップはそのまま残っています。"
                  "\r\n\r\n正常なバックアップはありません。",
              message.data);
    TempFolder blocked;
    std::string record = blocked.File("Default.db");
    CopyFileA(folder.File("backup\\Default_2024-05-09.db").c_str(), record.c_str(), FALSE);
    WriteFileBytes(blocked.File("backup"), "a file where the folder would be");
    outcome = Backup(2024, 5, 11, record);
    EXPECT_EQ(BACKUP_FAILED, outcome.state);
    DescribeBackupOutcome(&outcome, record.c_str(), &message);
    EXPECT_EQ("記録ファイルのバックアップを作れませんでした。\r\n保存先: " + blocked.File("backup") +
                  "\r\n\r\nディスクの空きと、このフォルダーに書き込めるかを確かめてください。",
              message.data);
    message.Release();
}

TEST_F(ReportBackup, OnlyAGoodRecordIsCopiedAndOnlyGoodCopiesCount)
{
    ASSERT_EQ(BACKUP_MADE, Backup(2024, 5, 9).state);
    // An empty file of today's name is no copy: the real one replaces it.
    WriteFileBytes(backups + "\\Default_2024-05-10.db", "");
    EXPECT_EQ(BACKUP_MADE, Backup(2024, 5, 10).state);
    sqlite3* copy = OpenRecordReadOnly((backups + "\\Default_2024-05-10.db").c_str());
    EXPECT_EQ("300", QueryText(copy, "SELECT count(*) FROM vaviradudiz123"));
    sqlite3_close(copy);
    // A folder of today's name cannot be replaced, and is never offered.
    ASSERT_TRUE(CreateDirectoryA((backups + "\\Default_2024-05-11.db").c_str(), nullptr));
    BackupOutcome outcome = Backup(2024, 5, 11);
    EXPECT_EQ(BACKUP_FAILED, outcome.state);
    EXPECT_STREQ("", outcome.newestGood);

    // An empty record and a database without the table are never copied,
    // so no rotation takes real copies away.
    std::string empty = folder.File("Empty.db"), tableless = folder.File("Tableless.db");
    WriteFileBytes(empty, "");
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(tableless.c_str(), &db));
    ASSERT_TRUE(ExecuteSql(db, "CREATE TABLE other(x)"));
    sqlite3_close(db);
    for (int day = 1; day <= 20; ++day)
        for (const char* name : {"Empty", "Tableless"})
            WriteFileBytes(backups + "\\" + name + "_2024-04-" + (day < 10 ? "0" : "") + std::to_string(day) + ".db",
                           "copy");
    std::map<std::string, std::string> before = Copies();
    for (const std::string& record : {empty, tableless}) {
        outcome = Backup(2024, 5, 12, record);
        EXPECT_EQ(BACKUP_NOT_RECORD, outcome.state) << record;
    }
    EXPECT_EQ(before, Copies());
    TextBuffer message;
    message.Init();
    DescribeBackupOutcome(&outcome, tableless.c_str(), &message);
    EXPECT_EQ("このファイルには対戦の記録がありません（空のファイルか、記録ファイルではないデータベースです）。\r\n" +
                  tableless + "\r\n\r\nバックアップは作っていません。これまでのバックアップはそのまま残っています。",
              message.data);
    message.Release();

    // Damage later: newer copies that are empty or lack the table are passed over.
    WriteFileBytes(backups + "\\Default_2024-05-12.db", "");
    ASSERT_TRUE(CopyFileA(tableless.c_str(), (backups + "\\Default_2024-05-13.db").c_str(), FALSE));
    std::string bytes = ReadFileBytes(path);
    bytes.replace(2 * 4096, 4096, std::string(4096, '\xA5'));
    WriteFileBytes(path, bytes);
    outcome = Backup(2024, 5, 14);
    EXPECT_EQ(BACKUP_DAMAGED, outcome.state);
    EXPECT_EQ(backups + "\\Default_2024-05-10.db", outcome.newestGood);
}

// A hot journal (the writer stopped while storing) or another program's
// lock: nothing is known to be wrong, so nothing is called damaged, copied
// or offered; once the writer has been there, the record backs up as ever.
TEST_F(ReportBackup, ARecordThatCannotBeReadNowIsNotDamaged)
{
    std::string hot = folder.File("Hot.db");
    ASSERT_TRUE(CopyWithHotJournal(path, hot));
    std::string bytes = ReadFileBytes(hot), journal = ReadFileBytes(hot + "-journal");
    BackupOutcome outcome = Backup(2024, 5, 10, hot);
    EXPECT_EQ(BACKUP_BUSY, outcome.state);
    EXPECT_STREQ("", outcome.newestGood);
    EXPECT_EQ(bytes, ReadFileBytes(hot));
    EXPECT_EQ(journal, ReadFileBytes(hot + "-journal"));
    EXPECT_EQ("", Names());
    TextBuffer message;
    message.Init();
    DescribeBackupOutcome(&outcome, hot.c_str(), &message);
    EXPECT_EQ("記録ファイルを今は読めません（ほかのプログラムが使用中か、vty.exe が記録の保存の途中で止まり、"
              "次に起動したときに元に戻す必要があります）。\r\n" +
                  hot +
                  "\r\n\r\n記録ファイルに問題が見つかったわけではありません。ファイルはそのままにして、"
                  "vty.exe を起動してからもう一度レポートを開いてください。",
              message.data);
    message.Release();
    // vty.exe's open rolls the journal back: all 300 matches are there.
    ASSERT_TRUE(OpenStoreFile(hot));
    EXPECT_EQ("300 0", QueryText(RecordConnection(), "SELECT count(*) || ' ' || sum(p2name='half-written') "
                                                     "FROM vaviradudiz123"));
    CloseRecordDatabase();
    EXPECT_EQ(BACKUP_MADE, Backup(2024, 5, 10, hot).state);

    sqlite3* holder = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &holder));
    ASSERT_TRUE(ExecuteSql(holder, "BEGIN EXCLUSIVE"));
    EXPECT_EQ(BACKUP_BUSY, Backup(2024, 5, 10).state);
    ExecuteSql(holder, "COMMIT");
    sqlite3_close(holder);
    EXPECT_EQ(BACKUP_MADE, Backup(2024, 5, 10).state);
}

}  // namespace
