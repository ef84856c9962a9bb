// vty.exe as a process of its own in a folder of its own, with the game
// stand-in as a second process.
#include "support/StandInGame.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <vector>

namespace {

// One copy of the tool, started from its folder.
struct Tool {
    PROCESS_INFORMATION process = {};

    ~Tool()
    {
        if (process.hProcess) {
            TerminateProcess(process.hProcess, 1);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
    }
    // Starts it and waits for its hidden window, or for its end.
    bool Start(const TempFolder& folder)
    {
        for (const char* file : {"vty.exe", "sqlite3.dll"})
            CopyFileA((ProgramFolder() + "\\" + file).c_str(), folder.File(file).c_str(), FALSE);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        std::string line = "\"" + folder.File("vty.exe") + "\"";
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.Path().c_str(), &startup,
                            &process))
            return false;
        for (int i = 0; i < 300 && !Window("DuzaveRarozorodi"); ++i)
            if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0)
                return false;
        // Idle in its message loop: start-up has ended.
        return Window("DuzaveRarozorodi") && WaitForInputIdle(process.hProcess, 10000) == 0;
    }
    // A top-level window of this process by class.
    HWND Window(const char* windowClass)
    {
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, windowClass, nullptr)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == process.dwProcessId)
                return window;
        }
        return nullptr;
    }
    // Waits for the end; the exit code, or -1000 when it did not end.
    long Wait(DWORD ms)
    {
        if (WaitForSingleObject(process.hProcess, ms) != WAIT_OBJECT_0)
            return -1000;
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        return static_cast<long>(code);
    }
    // "終了する" from the tray menu.
    long Exit()
    {
        PostMessageA(Window("DuzaveRarozorodi"), WM_COMMAND, 40004, 0);
        return Wait(30000);
    }
};

std::string Setting(const TempFolder& folder, const char* key)
{
    char text[1025];
    GetPrivateProfileStringA("General", key, "<none>", text, sizeof text, folder.File("vty.ini").c_str());
    return text;
}

// Rows of the record file as "p1name p1id p1win p2name p2id p2win", oldest first.
std::vector<std::string> Rows(const std::string& path)
{
    std::vector<std::string> rows;
    sqlite3* db = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db,
                           "SELECT p1name||' '||p1id||' '||p1win||' '||p2name||' '||p2id||' '||p2win "
                           "FROM vaviradudiz123 ORDER BY timestamp",
                           -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW)
            rows.push_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

// Names and bytes of every file in a folder.
std::string FolderContent(const TempFolder& folder)
{
    std::string content;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(folder.File("*").c_str(), &found);
    while (search != INVALID_HANDLE_VALUE) {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            content += std::string(found.cFileName) + "=" + ReadFileBytes(folder.File(found.cFileName)) + "\n";
        if (!FindNextFileA(search, &found)) {
            FindClose(search);
            break;
        }
    }
    return content;
}

}  // namespace

TEST(Program, RecordsMatchesOfTheRunningGameFromTheFirstStartUntilExit)
{
    TempFolder folder;
    WritePrivateProfileStringA("General", "infoTrans", "2", folder.File("vty.ini").c_str());
    StandInGame game;
    ASSERT_TRUE(game.Start(folder.Path())) << game.LastAnswer();
    Tool tool;
    ASSERT_TRUE(tool.Start(folder));
    std::string record = folder.File("Default.db");
    ASSERT_TRUE(game.Do("match 13 4 Alice Bob 0 1 2 1"));
    ASSERT_TRUE(PumpUntil([&] { return Rows(record).size() == 1; }, 5000));
    ASSERT_TRUE(game.Do("match 14 5 Carol Dave 3 7 1 2"));
    ASSERT_TRUE(PumpUntil([&] { return Rows(record).size() == 2; }, 5000));

    EXPECT_EQ(0, tool.Exit());
    std::vector<std::string> rows = Rows(record);
    EXPECT_EQ((std::vector<std::string>{"Alice 0 2 Bob 1 1", "Dave 7 2 Carol 3 1"}), rows);
    EXPECT_EQ("Dave(幽々子) 2-1 Carol(アリス)", ClipboardText());
    EXPECT_EQ(record + "|0|2", Setting(folder, "Profile") + "|" + Setting(folder, "tcgLimit") + "|" +
                                   Setting(folder, "InfoTrans"));
}

TEST(Program, ASecondStartFromTheSameFolderShowsTheFirstAndChangesNothing)
{
    TempFolder folder, otherFolder;
    Tool first;
    ASSERT_TRUE(first.Start(folder));
    HWND stats = first.Window("#32770");
    ASSERT_NE(nullptr, stats);
    EXPECT_FALSE(IsWindowVisible(stats));
    std::string before = FolderContent(folder);

    Tool second;
    EXPECT_FALSE(second.Start(folder));
    EXPECT_EQ(0, second.Wait(10000));
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(stats) != FALSE; }, 5000));
    EXPECT_EQ(before, FolderContent(folder));

    // Another folder is another player's tool.
    Tool other;
    ASSERT_TRUE(other.Start(otherFolder));
    EXPECT_EQ(0, other.Exit());
    EXPECT_EQ(otherFolder.File("Default.db"), Setting(otherFolder, "Profile"));
    EXPECT_EQ(0, first.Exit());
    EXPECT_EQ(folder.File("Default.db"), Setting(folder, "Profile"));
}
