// Stores matches as vty.exe does (BEGIN, the insert with bound parameters,
// COMMIT, the same busy time-out) into a generated record while the report
// program's work runs on the same file again and again: the check and the
// day's backup (the backup folder emptied first, so each run copies),
// reading the report's data and the CSV export. Prints each report run, then
// every write's wait: the longest, the median, the 99th percentile and any
// write that failed.
// Usage: ReportWriterBench [matches] [report runs] [pause between writes, ms]
#include "bench/support/GeneratedRecord.h"
#include "report/Backup.h"
#include "report/CsvExport.h"
#include "report/ReportData.h"
#include "shell/Globals.h"
#include "store/RecordDatabase.h"
#include "store/TimeStamp.h"
#include <sqlite3.h>
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
const char* const PHASE_NAMES[PHASE_COUNT] = {"between runs", "backup and check", "report read", "csv export"};
std::atomic<int> phase{PHASE_BETWEEN};

struct WriterResults {
    std::vector<double> waits;  // seconds from BEGIN to the end of COMMIT
    double longest[PHASE_COUNT] = {};
    int failed = 0;
    std::string firstError;
};

std::atomic<bool> stopWriting{false};

// vty.exe's connection and transaction, on a connection of the writer's own.
void Write(const std::string& utf8Path, int pauseMs, WriterResults* results)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(utf8Path.c_str(), &db) != SQLITE_OK ||
        sqlite3_exec(db, CONNECTION_SETTINGS, nullptr, nullptr, nullptr) != SQLITE_OK) {
        results->failed = -1;
        results->firstError = "open";
        sqlite3_close(db);
        return;
    }
    sqlite3_busy_timeout(db, DATABASE_BUSY_TIMEOUT_MS);
    int64_t last = 0;
    for (int i = 0; !stopWriting; ++i) {
        // Generated matches end before now; later ones keep the key unique.
        int64_t stamp = std::max(CurrentTimestamp(), last + 10000);
        last = stamp;
        int during = phase;
        double start = Seconds();
        bool ok = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_stmt* insert = nullptr;
        ok = ok && sqlite3_prepare_v2(db,
                                      "insert into vaviradudiz123 (timestamp, p1name, p1id, p1win, p2name, p2id, p2win) "
                                      "values (?, ?, ?, ?, ?, ?, ?);",
                                      -1, &insert, nullptr) == SQLITE_OK;
        if (ok) {
            sqlite3_bind_int64(insert, 1, stamp);
            sqlite3_bind_text(insert, 2, "me", -1, SQLITE_STATIC);
            sqlite3_bind_int(insert, 3, i % 20);
            sqlite3_bind_int(insert, 4, 2);
            sqlite3_bind_text(insert, 5, "writer", -1, SQLITE_STATIC);
            sqlite3_bind_int(insert, 6, (i * 7) % 20);
            sqlite3_bind_int(insert, 7, i % 2);
            ok = sqlite3_step(insert) == SQLITE_DONE;
        }
        sqlite3_finalize(insert);
        ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
        double wait = Seconds() - start;
        if (!ok) {
            if (!results->failed)
                results->firstError = sqlite3_errmsg(db);
            ++results->failed;
            if (!sqlite3_get_autocommit(db))
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        results->waits.push_back(wait);
        results->longest[during] = std::max(results->longest[during], wait);
        Sleep(static_cast<DWORD>(pauseMs));
    }
    sqlite3_close(db);
}

const char* StateName(int state)
{
    static const char* const names[] = {"made", "already today", "damaged", "failed", "busy", "not a record"};
    return state >= 0 && state < 6 ? names[state] : "?";
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
    std::string utf8Path = DatabasePathUtf8.data;
    printf("%d matches, %d report runs, a write every %d ms\n", matches, runs, pauseMs);
    printf("run  backup     backup+check(ms)  read(ms)  csv(ms)\n");
    fflush(stdout);

    WriterResults writer;
    std::thread writing(Write, utf8Path, pauseMs, &writer);
    for (int run = 0; run < runs; ++run) {
        EmptyFolder(folder + "\\backup");
        phase = PHASE_BACKUP;
        double start = Seconds();
        RecordReader* record = OpenRecordReader(path.c_str());
        SYSTEMTIME today;
        GetLocalTime(&today);
        BackupOutcome outcome = {};
        MakeDailyBackup(record, path.c_str(), &today, &outcome);
        double backedUp = Seconds();
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
    for (int i = PHASE_BACKUP; i < PHASE_COUNT; ++i)
        printf("  longest while %s: %.1f\n", PHASE_NAMES[i], 1000 * writer.longest[i]);
    EmptyFolder(folder + "\\backup");
    RemoveDirectoryA((folder + "\\backup").c_str());
    DeleteFileA(csv.c_str());
    DeleteFileA(path.c_str());
    RemoveDirectoryA(folder.c_str());
    ReleaseGlobals();
    return writer.failed ? 2 : 0;
}
