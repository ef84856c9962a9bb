// The report on screen: its window in this process (the rows that reach its
// lists, its menu, its message box), and vty_report.exe as a process of its
// own: which record it takes, the day's backup, a record it cannot read now,
// and that it never changes the record or its folder.
#include "report/RecordReader.h"
#include "report/ReportWindow.h"
#include "support/DialogAnswerer.h"
#include "support/StatsFixture.h"
#include "support/StoreTestSupport.h"
#include <commctrl.h>
#include <sqlite3.h>

namespace {

const int64_t DAY1 = 128752416000000000LL + 600 * 600000000LL;  // 2009-01-01 10:00 local

// A record file at path with the matches (rows) or fifty of them.
void MakeRecord(const std::string& path, std::vector<MatchRecord> rows = {})
{
    for (int i = rows.empty() ? 0 : 50; i < 50; ++i)
        rows.push_back({DAY1 + i * 600000000LL, "me", i % 20, 2, "相手", 3, i % 2});
    ASSERT_TRUE(OpenStoreFile(path));
    BeginTransaction();
    for (const MatchRecord& row : rows)
        ASSERT_TRUE(InsertRecord(&row));
    ASSERT_TRUE(EndTransaction(false));
    CloseRecordDatabase();
}

// 霊夢 wins 15 and loses 10; on the latest day 魔理沙 wins twice and loses
// to a name cut in its 16th character; an id cut to 8 bits would count as 霊夢.
TEST(ReportWindow, RowsMenuAndMessageBox)
{
    TempFolder folder;
    std::string path = folder.File("Default.db"), csv = folder.File("out.csv");
    std::vector<MatchRecord> rows;
    for (int i = 0; i < 25; ++i)
        rows.push_back({DAY1 + i * DAY_TICKS / 3, "me", 0, i < 15 ? 2 : 0, "aaa", i < 15 ? 2 : 3, i < 15 ? 1 : 2});
    for (int i = 0; i < 4; ++i)
        rows.push_back({DAY1 + 14 * DAY_TICKS + i, "me", i < 3 ? 1 : 256, i < 2 ? 2 : 1, "ccc", 2, i < 2 ? 0 : 2});
    lstrcpyA(rows[27].p2name, "あああああああああああああああ\x82");
    MakeRecord(path, rows);
    HWND window = CreateReportWindow(GetModuleHandleA(nullptr), OpenRecordReadOnly(path.c_str()), path.c_str());
    ASSERT_NE(nullptr, window);
    char summary[512];
    GetDlgItemTextA(window, IDC_DAY_SUMMARY, summary, sizeof summary);
    EXPECT_EQ("最後に対戦した日 2009/01/15:  3戦 2勝 1敗  勝率 66.7%（95%範囲 20.8-93.9%）\r\n最長連勝 2  最長連敗 1"
              "\r\nキャラか勝ち数がありえない値の記録 1 件は集計に入れていません。",
              std::string(summary));
    EXPECT_EQ("ccc|2|2|0|100.0%\nあああああああああああああああ|1|0|1|0.0%\n",
              ListText(GetDlgItem(window, IDC_DAY_OPPONENTS)));
    EXPECT_EQ("魔理沙|咲夜|3|2|1|66.7%\n", ListText(GetDlgItem(window, IDC_DAY_PAIRS)));
    EXPECT_EQ("全キャラ|28|17|11|60.7%|42.4-76.4%|\n霊夢|25|15|10|60.0%|40.7-76.6%|\n"
              "魔理沙|3|2|1|66.7%|20.8-93.9%|20戦未満・参考値\n",
              ListText(GetDlgItem(window, IDC_CHARACTERS)));
    EXPECT_EQ("霊夢|咲夜|15|15|0|100.0%|79.6-100.0%|20戦未満・参考値\n霊夢|アリス|10|0|10|0.0%|0.0-27.8%|20戦未満・参考値\n"
              "魔理沙|咲夜|3|2|1|66.7%|20.8-93.9%|20戦未満・参考値\n",
              ListText(GetDlgItem(window, IDC_PAIRS)));
    HWND tab = GetDlgItem(window, IDC_REPORT_TAB);
    NMHDR change = {tab, IDC_REPORT_TAB, TCN_SELCHANGE};
    SendMessageA(tab, TCM_SETCURSEL, PAGE_PAIRS, 0);
    SendMessageA(window, WM_NOTIFY, IDC_REPORT_TAB, reinterpret_cast<LPARAM>(&change));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDC_DAY_OPPONENTS)));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, IDC_PAIRS)));
    SendMessageA(window, WM_COMMAND, ID_REPORT_COPY_DAY, 0);
    EXPECT_EQ(0u, ClipboardText().find("2009/01/15 の成績: 3戦 2勝 1敗 勝率 66.7% 最長連勝 2 最長連敗 1\r\n"));

    // A CSV file that cannot be written now (another program holds it), chosen in the file dialog.
    WriteFileBytes(csv, "old");
    HANDLE held = CreateFileA(csv.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    auto choose = [&](HWND chooser) { return SetDlgItemTextA(chooser, 0x47C, csv.c_str()) ? IDOK : IDCANCEL; };
    DialogAnswerer answerer(GetCurrentThreadId(), {choose, [](HWND) { return IDYES; }, [](HWND) { return IDOK; }});
    SendMessageA(window, WM_COMMAND, ID_REPORT_EXPORT_CSV, 0);
    ASSERT_EQ(3u, answerer.Seen().size());
    EXPECT_EQ("CSVファイルを書き出せませんでした。", answerer.Seen()[2].text);
    EXPECT_EQ(LoadIconA(nullptr, IDI_HAND), answerer.Seen()[2].icon);
    CloseHandle(held);
    EXPECT_EQ("old", ReadFileBytes(csv));
    DestroyWindow(window);
    PumpMessages(0);  // takes the quit message that the window's end posts
}

