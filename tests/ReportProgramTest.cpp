// vty_report.exe as a process of its own: which record it takes, that it
// never changes it (also while a connection like vty.exe's holds it open and
// stores a match meanwhile), and that it makes the day's backup.
#include "report/RecordReader.h"
#include "report/ReportWindow.h"
#include "store/RecordDatabase.h"
#include "store/RecordQueries.h"
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
    } cases[] = {
        {"Mine.db", "", true, "Mine.db"},
        {"Mine.db", "Dropped.db", false, "Dropped.db"},
        {"", "", false, "Default.db"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        TempFolder program, records;
        for (const char* file : {"vty_report.exe", "sqlite3.dll"})
            ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\" + file).c_str(), program.File(file).c_str(), FALSE));
        std::string folder = c.profile[0] || c.argument[0] ? records.Path() : program.Path();
        if (c.profile[0])
            WritePrivateProfileStringA("General", "Profile", (folder + "\\" + c.profile).c_str(),
                                       program.File("vty.ini").c_str());
        std::string record = folder + "\\" + c.shown;
        ASSERT_TRUE(OpenStoreFile(record));
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

        std::string command = "\"" + program.File("vty_report.exe") + "\"";
        if (c.argument[0])
            command += " \"" + folder + "\\" + c.argument + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started = {};
        ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, program.Path().c_str(),
                                   &startup, &started));
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
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(started.hProcess, 20000));
        DWORD exitCode = 1;
        GetExitCodeProcess(started.hProcess, &exitCode);
        EXPECT_EQ(0u, exitCode);
        CloseHandle(started.hProcess);
        CloseHandle(started.hThread);
        EXPECT_EQ(bytes, ReadFileBytes(record));
        FILETIME now = WriteTime(record);
        EXPECT_EQ(0, CompareFileTime(&old, &now));
        EXPECT_FALSE(FileExists(record + "-journal"));
        EXPECT_FALSE(FileExists(record + "-wal"));
    }
}

}  // namespace
