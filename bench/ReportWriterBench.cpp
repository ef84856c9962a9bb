// Stores matches as vty.exe does (StoreMatch, with its 2 s busy time-out)
// into a generated record while the report program's work runs on the same
// file again and again: the check and the day's backup (the backup folder
// emptied first, so each run copies), reading the report's data and the CSV
// export. Prints each report run (whether its backup was made, and how long
// it took), then every write's wait: the longest, the median, the 99th
// percentile and any write that failed. Goal: the backup is made at a
// million matches with a write every 250 ms, and no write waits 100 ms.
// Usage: ReportWriterBench [matches] [report runs] [pause between writes, ms]
#include "bench/support/GeneratedRecord.h"
#include "report/Backup.h"
#include "report/CsvExport.h"
#include "report/ReportData.h"
#include "shell/Globals.h"
#include "store/MatchStore.h"
#include "store/TimeStamp.h"
#include <stdio.h>
#include <stdlib.h>
#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

// What the report is doing while a write starts.
enum Phase { PHASE_BETWEEN, PHASE_BACKUP, PHASE_READ, PHASE_CSV, PHASE_COUNT };
const char* const PHASE_NAMES[PHASE_COUNT] = {"nothing else (alone)", "backup and check", "report read", "csv export"};
std::atomic<int> phase{PHASE_BETWEEN};

// When the backup's steps came (the copy's progress), and when each write
// that waited long started, in seconds of the bench's clock.
struct BackupSteps {
    double last = 0, longest = 0, copied = 0;
};
bool CountStep(int64_t done, int64_t, void* context)
{
    BackupSteps* steps = static_cast<BackupSteps*>(context);
    double now = Seconds();
    steps->longest = std::max(steps->longest, now - steps->last);
    steps->last = now;
    if (done >= 9000 && !steps->copied)
        steps->copied = now;
    return true;
}

struct WriterResults {
    std::vector<double> longStarts;  // writes that waited 100 ms or more
    std::vector<double> waits;  // seconds from BEGIN to the end of COMMIT
    double longest[PHASE_COUNT] = {};
    int failed = 0;
    std::string firstError;
};

std::atomic<bool> stopWriting{false};

// vty.exe's way of storing a match (StoreMatch: a transaction of its own, the
// 2 s busy time-out), on the store's connection, which this thread alone uses.
void Write(const std::string& path, int pauseMs, WriterResults* results)
{
    if (!SetDatabasePath(path.c_str()) || !OpenRecordDatabase()) {
        results->failed = -1;
        results->firstError = "open";
        return;
    }
    int64_t last = 0;
    for (int i = 0; !stopWriting; ++i) {
        // Generated matches end before now; later ones keep the key unique.
        int64_t stamp = std::max(CurrentTimestamp(), last + 10000);
        last = stamp;
        MatchRecord match = {stamp, "me", i % 20, 2, "writer", (i * 7) % 20, i % 2};
        int during = phase;
        double start = Seconds();
        uint32_t stored = StoreMatch(&match, DATABASE_BUSY_TIMEOUT_MS);
        double wait = Seconds() - start;
        if (stored != MATCH_STORED && !results->failed++)
            results->firstError = stored == MATCH_REFUSED ? "refused" : "not written";
        results->waits.push_back(wait);
        if (wait >= 0.1)
            results->longStarts.push_back(start);
        results->longest[during] = std::max(results->longest[during], wait);
        Sleep(static_cast<DWORD>(pauseMs));
    }
    CloseRecordDatabase();
}

const char* StateName(int state)
{
    static const char* const names[] = {"made", "already today", "damaged", "failed", "busy", "not a record",
                                        "cancelled"};
    return state >= 0 && state < 7 ? names[state] : "?";
}

}  // namespace

