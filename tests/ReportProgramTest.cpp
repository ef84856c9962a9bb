// vty_report.exe as a process of its own: which record it takes, that it
// never changes it or its folder (also while a connection like vty.exe's
// holds it open and stores a match meanwhile, and in WAL mode), and that it
// makes the day's backup.
#include "report/RecordReader.h"
#include "report/ReportWindow.h"
#include "store/RecordDatabase.h"
#include "store/RecordQueries.h"
#include "support/DialogAnswerer.h"
#include "support/StoreTestSupport.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

struct Found {
    DWORD process;
    HWND window;
};

BOOL CALLBACK FindReport(HWND window, LPARAM context)
{
    Found* found = reinterpret_cast<Found*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (process == found->process && strcmp(name, REPORT_WINDOW_CLASS) == 0 && IsWindowVisible(window))
        found->window = window;
    return !found->window;
}

FILETIME WriteTime(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// Starts a copy of vty_report.exe in program's folder, with a record path when one is given.
PROCESS_INFORMATION StartReport(const TempFolder& program, const std::string& record)
{
    for (const char* file : {"vty_report.exe", "sqlite3.dll"})
        CopyFileA((ProgramFolder() + "\\" + file).c_str(), program.File(file).c_str(), FALSE);
    std::string command = "\"" + program.File("vty_report.exe") + "\"";
    if (!record.empty())
        command += " \"" + record + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, program.Path().c_str(), &startup,
                   &started);
    return started;
}

// The exit code once the process has ended; -1, and the process ended,
// when it did not end in time (a message box nobody answers).
long EndOf(PROCESS_INFORMATION& started)
{
    DWORD exitCode = static_cast<DWORD>(-1);
    if (WaitForSingleObject(started.hProcess, 20000) == WAIT_OBJECT_0)
        GetExitCodeProcess(started.hProcess, &exitCode);
    else
        TerminateProcess(started.hProcess, exitCode);
    CloseHandle(started.hProcess);
    CloseHandle(started.hThread);
    return static_cast<long>(exitCode);
}

std::string Today()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[16];
    wsprintfA(date, "%04d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
    return date;
}

