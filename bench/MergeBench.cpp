// Times the report's merge of two record files of 100,000 matches each,
// half of them in both and a few conflicts: the read of both inputs, the
// new file written and checked (integrity_check, counts). Median of the runs.
// Usage: MergeBench [runs] [matches per record]
#include "bench/support/GeneratedRecord.h"
#include "shell/Globals.h"
#include "store/RecordMerge.h"
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

bool Run(sqlite3* db, const std::string& sql)
{
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Keeps rows from the first'th oldest on, count of them.
bool KeepRange(const std::string& path, int first, int count, bool conflicts)
{
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
              Run(db, "DELETE FROM vaviradudiz123 WHERE timestamp NOT IN (SELECT timestamp FROM vaviradudiz123 "
                      "ORDER BY timestamp LIMIT " + std::to_string(count) + " OFFSET " + std::to_string(first) + ")");
    // Ten matches that the two PCs stored differently.
    if (conflicts)
        ok = ok && Run(db, "UPDATE vaviradudiz123 SET p1win = 2 - p1win, p2win = 2 - p2win WHERE timestamp IN "
                           "(SELECT timestamp FROM vaviradudiz123 ORDER BY timestamp LIMIT 10)");
    ok = ok && Run(db, "VACUUM");
    sqlite3_close(db);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    int runs = argc > 1 ? atoi(argv[1]) : 5;
    int matches = argc > 2 ? atoi(argv[2]) : 100000;
    CreateGlobals();
    std::string folder = BenchFolder("merge");
    std::string all = folder + "\\All.db", first = folder + "\\First.db", second = folder + "\\Second.db",
                output = folder + "\\Joined.db";
    DeleteFileA(all.c_str());
    int overlap = matches / 2;
    if (!SetDatabasePath(all.c_str()) || !OpenRecordDatabase() ||
        !GenerateRecord(RecordConnection(), matches + overlap, SHAPE_MAINS, 1000, 3 * 600000000LL)) {
        printf("the record could not be made\n");
        return 1;
    }
    CloseRecordDatabase();
    if (!CopyFileA(all.c_str(), first.c_str(), FALSE) || !CopyFileA(all.c_str(), second.c_str(), FALSE) ||
        !KeepRange(first, 0, matches, false) || !KeepRange(second, matches - overlap, matches, true)) {
        printf("the inputs could not be made\n");
        return 1;
    }
    std::vector<double> reads, writes, totals;
    RecordMerge merge;
    InitRecordMerge(&merge);
    for (int run = 0; run < runs; ++run) {
        DeleteFileA(output.c_str());
        double start = Seconds();
        bool ok = ReadRecordsToMerge(first.c_str(), second.c_str(), &merge);
        double read = Seconds();
        ok = ok && WriteMergedRecord(&merge, output.c_str());
        double end = Seconds();
        if (!ok) {
            printf("the merge failed (inputs %d, %d)\n", merge.firstState, merge.secondState);
            return 1;
        }
        reads.push_back((read - start) * 1000);
        writes.push_back((end - read) * 1000);
        totals.push_back((end - start) * 1000);
    }
    printf("%d + %d matches: %d first only, %d second only, %d both, %u conflicts, %d in the new file\n", matches,
           matches, merge.firstOnly, merge.secondOnly, merge.both, merge.conflicts.count, merge.merged);
    printf("read both (ms) %.0f  write and check (ms) %.0f  total (ms) %.0f  (medians of %d)\n", Median(reads),
           Median(writes), Median(totals), runs);
    ClearRecordMerge(&merge);
    return 0;
}
