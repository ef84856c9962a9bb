#pragma once
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <vector>

// A statistics window from the real dialog resources on a fresh record file
// (Default.db) in a temporary folder, with the settings file beside it.
class StatsFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Creates the statistics window: hidden, its table filled once.
    void Open();
    // Stores one match, side 1 being the user.
    void Insert(int64_t stamp, int p1id, int p1win, int p2id, int p2win, const char* p2name = "you",
                const char* p1name = "me");
    // Sends the table's double-click notice for a row, as a mouse double-click does.
    LRESULT DoubleClickRow(int row);
    // The visible windows the statistics window owns whose caption starts with prefix.
    std::vector<HWND> Owned(const std::string& prefix = "");
    std::string Title(HWND window);

    TempFolder folder;
    SettingsFileScope settings{folder.File("vty.ini")};
    HWND stats = nullptr;
};

// 00:00 of a local day as the record stores time.
int64_t Day(WORD year, WORD month, WORD day);
// Rows first to last of a list view (last -1: to the end), cells joined by
// "|", each row ending in "\n".
std::string ListText(HWND list, int first = 0, int last = -1);
