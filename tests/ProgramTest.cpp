// vty.exe as a process of its own in a folder of its own, with the game
// stand-in as a second process.
#include "support/StandInGame.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

class Program : public testing::Test {
protected:
    TempFolder folder;
    PROCESS_INFORMATION tool = {};

    void SetUp() override
    {
        for (const char* file : {"vty.exe", "sqlite3.dll"})
            ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\" + file).c_str(), folder.File(file).c_str(), FALSE))
                << file;
    }
    void TearDown() override
    {
        if (tool.hProcess) {
            TerminateProcess(tool.hProcess, 1);
            CloseHandle(tool.hProcess);
            CloseHandle(tool.hThread);
        }
    }

    // Starts the tool and waits for its hidden window.
    HWND StartTool()
    {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        std::string line = "\"" + folder.File("vty.exe") + "\"";
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.Path().c_str(), &startup,
                            &tool))
            return nullptr;
        for (int i = 0; i < 300; ++i) {
            HWND window = MainWindowOfTool();
            if (window)
                return window;
            if (WaitForSingleObject(tool.hProcess, 20) == WAIT_OBJECT_0)
                break;
        }
        return nullptr;
    }
    HWND MainWindowOfTool()
    {
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, "DuzaveRarozorodi", nullptr)) != nullptr) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == tool.dwProcessId)
                return window;
        }
        return nullptr;
    }
    // "終了する" from the tray menu; returns the exit code.
    long ExitTool()
    {
        PostMessageA(MainWindowOfTool(), WM_COMMAND, 40004, 0);
        if (WaitForSingleObject(tool.hProcess, 30000) != WAIT_OBJECT_0)
            return -1000;
        DWORD code = 0;
        GetExitCodeProcess(tool.hProcess, &code);
        return static_cast<long>(code);
    }
    std::string Setting(const char* key)
    {
        char text[1025];
        GetPrivateProfileStringA("General", key, "<none>", text, sizeof text, folder.File("vty.ini").c_str());
        return text;
    }
    // Rows of the record file as "p1name p1id p1win p2name p2id p2win", oldest first.
    std::vector<std::string> Rows(const std::string& path)
    {
        std::vector<std::string> rows;
        wchar_t wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
        sqlite3* db = nullptr;
        if (sqlite3_open16(wide, &db) == SQLITE_OK) {
            sqlite3_stmt* statement = nullptr;
            if (sqlite3_prepare_v2(db,
                                   "SELECT p1name||' '||p1id||' '||p1win||' '||p2name||' '||p2id||' '||p2win "
                                   "FROM vaviradudiz123 ORDER BY timestamp",
                                   -1, &statement, nullptr) == SQLITE_OK) {
                while (sqlite3_step(statement) == SQLITE_ROW)
                    rows.push_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
            }
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
        return rows;
    }
};

}  // namespace

TEST_F(Program, FirstStartCreatesDefaultDatabaseAndRemembersIt)
{
    ASSERT_NE(nullptr, StartTool());
    EXPECT_TRUE(FileExists(folder.File("Default.db")));
    EXPECT_EQ(0, ExitTool());
    EXPECT_EQ(folder.File("Default.db"), Setting("Profile"));
    EXPECT_EQ("0", Setting("tcgLimit"));
    EXPECT_EQ("0", Setting("InfoTrans"));
    EXPECT_EQ(0u, ReadFileBytes(folder.File("Default.db")).find("SQLite format 3"));
}

TEST_F(Program, StartsOnTheProfileNamedInTheSettings)
{
    std::string other = folder.File("戦績.db");
    WritePrivateProfileStringA("General", "Profile", other.c_str(), folder.File("vty.ini").c_str());
    ASSERT_NE(nullptr, StartTool());
    EXPECT_EQ(0, ExitTool());
    EXPECT_TRUE(FileExists(other));
    EXPECT_FALSE(FileExists(folder.File("Default.db")));
    EXPECT_EQ(other, Setting("Profile"));
}

TEST_F(Program, RecordsMatchesOfTheRunningGameUntilExit)
{
    WritePrivateProfileStringA("General", "infoTrans", "2", folder.File("vty.ini").c_str());
    StandInGame game;
    ASSERT_TRUE(game.Start(folder.Path())) << game.LastAnswer();
    ASSERT_NE(nullptr, StartTool());
    Sleep(500);  // the tool finds the game within a poll or two

    ASSERT_TRUE(game.Do("match 13 4 Alice Bob 0 1 2 1"));
    for (int i = 0; i < 100 && Rows(folder.File("Default.db")).size() < 1; ++i)
        Sleep(50);
    ASSERT_TRUE(game.Do("match 14 5 Carol Dave 3 7 1 2"));
    for (int i = 0; i < 100 && Rows(folder.File("Default.db")).size() < 2; ++i)
        Sleep(50);

    EXPECT_EQ(0, ExitTool());
    std::vector<std::string> rows = Rows(folder.File("Default.db"));
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ("Alice 0 2 Bob 1 1", rows[0]);
    EXPECT_EQ("Dave 7 2 Carol 3 1", rows[1]);

    std::string clipboard;
    if (OpenClipboard(nullptr)) {
        HANDLE data = GetClipboardData(CF_TEXT);
        if (data) {
            clipboard = static_cast<const char*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    EXPECT_EQ("Dave(幽々子) 2-1 Carol(アリス)", clipboard);
    EXPECT_EQ(folder.File("Default.db"), Setting("Profile"));
    EXPECT_EQ("0", Setting("tcgLimit"));
    EXPECT_EQ("2", Setting("InfoTrans"));
}
