// Times the report's repair of a damaged record of 100,000 matches, 5 % of
// its pages overwritten at random (the first page, the schema, left whole),
// with a backup of the first 90 % of them: the recovery of the damaged file
// and the read of the backup, then the new file written and checked.
// Median of the runs.
// Usage: RepairBench [runs] [matches]
#include "bench/support/GeneratedRecord.h"
#include "shell/Globals.h"
#include "store/RecordMerge.h"
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    int runs = argc > 1 ? atoi(argv[1]) : 5;
    int matches = argc > 2 ? atoi(argv[2]) : 100000;
    CreateGlobals();
    std::string folder = BenchFolder("repair");
    auto file = [&](const char* name) { return std::string(folder) + "\\" + name; };
    std::string record = file("Record.db"), backup = file("Backup.db"), damaged = file("Damaged.db"),
                output = file("Repaired.db");
    DeleteFileA(record.c_str());
    sqlite3* db = nullptr;
    if (!SetDatabasePath(record.c_str()) || !OpenRecordDatabase() ||
        !GenerateRecord(RecordConnection(), matches, SHAPE_MAINS, 1000, 3 * 600000000LL)) {
        printf("the record could not be made\n");
        return 1;
    }
    CloseRecordDatabase();
    std::string keep = "DELETE FROM vaviradudiz123 WHERE timestamp > (SELECT timestamp FROM vaviradudiz123 ORDER BY "
                       "timestamp LIMIT 1 OFFSET " + std::to_string(matches * 9 / 10) + "); VACUUM";
    if (!CopyFileA(record.c_str(), backup.c_str(), FALSE) || sqlite3_open(backup.c_str(), &db) != SQLITE_OK ||
        sqlite3_exec(db, keep.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        printf("the backup could not be made\n");
        return 1;
    }
    sqlite3_close(db);
    std::ifstream in(record, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    uint32_t pages = static_cast<uint32_t>(bytes.size() / 4096), overwritten = 0;
    for (uint32_t page = 1; page < pages; ++page)
        if (NextRandom() % 100 < 5) {
            for (size_t i = 0; i < 4096; ++i)
                bytes[page * 4096 + i] = static_cast<char>(NextRandom());
            ++overwritten;
        }
    std::ofstream(damaged, std::ios::binary) << bytes;
    // Per run: the two inputs read, then the new file written and checked.
    std::vector<double> times[2];
    RecordMerge merge;
    InitRecordMerge(&merge);
    for (int run = 0; run < runs; ++run) {
        DeleteFileA(output.c_str());
        double start = Seconds();
        if (!ReadRecordsToRepair(damaged.c_str(), backup.c_str(), &merge)) {
            printf("the repair could not read its inputs (%d, %d)\n", merge.firstState, merge.secondState);
            return 1;
        }
        times[0].push_back((Seconds() - start) * 1000);
        if (!WriteMergedRecord(&merge, output.c_str())) {
            printf("the repaired record could not be written\n");
            return 1;
        }
        times[1].push_back((Seconds() - start) * 1000);
    }
    printf("%d matches, %u of %u pages overwritten: %d recovered, %d only in the backup, %d both, %u conflicts, "
           "%d in the new file\n",
           matches, overwritten, pages, merge.recovered, merge.secondOnly, merge.both, merge.conflicts.count,
           merge.merged);
    printf("recover and read the backup (ms) %.0f  in all, with the new file written and checked (ms) %.0f  "
           "(medians of %d)\n",
           Median(times[0]), Median(times[1]), runs);
    ClearRecordMerge(&merge);
    return 0;
}
