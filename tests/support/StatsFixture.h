#pragma once
#include "res/resource.h"
#include "shell/MainWindow.h"
#include "store/ChangeHistory.h"
#include "store/TimeStamp.h"
#include "support/StoreTestSupport.h"
#include "support/TestSupport.h"
#include "ui/shortcuts/ShortcutList.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <vector>

const int64_t STAMP_MS = 10000;  // a millisecond of a time stamp

// 00:00 of a local day as the record stores time.
inline int64_t Day(WORD year, WORD month, WORD day)
{
    SYSTEMTIME date = {year, month, 0, day, 0, 0, 0, 0};
    return TimestampFromLocalTime(&date);
}

// Rows first to last of a list view (-1: the last), cells joined by "|", each ending in "\n".
inline std::string ListText(HWND list, int first = 0, int last = -1)
{
    int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    int columns = static_cast<int>(SendMessageA(ListView_GetHeader(list), HDM_GETITEMCOUNT, 0, 0));
    std::string text;
    for (int row = first; row < (last < 0 ? rows : last + 1); ++row)
        for (int column = 0; column < columns; ++column) {
            char cell[128] = "";
            ListView_GetItemText(list, row, column, cell, sizeof cell);
            text += cell + std::string(column + 1 < columns ? "|" : "\n");
        }
    return text;
}

// A statistics window from the real dialog resources on a fresh record file
// (Default.db) in a temporary folder, with the settings file beside it.
class StatsFixture : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(OpenStoreFile(folder.File("Default.db"))); }
    void TearDown() override
    {
        if (stats && IsWindow(stats))
            DestroyStatsWindow(stats, false);
        CloseRecordDatabase();
        UndoList.Clear();
        RedoList.Clear();
        ShortcutList.Clear();
    }
    // Creates the statistics window: hidden, its table filled once.
    void Open() { ASSERT_NE(nullptr, stats = CreateStatsWindow(GetModuleHandleA(nullptr), &ToolStatsLinks)); }
    // Stores one match, side 1 being the user.
    void Insert(int64_t stamp, int p1id, int p1win, int p2id, int p2win, const char* p2name = "you",
                const char* p1name = "me")
    {
        char* sql = sqlite3_mprintf("INSERT INTO vaviradudiz123 VALUES(%lld,%Q,%d,%d,%Q,%d,%d)", stamp, p1name, p1id,
                                    p1win, p2name, p2id, p2win);
        ASSERT_TRUE(ExecuteSql(RecordConnection(), sql));
        sqlite3_free(sql);
    }
    // Sends the table's double-click notice for a row, as a mouse double-click does.
    void DoubleClickRow(int row)
    {
        HWND list = GetDlgItem(stats, IDC_STATS_LIST);
        SendMessageA(list, LVM_SETSELECTIONMARK, 0, row);
        NMHDR header = {list, IDC_STATS_LIST, static_cast<UINT>(NM_DBLCLK)};
        SendMessageA(stats, WM_NOTIFY, IDC_STATS_LIST, reinterpret_cast<LPARAM>(&header));
    }
    // The visible windows the statistics window owns whose caption starts with prefix.
    std::vector<HWND> Owned(const std::string& prefix = "")
    {
        std::vector<HWND> found;
        for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT))
            if (GetWindow(window, GW_OWNER) == stats && IsWindowVisible(window) && Title(window).rfind(prefix, 0) == 0)
                found.push_back(window);
        return found;
    }
    std::string Title(HWND window)
    {
        char text[300] = "";
        GetWindowTextA(window, text, sizeof text);
        return text;
    }

    TempFolder folder;
    SettingsFileScope settings{folder.File("vty.ini")};
    HWND stats = nullptr;
};
