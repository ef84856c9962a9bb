// Times one refresh of the statistics window (24 pair-total queries in one
// transaction) on generated record files of 10,000 to 1,000,000 matches in
// three shapes of player: four main characters and now and then another,
// three characters only, and all twenty evenly. For each it gives the
// window's computation of its rows, the same 24 statements run bare through
// sqlite3_exec, and the single unlimited GROUP BY alone (the floor).
// Usage: StoreBench [runs] [largest size]
#include "shell/Globals.h"
#include "store/RecordDatabase.h"
#include "store/RecordQueries.h"
#include "store/TimeStamp.h"
#include "store/StatsRows.h"
#include "bench/support/GeneratedRecord.h"
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {

const char* const shapeNames[] = {"mains", "three", "even"};

int IgnoreRow(void*, int, char**, char**)
{
    return 0;
}

const char* const GROUP_BY_ALL =
    "SELECT T.p1id, T.p2id, sum(T.p1win/2), sum(T.p2win/2) FROM vaviradudiz123 AS T  GROUP BY T.p1id, T.p2id;";

// The 24 statements of a refresh over all matches, as the queries build them.
bool BareStatements()
{
    sqlite3* db = RecordConnection();
    bool ok = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    ok = ok && sqlite3_exec(db, GROUP_BY_ALL, IgnoreRow, nullptr, nullptr) == SQLITE_OK;
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

bool GroupByAlone()
{
    return sqlite3_exec(RecordConnection(), GROUP_BY_ALL, IgnoreRow, nullptr, nullptr) == SQLITE_OK;
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

// The three measures taken in turn, so that all see the same cache; medians in ms.
bool Measure(int runs, double* medians)
{
    bool (*const measures[3])() = {ComputeRefresh, BareStatements, GroupByAlone};
    std::vector<double> times[3];
    bool ok = ComputeRefresh() && BareStatements();  // warm the cache
    for (int run = 0; ok && run < runs; ++run) {
        for (int m = 0; ok && m < 3; ++m) {
            double start = Seconds();
            ok = measures[m]();
            times[m].push_back((Seconds() - start) * 1000);
        }
    }
    for (int m = 0; ok && m < 3; ++m)
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

    printf("SQLite %s, median of %d runs, ms\n", sqlite3_libversion(), runs);
    printf("%9s %6s | %9s %9s %9s | %s\n", "matches", "shape", "refresh", "24 bare", "GROUP BY", "refresh/GROUP BY");
    bool ok = true;
    for (int size : {10000, 100000, 1000000}) {
        for (int shape = SHAPE_MAINS; ok && shape <= SHAPE_EVEN && size <= largest; ++shape) {
            std::string path = folder + "\\bench" + std::to_string(size) + shapeNames[shape] + ".db";
            ok = SetDatabasePath(path.c_str()) && OpenRecordDatabase() &&
                 GenerateRecord(RecordConnection(), size, static_cast<PlayerShape>(shape), 3000,
                                3LL * 365 * DAY_TICKS / size);  // three years up to now
            // Reopened so that the measures start from the file, as after a profile switch.
            CloseRecordDatabase();
            double medians[3] = {};
            ok = ok && OpenRecordDatabase() && Measure(runs, medians);
            if (ok)
                printf("%9d %6s | %9.1f %9.1f %9.1f | %.2f\n", size, shapeNames[shape], medians[0], medians[1],
                       medians[2], medians[0] / medians[2]);
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