TEST(ReportProgram, FindsTheRecordBacksItUpAndNeverChangesIt)
{
    struct Case {
        const char* profile;    // [General] Profile in vty.ini beside the program, "" for none
        const char* argument;   // the command line
        bool heldOpen;          // a connection like vty.exe's holds the record
        const char* shown;      // the record the report names
        bool wal;               // the record is in WAL journal mode
    } cases[] = {
        {"Mine.db", "", true, "Mine.db", false},
        {"Mine.db", "Dropped.db", false, "Dropped.db", false},
        {"", "", false, "Default.db", false},
        {"", "Wal.db", false, "Wal.db", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        TempFolder program, records;
        std::string folder = c.profile[0] || c.argument[0] ? records.Path() : program.Path();
        if (c.profile[0])
            WritePrivateProfileStringA("General", "Profile", (folder + "\\" + c.profile).c_str(),
                                       program.File("vty.ini").c_str());
        std::string record = folder + "\\" + c.shown;
        ASSERT_TRUE(OpenStoreFile(record));
        if (c.wal) {
            ASSERT_EQ("wal", QueryText(RecordConnection(), "PRAGMA journal_mode=WAL"));
        }
        for (int i = 0; i < 50; ++i) {
            MatchRecord match = {128752416000000000LL + i * 600000000LL, "me", i % 20, 2, "相手", 3, i % 2};
            ASSERT_TRUE(InsertRecord(&match));
        }
        if (!c.heldOpen)
            CloseRecordDatabase();
        // An old time stamp, so that any write would show.
        FILETIME old = {0x10000000, 0x01C00000};
        HANDLE file = CreateFileA(record.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        SetFileTime(file, nullptr, nullptr, &old);
        CloseHandle(file);
        std::string bytes = ReadFileBytes(record);

        PROCESS_INFORMATION started = StartReport(program, c.argument[0] ? folder + "\\" + c.argument : "");
        ASSERT_TRUE(started.hProcess);
        Found found = {started.dwProcessId, nullptr};
        EXPECT_TRUE(PumpUntil([&] { return !EnumWindows(FindReport, reinterpret_cast<LPARAM>(&found)); }, 20000));
        char title[256] = "";
        GetWindowTextA(found.window, title, sizeof title);
        EXPECT_EQ(std::string("対戦成績レポート - ") + c.shown, title);
        std::string name(c.shown, strlen(c.shown) - 3);
        sqlite3* copy = OpenRecordReadOnly((folder + "\\backup\\" + name + "_" + Today() + ".db").c_str());
        EXPECT_EQ("50", QueryText(copy, "SELECT count(*) FROM vaviradudiz123"));
        sqlite3_close(copy);
        // The report holds no lock: the record can be changed while it shows.
        if (c.heldOpen) {
            MatchRecord match = {128800000000000000LL, "me", 1, 2, "後で", 2, 0};
            BeginTransaction();
            EXPECT_TRUE(EndTransaction(!InsertRecord(&match)));
            CloseRecordDatabase();
            bytes = ReadFileBytes(record);
            old = WriteTime(record);
        }
        PostMessageA(found.window, WM_CLOSE, 0, 0);
        EXPECT_EQ(0, EndOf(started));
        EXPECT_EQ(bytes, ReadFileBytes(record));
        FILETIME now = WriteTime(record);
        EXPECT_EQ(0, CompareFileTime(&old, &now));
        EXPECT_FALSE(FileExists(record + "-journal"));
        EXPECT_FALSE(FileExists(record + "-wal"));
        EXPECT_FALSE(FileExists(record + "-shm"));
    }
}

// A record that cannot be read now is tried again a little later: shown
// once another program's lock is gone; with a hot journal, after the tries,
// the player is told that nothing is wrong with it, and it stays as it is.
TEST(ReportProgram, ARecordThatCannotBeReadNowIsTriedAgainAndNeverCalledDamaged)
{
    TempFolder program, records;
    std::string record = records.File("Mine.db");
    ASSERT_TRUE(OpenStoreFile(record));
    for (int i = 0; i < 50; ++i) {
        MatchRecord match = {128752416000000000LL + i * 600000000LL, "me", i % 20, 2, "相手", 3, i % 2};
        ASSERT_TRUE(InsertRecord(&match));
    }
    CloseRecordDatabase();

    sqlite3* holder = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(record.c_str(), &holder));
    ASSERT_TRUE(ExecuteSql(holder, "BEGIN EXCLUSIVE"));
    PROCESS_INFORMATION started = StartReport(program, record);
    ASSERT_TRUE(started.hProcess);
    {
        DialogAnswerer answerer(started.dwThreadId, {IDOK});
        // Past the first try's wait for the lock, well before the last try.
        Sleep(3500);
        ExecuteSql(holder, "COMMIT");
        sqlite3_close(holder);
        Found found = {started.dwProcessId, nullptr};
        EXPECT_TRUE(PumpUntil([&] { return !EnumWindows(FindReport, reinterpret_cast<LPARAM>(&found)); }, 20000));
        for (const DialogSeen& seen : answerer.Stop())
            ADD_FAILURE() << seen.text;
        PostMessageA(found.window, WM_CLOSE, 0, 0);
        EXPECT_EQ(0, EndOf(started));
    }

    std::string hot = records.File("Hot.db");
    ASSERT_TRUE(CopyWithHotJournal(record, hot));
    std::string bytes = ReadFileBytes(hot), journal = ReadFileBytes(hot + "-journal");
    started = StartReport(program, hot);
    ASSERT_TRUE(started.hProcess);
    DialogAnswerer answerer(started.dwThreadId, {IDOK}, 30000);
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ("記録ファイルを今は読めません（ほかのプログラムが使用中か、vty.exe が記録の保存の途中で止まり、"
              "次に起動したときに元に戻す必要があります）。\r\n" +
                  hot +
                  "\r\n\r\n記録ファイルに問題が見つかったわけではありません。ファイルはそのままにして、"
                  "vty.exe を起動してからもう一度レポートを開いてください。",
              answerer.Seen()[0].text);
    EXPECT_EQ(1, EndOf(started));
    EXPECT_EQ(bytes, ReadFileBytes(hot));
    EXPECT_EQ(journal, ReadFileBytes(hot + "-journal"));
    EXPECT_FALSE(FileExists(records.File("backup\\Hot_" + Today() + ".db")));
}

}  // namespace