// A copy of vty_report.exe started in program's folder, with a record path
// when one is given.
struct Report {
    PROCESS_INFORMATION started = {};
    Report(const TempFolder& program, const std::string& record)
    {
        for (const char* file : {"vty_report.exe", "sqlite3.dll"})
            CopyFileA((ProgramFolder() + "\\" + file).c_str(), program.File(file).c_str(), FALSE);
        std::string line = "\"" + program.File("vty_report.exe") + "\"" + (record.empty() ? "" : " \"" + record + "\"");
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, program.Path().c_str(), &startup,
                       &started);
    }
    // Its window once it shows; null when none does.
    HWND Window()
    {
        HWND window = nullptr;
        DWORD process = 0;
        PumpUntil([&] { return (window = FindWindowA(REPORT_WINDOW_CLASS, nullptr)) && IsWindowVisible(window); },
                  20000);
        return GetWindowThreadProcessId(window, &process) && process == started.dwProcessId ? window : nullptr;
    }
    // The exit code; -1, and the process ended, when it does not end in time.
    long End()
    {
        DWORD code = static_cast<DWORD>(-1);
        if (WaitForSingleObject(started.hProcess, 20000) != WAIT_OBJECT_0 || !GetExitCodeProcess(started.hProcess, &code))
            TerminateProcess(started.hProcess, code);
        CloseHandle(started.hProcess);
        CloseHandle(started.hThread);
        return static_cast<long>(code);
    }
};

std::string Today()
{
    char date[16];
    GetDateFormatA(LOCALE_USER_DEFAULT, 0, nullptr, "yyyy'-'MM'-'dd", date, sizeof date);
    return date;
}

