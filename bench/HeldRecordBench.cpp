// Times what a match end costs the main thread while another program holds
// the record file locked, as a writer in the middle of its commit does: the
// match waits at once, written to the journal beside the program and flushed
// to the disk. "first" is a match end with nothing waiting yet (one short try
// of the record, then the journal), "next" one behind waiting matches (a
// short try of the oldest, then the journal), "retry" the timer's try,
// "journal alone" the durable write of one waiting match.
// Usage: HeldRecordBench [runs]
#include "base/ProgramPaths.h"
#include "shell/Globals.h"
#include "shell/PendingMatches.h"
#include "store/TimeStamp.h"
#include "bench/support/GeneratedRecord.h"
#include <algorithm>
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

static double Largest(const std::vector<double>& values)
{
    return *std::max_element(values.begin(), values.end());
}

int main(int argc, char** argv)
{
    CreateGlobals();
    int runs = argc > 1 ? atoi(argv[1]) : 21;
    std::string folder = BenchFolder("heldbench");
    ModuleDirectory.Assign(folder.c_str());
    SettingsPath.Assign((folder + "\\vty.ini").c_str());
    std::string path = folder + "\\held.db";
    bool ok = SetDatabasePath(path.c_str()) && OpenRecordDatabase() &&
              GenerateRecord(RecordConnection(), 10000, SHAPE_MAINS, 100, DAY_TICKS / 100);
    StartPendingMatches();
    sqlite3* holder = nullptr;
    ok = ok && sqlite3_open(path.c_str(), &holder) == SQLITE_OK &&
         sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
    std::vector<double> first, next, retry, journal;
    int64_t stamp = CurrentTimestamp();
    for (int run = 0; ok && run < runs; ++run) {
        for (int m = 0; m < 3; ++m) {
            MatchRecord record = {stamp += 10000, "me", 2, 2, "you", 7, 1};
            double start = Seconds();
            StoreFinishedMatch(&record);
            (m == 0 ? first : next).push_back((Seconds() - start) * 1000);
        }
        double start = Seconds();
        RetryPendingMatches(BRIEF_BUSY_WAIT_MS);
        retry.push_back((Seconds() - start) * 1000);
        MatchRecord record = {stamp += 10000, "me", 2, 2, "you", 7, 1};
        start = Seconds();
        AddWaitingMatch(&record);
        journal.push_back((Seconds() - start) * 1000);
        // The holder lets go for a moment, so the next run starts with nothing waiting.
        sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr);
        RetryPendingMatches(BRIEF_BUSY_WAIT_MS);
        ok = CountWaitingMatches(true) == 0 &&
             sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    if (ok) {
        printf("SQLite %s, median (max) of %d runs, ms of the main thread\n", sqlite3_libversion(), runs);
        printf("first %.1f (%.1f) | next %.1f (%.1f) | retry %.1f (%.1f) | journal alone %.1f (%.1f)\n",
               Median(first), Largest(first), Median(next), Largest(next), Median(retry), Largest(retry),
               Median(journal), Largest(journal));
    } else {
        printf("failed\n");
    }
    sqlite3_close(holder);
    EndPendingMatches();
    CloseRecordDatabase();
    DeleteFileA(path.c_str());
    DeleteFileA(SettingsPath.data);
    RemoveDirectoryA(folder.c_str());
    ReleaseGlobals();
    return ok ? 0 : 1;
}
