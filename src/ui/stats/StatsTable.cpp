#include "ui/stats/StatsTable.h"
#include "base/TextUtil.h"
#include "store/TimeStamp.h"

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

static void AppendDay(TextBuffer* title, int64_t timestamp, const char* format)
{
    SYSTEMTIME date = {};
    LocalTimeFromTimestamp(timestamp, &date);
    char text[FORMAT_TEXT_LIMIT];
    title->Append(FormatText(text, format, date.wYear, date.wMonth, date.wDay));
}

void AppendFilterDays(TextBuffer* title, const RecordFilter* filter)
{
    if (filter->flags & FILTER_BEGIN)
        AppendDay(title, filter->begin, "%d/%02d/%02dから");
    if (filter->flags & FILTER_END)
        AppendDay(title, filter->end, "%d/%02d/%02dまで");
}