TEST(ReportProgram, FindsTheRecordBacksItUpAndNeverChangesIt)
{
    struct Case {
        const char* profile;   // [General] Profile in vty.ini beside the program, "" for none
        const char* argument;  // the command line
        const char* shown;     // the record the report names
        bool heldOpen;         // a connection like vty.exe's holds the record
        bool wal;              // the record is in WAL journal mode
    } cases[] = {
        {"Mine.db", "", "Mine.db", true, false},
        {"Mine.db", "Dropped.db", "Dropped.db", false, false},
        {"", "", "Default.db", false, false},
        {"", "Wal.db", "Wal.db", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        TempFolder program, records;
        std::string folder = c.profile[0] || c.argument[0] ? records.Path() : program.Path();
        std::string record = folder + "\\" + c.shown;
        if (c.profile[0])
            WritePrivateProfileStringA("General", "Profile", (folder + "\\" + c.profile).c_str(),
                                       program.File("vty.ini").c_str());
        MakeRecord(record);
        ASSERT_TRUE(OpenStoreFile(record));
        if (c.wal) {
            ASSERT_EQ("wal", QueryText(RecordConnection(), "PRAGMA journal_mode=WAL"));
        }
        if (!c.heldOpen)
            CloseRecordDatabase();
        std::string bytes = ReadFileBytes(record);

        Report report(program, c.argument[0] ? folder + "\\" + c.argument : "");
        HWND window = report.Window();
        char title[256] = "";
        GetWindowTextA(window, title, sizeof title);
        EXPECT_EQ(std::string("対戦成績レポート - ") + c.shown, title);
        std::string copy = folder + "\\backup\\" + std::string(c.shown, strlen(c.shown) - 3) + "_" + Today() + ".db";
        sqlite3* backup = OpenRecordReadOnly(copy.c_str());
        EXPECT_EQ("50", QueryText(backup, "SELECT count(*) FROM vaviradudiz123"));
        sqlite3_close(backup);
        // The report holds no lock: the record can be changed while it shows.
        MatchRecord match = {DAY1 + 99 * DAY_TICKS, "me", 1, 2, "後で", 2, 0};
        if (c.heldOpen) {
            EXPECT_TRUE(InsertRecord(&match));
            CloseRecordDatabase();
            bytes = ReadFileBytes(record);
        }
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(0, report.End());
        EXPECT_EQ(bytes, ReadFileBytes(record));
        for (const char* beside : {"-journal", "-wal", "-shm"})
            EXPECT_FALSE(FileExists(record + beside)) << beside;
    }
}

// A record that cannot be read now is tried again a little later: shown
// once another program's lock is gone; with a hot journal, after the tries,
// the player is told that nothing is wrong with it, and it stays as it is.
TEST(ReportProgram, ARecordThatCannotBeReadNowIsTriedAgainAndNeverCalledDamaged)
{
    TempFolder program, records;
    std::string record = records.File("Mine.db"), hot = records.File("Hot.db");
    MakeRecord(record);
    sqlite3* holder = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(record.c_str(), &holder));
    ASSERT_TRUE(ExecuteSql(holder, "BEGIN EXCLUSIVE"));
    Report locked(program, record);
    DialogAnswerer none(locked.started.dwThreadId, {IDOK});
    Sleep(3500);  // past the first try's wait for the lock, well before the last try
    sqlite3_close(holder);
    PostMessageA(locked.Window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0, locked.End());
    EXPECT_EQ(0u, none.Stop().size());

    ASSERT_TRUE(CopyWithHotJournal(record, hot));
    std::string bytes = ReadFileBytes(hot), journal = ReadFileBytes(hot + "-journal");
    Report report(program, hot);
    DialogAnswerer answerer(report.started.dwThreadId, {IDOK}, 30000);
    ASSERT_EQ(1u, answerer.Seen().size());
    EXPECT_EQ("記録ファイルを今は読めません（ほかのプログラムが使用中か、vty.exe が記録の保存の途中で止まり、"
              "次に起動したときに元に戻す必要があります）。\r\n" + hot +
                  "\r\n\r\n記録ファイルに問題が見つかったわけではありません。ファイルはそのままにして、"
                  "vty.exe を起動してからもう一度レポートを開いてください。",
              answerer.Seen()[0].text);
    EXPECT_EQ(1, report.End());
    EXPECT_EQ(bytes, ReadFileBytes(hot));
    EXPECT_EQ(journal, ReadFileBytes(hot + "-journal"));
    EXPECT_FALSE(FileExists(records.File("backup\\Hot_" + Today() + ".db")));
}

}  // namespace