int main(int argc, char** argv)
{
    int matches = argc > 1 ? atoi(argv[1]) : 1000000;
    int runs = argc > 2 ? atoi(argv[2]) : 3;
    int pauseMs = argc > 3 ? atoi(argv[3]) : 250;
    CreateGlobals();
    std::string folder = BenchFolder("reportwriter");
    std::string path = folder + "\\Bench.db", csv = folder + "\\Bench.csv";
    DeleteFileA(path.c_str());
    // Matches three minutes apart up to now, against 1,000 opponent names.
    bool made = SetDatabasePath(path.c_str()) && OpenRecordDatabase() &&
                GenerateRecord(RecordConnection(), matches, SHAPE_EVEN, 1000, 3 * 600000000LL);
    CloseRecordDatabase();
    if (!made) {
        printf("the record could not be made\n");
        return 1;
    }
    printf("%d matches, %d report runs, a write every %d ms\n", matches, runs, pauseMs);
    printf("run  backup     backup+check(ms)  read(ms)  csv(ms)\n");
    fflush(stdout);

    WriterResults writer;
    std::thread writing(Write, path, pauseMs, &writer);
    // The writes alone first: what the disk and the machine cost them anyway.
    Sleep(5000);
    for (int run = 0; run < runs; ++run) {
        EmptyFolder(folder + "\\backup");
        // Removing the last run's copy is the bench's own disk work, not the backup's.
        Sleep(2000);
        phase = PHASE_BACKUP;
        double start = Seconds();
        RecordReader* record = OpenRecordReader(path.c_str());
        SYSTEMTIME today;
        GetLocalTime(&today);
        BackupOutcome outcome = {};
        BackupSteps steps;
        steps.last = start;
        WorkProgress progress = {CountStep, &steps};
        MakeDailyBackup(record, path.c_str(), &today, &outcome, &progress);
        double backedUp = Seconds();
        printf("     backup: longest step %.0f ms, rows copied at %.0f ms, checked and in place at %.0f ms\n",
               1000 * steps.longest, 1000 * (steps.copied - start), 1000 * (steps.last - start));
        for (double at : writer.longStarts)
            if (at >= start && at < backedUp)
                printf("     a write waited 100 ms or more, starting at %.0f ms\n", 1000 * (at - start));
        phase = PHASE_READ;
        ReportData data;
        InitReportData(&data);
        bool read = ReadReportData(record, &data);
        double readDone = Seconds();
        phase = PHASE_CSV;
        bool exported = ExportRecordCsv(record, csv.c_str());
        double exportDone = Seconds();
        phase = PHASE_BETWEEN;
        printf("%3d  %-13s  %14.0f  %8.0f  %7.0f%s%s  (%u matches read)\n", run + 1, StateName(outcome.state),
               1000 * (backedUp - start), 1000 * (readDone - backedUp), 1000 * (exportDone - readDone),
               read ? "" : "  READ FAILED", exported ? "" : "  EXPORT FAILED", data.results.count);
        fflush(stdout);
        ClearReportData(&data);
        CloseRecordReader(record);
    }
    stopWriting = true;
    writing.join();

    std::vector<double> waits = writer.waits;
    std::sort(waits.begin(), waits.end());
    if (waits.empty()) {
        printf("no write was made (%s)\n", writer.firstError.c_str());
        return 1;
    }
    printf("writes %u, failed %d%s%s\n", static_cast<unsigned>(waits.size()), writer.failed,
           writer.failed ? ", first error: " : "", writer.firstError.c_str());
    printf("writer wait (ms): longest %.1f, median %.1f, 99th percentile %.1f\n", 1000 * waits.back(),
           1000 * Median(waits), 1000 * waits[waits.size() * 99 / 100]);
    printf("writes that waited 100 ms or more: %d\n",
           static_cast<int>(waits.end() - std::lower_bound(waits.begin(), waits.end(), 0.1)));
    for (int i = PHASE_BETWEEN; i < PHASE_COUNT; ++i)
        printf("  longest while %s: %.1f\n", PHASE_NAMES[i], 1000 * writer.longest[i]);
    EmptyFolder(folder + "\\backup");
    RemoveDirectoryA((folder + "\\backup").c_str());
    DeleteFileA(csv.c_str());
    DeleteFileA(path.c_str());
    RemoveDirectoryA(folder.c_str());
    ReleaseGlobals();
    return writer.failed ? 2 : 0;
}
