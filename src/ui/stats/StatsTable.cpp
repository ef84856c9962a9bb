#include "ui/stats/StatsTable.h"

const ListColumn StatsColumns[STATS_COLUMN_COUNT] = {
    {0, 80, "名前"}, {1, 55, "対戦数"}, {1, 55, "勝"}, {1, 55, "負"}, {1, 55, "勝率"}, {1, 55, "過去30"},
};

void FillStatsList(HWND list, const StatsRow* rows, int32_t rowCount, int32_t queriesDone)
{
    if (queriesDone < 1)
        return;
    for (int32_t id = 0; id < CHARACTER_COUNT; ++id)
        FillStatsRow(list, id, &rows[id], id + 2 <= queriesDone);
    if (rowCount <= CHARACTER_COUNT)
        return;
    FillStatsRow(list, ROW_OVERALL, &rows[ROW_OVERALL], false);
    for (int32_t i = 0; i < 3 && 1 + CHARACTER_COUNT + i < queriesDone; ++i)
        FillStatsRow(list, ROW_LAST_30 + i, &rows[ROW_LAST_30 + i], false);
}

void FillStatsRow(HWND list, int32_t row, const StatsRow* numbers, bool withRecent)
{
    char text[16];
    wnsprintfA(text, sizeof text, "%d", numbers->wins + numbers->losses);
    SetCellText(list, row, 1, text);
    wnsprintfA(text, sizeof text, "%d", numbers->wins);
    SetCellText(list, row, 2, text);
    wnsprintfA(text, sizeof text, "%d", numbers->losses);
    SetCellText(list, row, 3, text);
    wnsprintfA(text, sizeof text, "%d%%", WinRate(numbers->wins, numbers->losses));
    SetCellText(list, row, 4, text);
    if (withRecent) {
        wnsprintfA(text, sizeof text, "(%d%%)", WinRate(numbers->recentWins, numbers->recentLosses));
        SetCellText(list, row, 5, text);
    }
}
