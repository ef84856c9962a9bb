// Times what the statistics window and the opponent table cost on generated
// record files of 10,000 to 1,000,000 matches over three years in three
// shapes of player: four main characters and now and then another, three
// characters only, and all twenty evenly. "open" is a profile switch: the
// record opened (its sums read whole) and the window's first refresh; then
// the refresh for all matches, for today, for the last 30 days, for one
// opponent's name, and the opponent table. "sums" is the memory of the
// record's sums, "private" the process's private bytes after the open. Medians in ms; run with scripts/wine-run.sh.
// Usage: StoreBench [runs] [largest size]
#include "shell/Globals.h"
#include "store/RecordDatabase.h"
#include "store/RecordQueries.h"
#include "store/StatsRows.h"
#include "store/StoreState.h"
#include "store/TimeStamp.h"
#include "bench/support/GeneratedRecord.h"
#define PSAPI_VERSION 2  // the counters from kernel32, no psapi.dll
#include <psapi.h>
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

const char* const shapeNames[] = {"mains", "three", "even"};

double PrivateMegabytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PagefileUsage) / (1 << 20);
}

double SumsMegabytes()
{
    const RecordTotals* t = &RecordStore.totals;
    double bytes = static_cast<double>(t->rows.capacity) * sizeof(TotalsRow) +
                   static_cast<double>(t->opponents.capacity) * sizeof(TotalsOpponent) + t->names.capacity +
                   static_cast<double>(t->slots.capacity) * sizeof(uint32_t) + sizeof *t;
    return bytes / (1 << 20);
}

// The statistics window's computation over period, in its transaction.
bool Refresh(const RecordFilter* period)
{
    StatsRow rows[STATS_ROW_COUNT];
    BeginTransaction();
    bool ok = ComputeStatsRows(period, rows) == STATS_QUERY_COUNT;
    return EndTransaction(!ok) && ok;
}

RecordFilter PeriodFilter(uint32_t flags, int64_t begin)
{
    RecordFilter filter;
    memset(&filter, 0, sizeof filter);
    filter.flags = flags;
    filter.begin = begin;
    lstrcpynA(filter.p2name, "player0042", sizeof filter.p2name);
    return filter;
}

void CountRow(const MatchRecord*, void* context)
{
    ++*static_cast<int*>(context);
}

bool OpponentTable()
{
    RecordFilter all = PeriodFilter(0, 0);
    int rows = 0;
    return QueryOpponentTotals(&all, CountRow, &rows) && rows > 0;
}

// Closes and opens the record and refreshes once, as a profile switch does.
bool OpenAndRefresh()
{
    CloseRecordDatabase();
    RecordFilter all = PeriodFilter(0, 0);
    return OpenRecordDatabase() && Refresh(&all);
}

const int MEASURES = 6;

bool Measure(int runs, double* medians)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    int64_t today, end;
    GetDayBounds(&now, &today, &end);
    RecordFilter periods[3] = {PeriodFilter(0, 0), PeriodFilter(FILTER_BEGIN, today),
                               PeriodFilter(FILTER_BEGIN, CurrentTimestamp() - 30 * DAY_TICKS)};
    RecordFilter byName = PeriodFilter(FILTER_P2NAME, 0);
    std::vector<double> times[MEASURES];
    bool ok = true;
    for (int run = 0; ok && run < runs; ++run) {
        for (int m = 0; ok && m < MEASURES; ++m) {
            double start = Seconds();
            ok = m == 0 ? OpenAndRefresh() : m <= 3 ? Refresh(&periods[m - 1]) : m == 4 ? Refresh(&byName)
                                                                                          : OpponentTable();
            times[m].push_back((Seconds() - start) * 1000);
        }
    }
    for (int m = 0; ok && m < MEASURES; ++m)
        medians[m] = Median(times[m]);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    CreateGlobals();
    int runs = argc > 1 ? atoi(argv[1]) : 7;
    int largest = argc > 2 ? atoi(argv[2]) : 1000000;
    std::string folder = BenchFolder("storebench");

    printf("SQLite %s, median of %d runs, ms; memory in MB\n", sqlite3_libversion(), runs);
    printf("%9s %6s | %7s %7s %7s %7s %7s %9s | %6s %8s\n", "matches", "shape", "open", "all", "today", "30 days",
           "by name", "opponents", "sums", "private");
    bool ok = true;
    for (int size : {10000, 100000, 1000000}) {
        for (int shape = SHAPE_MAINS; ok && shape <= SHAPE_EVEN && size <= largest; ++shape) {
            std::string path = folder + "\\bench" + std::to_string(size) + shapeNames[shape] + ".db";
            ok = SetDatabasePath(path.c_str()) && OpenRecordDatabase() &&
                 GenerateRecord(RecordConnection(), size, static_cast<PlayerShape>(shape), 3000,
                                3LL * 365 * DAY_TICKS / size);  // three years up to now
            CloseRecordDatabase();
            ok = ok && OpenRecordDatabase();
            double opened = PrivateMegabytes(), sums = SumsMegabytes();
            double medians[MEASURES] = {};
            ok = ok && Measure(runs, medians);
            if (ok)
                printf("%9d %6s | %7.1f %7.1f %7.1f %7.1f %7.1f %9.1f | %6.1f %8.1f\n", size, shapeNames[shape],
                       medians[0], medians[1], medians[2], medians[3], medians[4], medians[5], sums, opened);
            else
                printf("%9d %6s | failed\n", size, shapeNames[shape]);
            fflush(stdout);
            CloseRecordDatabase();
            DeleteFileA(path.c_str());
        }
    }
    RemoveDirectoryA(folder.c_str());
    ReleaseGlobals();
    return ok ? 0 : 1;
}
