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
    // Copies of other records and other files are never touched.
    for (const char* other : {"Other_2024-01-01.db", "Default_x_2024-01-01.db", "Default_2024-01-02.txt"})
        WriteFileBytes(backups + "\\" + other, "other");

    EXPECT_EQ(BACKUP_MADE, Backup(2024, 5, 10).state);
    EXPECT_EQ("Default_2023-12-15.db Default_2024-01-02.txt Default_2024-03-01.db Default_2024-04-01.db Default_2024-04-27.db "
              "Default_2024-04-28.db Default_2024-04-29.db Default_2024-04-30.db Default_2024-05-01.db "
              "Default_2024-05-02.db Default_2024-05-03.db Default_2024-05-04.db Default_2024-05-05.db "
              "Default_2024-05-06.db Default_2024-05-07.db Default_2024-05-08.db Default_2024-05-09.db "
              "Default_2024-05-10.db Default_x_2024-01-01.db Other_2024-01-01.db ",
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

}  // namespace
