// Times one refresh of the statistics window (24 pair-total queries in one
// transaction) on generated record files of 10,000 to 1,000,000 matches:
// the queries alone for the periods all and today, then the computation of
// the window's rows (queries and sums) beside the same 24 statements run
// bare through sqlite3_exec, the floor for that work.
// Usage: StoreBench [runs] [largest size]
#include "shell/Globals.h"
#include "store/RecordFilter.h"
#include "store/RecordQueries.h"
#include "store/TimeStamp.h"
#include "ui/stats/StatsTable.h"
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {

uint32_t randomState = 2463534242u;

uint32_t NextRandom()
{
    randomState ^= randomState << 13;
    randomState ^= randomState >> 17;
    randomState ^= randomState << 5;
    return randomState;
}

// The user mostly plays a few main characters and now and then another one;
// opponents are many profiles with every character. Time stamps are spread
// over three years up to now, in whole milliseconds, newest today.
bool GenerateRecord(sqlite3* db, int matches)
{
    const int64_t millisecond = 10000;
    const int64_t span = 3LL * 365 * TIMESTAMP_DAY;
    int64_t now = CurrentTimestamp() / millisecond * millisecond;
    int64_t step = span / matches / millisecond * millisecond;
    int64_t first = now - static_cast<int64_t>(matches) * step;
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(db,
                           "insert into vaviradudiz123 (timestamp, p1name, p1id, p1win, p2name, p2id, p2win) "
                           "values (?, ?, ?, ?, ?, ?, ?);",
                           -1, &insert, nullptr) != SQLITE_OK)
        return false;
    static const int mains[] = {2, 2, 2, 2, 14, 14, 14, 7, 7, 17};
    bool ok = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    for (int i = 0; ok && i < matches; ++i) {
        // One match somewhere in each slot of the span: increasing, never later than now.
        int64_t stamp = first + i * step + (NextRandom() % static_cast<uint32_t>(step / millisecond)) * millisecond;
        uint32_t roll = NextRandom();
        int p1id = roll % 50 == 0 ? static_cast<int>(NextRandom() % 20) : mains[roll % 10];
        char opponent[32];
        snprintf(opponent, sizeof opponent, "player%04u", NextRandom() % 3000);
        bool won = NextRandom() % 100 < 52;
        int loserRounds = static_cast<int>(NextRandom() % 2);
        sqlite3_reset(insert);
        sqlite3_bind_int64(insert, 1, stamp);
        sqlite3_bind_text(insert, 2, "me", -1, SQLITE_STATIC);
        sqlite3_bind_int(insert, 3, p1id);
        sqlite3_bind_int(insert, 4, won ? 2 : loserRounds);
        sqlite3_bind_text(insert, 5, opponent, -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 6, static_cast<int>(NextRandom() % 20));
        sqlite3_bind_int(insert, 7, won ? loserRounds : 2);
        ok = sqlite3_step(insert) == SQLITE_DONE;
    }
    sqlite3_finalize(insert);
    return sqlite3_exec(db, ok ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
}

double Seconds()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool RunQuery(RecordFilter* filter, int32_t period, const RecordFilter* customRange)
{
    ApplyPeriod(filter, period, customRange);
    return QueryPairTotals(filter);
}

// The queries of one statistics refresh: all matches, the last 30 per
// character, and the last 30, 50 and 100 matches. Counts the matches of the
// first query and adds the time of each of the three groups to parts (ms).
bool Refresh(int32_t period, int* counted, double* parts)
{
    RecordFilter customRange;
    memset(&customRange, 0, sizeof customRange);
    bool ok = true;
    BeginTransaction();
    RecordFilter filter;
    memset(&filter, 0, sizeof filter);
    double start = Seconds();
    ok = RunQuery(&filter, period, &customRange);
    parts[0] += (Seconds() - start) * 1000;
    start = Seconds();
    *counted = 0;
    for (const PairResult& entry : PairTotals)
        *counted += entry.wins + entry.losses;
    for (int32_t character = 0; ok && character < CHARACTER_COUNT; ++character) {
        memset(&filter, 0, sizeof filter);
        filter.flags = FILTER_P1ID | FILTER_LIMIT;
        filter.p1id = character;
        filter.limit = 30;
        ok = RunQuery(&filter, period, &customRange);
    }
    parts[1] += (Seconds() - start) * 1000;
    start = Seconds();
    for (int32_t last : {30, 50, 100}) {
        memset(&filter, 0, sizeof filter);
        filter.flags = FILTER_LIMIT;
        filter.limit = last;
        ok = ok && RunQuery(&filter, period, &customRange);
    }
    parts[2] += (Seconds() - start) * 1000;
    EndTransaction(!ok);
    return ok;
}

double Median(std::vector<double> values);

int IgnoreRow(void*, int, char**, char**)
{
    return 0;
}

// The 24 statements of a refresh over all matches, as the queries build them.
bool BareStatements(sqlite3* db)
{
    bool ok = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    ok = ok && sqlite3_exec(db,
                            "SELECT T.p1id, T.p2id, sum(T.p1win/2), sum(T.p2win/2) FROM vaviradudiz123 AS T  "
                            "GROUP BY T.p1id, T.p2id;",
                            IgnoreRow, nullptr, nullptr) == SQLITE_OK;
    const char* limited = "SELECT T.p1id, T.p2id, sum(T.p1win/2), sum(T.p2win/2) FROM (SELECT p1id, p2id, p1win, "
                          "p2win FROM vaviradudiz123 %s ORDER BY timestamp DESC LIMIT %d) AS T GROUP BY T.p1id, "
                          "T.p2id;";
    for (int character = 0; ok && character < CHARACTER_COUNT; ++character) {
        char where[64];
        sqlite3_snprintf(sizeof where, where, " WHERE p1id = %d", character);
        char* sql = sqlite3_mprintf(limited, where, 30);
        ok = sqlite3_exec(db, sql, IgnoreRow, nullptr, nullptr) == SQLITE_OK;
        sqlite3_free(sql);
    }
    for (int last : {30, 50, 100}) {
        char* sql = sqlite3_mprintf(limited, "", last);
        ok = ok && sqlite3_exec(db, sql, IgnoreRow, nullptr, nullptr) == SQLITE_OK;
        sqlite3_free(sql);
    }
    return sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
}

// The statistics window's computation over all matches, in its transaction.
bool ComputeRefresh()
{
    RecordFilter period;
    memset(&period, 0, sizeof period);
    StatsRow rows[STATS_ROW_COUNT];
    BeginTransaction();
    bool ok = ComputeStatsRows(&period, rows) == STATS_QUERY_COUNT;
    return EndTransaction(!ok) && ok;
}

// Whole refresh computations against the bare statements, alternating so
// that both see the same cache; medians in ms.
bool CompareRefresh(int runs, double* refresh, double* bare)
{
    std::vector<double> refreshTimes, bareTimes;
    bool ok = BareStatements(RecordConnection()) && ComputeRefresh();
    for (int run = 0; ok && run < runs; ++run) {
        double start = Seconds();
        ok = ComputeRefresh();
        refreshTimes.push_back((Seconds() - start) * 1000);
        start = Seconds();
        ok = BareStatements(RecordConnection());
        bareTimes.push_back((Seconds() - start) * 1000);
    }
    if (ok) {
        *refresh = Median(refreshTimes);
        *bare = Median(bareTimes);
    }
    return ok;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    CreateGlobals();
    int runs = argc > 1 ? atoi(argv[1]) : 5;
    int largest = argc > 2 ? atoi(argv[2]) : 1000000;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "vty-storebench-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);

    printf("%9s %9s %10s %8s | %-6s %8s %8s %8s %7s\n", "matches", "file MB", "generate s", "", "period",
           "median ms", "min ms", "max ms", "counted");
    bool ok = true;
    for (int size : {10000, 100000, 1000000}) {
        if (size > largest)
            break;
        std::string path = folder + "\\bench" + std::to_string(size) + ".db";
        double start = Seconds();
        ok = SetDatabasePath(path.c_str()) && OpenRecordDatabase() && GenerateRecord(RecordConnection(), size);
        double generated = Seconds() - start;
        if (!ok) {
            printf("generating %d matches failed\n", size);
            break;
        }
        // Reopen so that the first refresh starts from the file, as after a profile switch.
        CloseRecordDatabase();
        ok = OpenRecordDatabase();
        WIN32_FILE_ATTRIBUTE_DATA attributes;
        GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes);
        double megabytes = attributes.nFileSizeLow / 1048576.0 + attributes.nFileSizeHigh * 4096.0;
        for (int32_t period : {PERIOD_ALL, PERIOD_TODAY}) {
            std::vector<double> times;
            int counted = 0;
            double first = 0;
            double parts[3] = {0, 0, 0};
            double warmParts[3] = {0, 0, 0};
            for (int run = 0; ok && run <= runs; ++run) {
                start = Seconds();
                ok = Refresh(period, &counted, run == 0 ? warmParts : parts);
                double elapsed = (Seconds() - start) * 1000;
                if (run == 0)
                    first = elapsed;  // cold page cache: reported, not in the median
                else
                    times.push_back(elapsed);
            }
            if (!ok) {
                printf("refresh failed\n");
                break;
            }
            printf("%9d %9.1f %10.1f %8s | %-6s %8.1f %8.1f %8.1f %7d   (first run %.1f ms)\n", size, megabytes,
                   generated, "", period == PERIOD_ALL ? "all" : "today", Median(times),
                   *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()),
                   counted, first);
            printf("%41s   mean ms: all matches %.1f, 20 characters last 30 %.1f, last 30/50/100 %.1f\n", "",
                   parts[0] / runs, parts[1] / runs, parts[2] / runs);
            fflush(stdout);
        }
        if (ok) {
            double refresh = 0, bare = 0;
            ok = CompareRefresh(runs, &refresh, &bare);
            if (ok)
                printf("%9d window refresh, period all: median %.1f ms; bare statements %.1f ms; ratio %.2f\n",
                       size, refresh, bare, refresh / bare);
            fflush(stdout);
        }
        CloseRecordDatabase();
        DeleteFileA(path.c_str());
        if (!ok)
            break;
    }
    CloseRecordDatabase();
    RemoveDirectoryA(folder.c_str());
    ReleaseGlobals();
    return ok ? 0 : 1;
}
