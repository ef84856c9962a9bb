#include "support/StatsFixture.h"
#include "res/resource.h"
#include "store/ChangeHistory.h"
#include "store/RecordDatabase.h"
#include "store/TimeStamp.h"
#include "ui/shortcuts/ShortcutList.h"
#include "shell/MainWindow.h"
#include <commctrl.h>
#include <sqlite3.h>

void StatsFixture::SetUp()
{
    ASSERT_TRUE(SetDatabasePath(folder.File("Default.db").c_str()));
    ASSERT_TRUE(OpenRecordDatabase());
}

void StatsFixture::TearDown()
{
    if (stats && IsWindow(stats))
        DestroyStatsWindow(stats, false);
    CloseRecordDatabase();
    UndoList.Clear();
    RedoList.Clear();
    ShortcutList.Clear();
}

void StatsFixture::Open()
{
    stats = CreateStatsWindow(GetModuleHandleA(nullptr), &ToolStatsLinks);
    ASSERT_NE(nullptr, stats);
}

void StatsFixture::Insert(int64_t stamp, int p1id, int p1win, int p2id, int p2win, const char* p2name,
                          const char* p1name)
{
    char* sql = sqlite3_mprintf("INSERT INTO vaviradudiz123 VALUES(%lld,%Q,%d,%d,%Q,%d,%d)", stamp, p1name, p1id,
                                p1win, p2name, p2id, p2win);
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(RecordConnection(), sql, nullptr, nullptr, nullptr));
    sqlite3_free(sql);
}

LRESULT StatsFixture::DoubleClickRow(int row)
{
    HWND list = GetDlgItem(stats, IDC_STATS_LIST);
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, row);
    NMHDR header = {list, IDC_STATS_LIST, static_cast<UINT>(NM_DBLCLK)};
    SendMessageA(stats, WM_NOTIFY, IDC_STATS_LIST, reinterpret_cast<LPARAM>(&header));
    return GetWindowLongPtrA(stats, DWLP_MSGRESULT);
}

namespace {

struct Found {
    HWND owner;
    std::string prefix;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectOwned(HWND window, LPARAM context)
{
    Found* found = reinterpret_cast<Found*>(context);
    char caption[200] = "";
    GetWindowTextA(window, caption, sizeof caption);
    if (GetWindow(window, GW_OWNER) == found->owner && IsWindowVisible(window) &&
        std::string(caption).compare(0, found->prefix.size(), found->prefix) == 0)
        found->windows.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> StatsFixture::Owned(const std::string& prefix)
{
    Found found = {stats, prefix, {}};
    EnumThreadWindows(GetCurrentThreadId(), CollectOwned, reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

std::string StatsFixture::Title(HWND window)
{
    char text[300] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

int64_t Day(WORD year, WORD month, WORD day)
{
    SYSTEMTIME date = {};
    date.wYear = year;
    date.wMonth = month;
    date.wDay = day;
    return TimestampFromLocalTime(&date);
}

std::string ListText(HWND list, int first, int last)
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
