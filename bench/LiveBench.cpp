// Times what a match start and a match end cost the main thread with the
// live files on (notes shown: each opponent has one in the notes file), on
// generated record files of 1,000 opponent profiles and
// 10,000 and 100,000 matches (and 1,000,000 when asked) over three years:
// the look-up alone (opponent, session, character, opponent's character),
// the whole match start (look-up and the three files written) and the whole
// match end (three files). "cold" is the first match start right after the record was
// opened (the open reads the record's sums, nothing else); "first" the
// first after the statistics window's refresh, which the tool runs
// whenever it opens a record; the others medians over different opponents.
// Usage: LiveBench [runs] [largest size]
#include "base/ProgramPaths.h"
#include "shell/Globals.h"
#include "shell/LiveFiles.h"
#include "store/OpponentNotes.h"
#include "store/RecordDatabase.h"
#include "store/RecordSummaries.h"
#include "store/StatsRows.h"
#include "store/TimeStamp.h"
#include "bench/support/GeneratedRecord.h"
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

const int OPPONENTS = 1000;

void Opponent(char* name)
{
    snprintf(name, PROFILE_NAME_SIZE, "player%04u", NextRandom() % OPPONENTS);
}

bool LookUp()
{
    char name[PROFILE_NAME_SIZE];
    Opponent(name);
    int64_t now = CurrentTimestamp();
    OpponentSummary opponent;
    CurrentSession session;
    CharacterSummary character;
    WinLoss against;
    return SummariseOpponent(name, now, &opponent) && SummariseSession(now, &session) &&
           SummariseCharacter(2, now, &character) && SummariseAgainstCharacter(7, &against);
}

bool MatchStart()
{
    char name[PROFILE_NAME_SIZE];
    Opponent(name);
    ShowMatchStart(name, 2, 7);
    return true;
}

bool MatchEnd()
{
    MatchRecord record = {CurrentTimestamp(), "me", 2, 2, "", 7, 1};
    Opponent(record.p2name);
    ShowMatchResult(&record);
    return true;
}

// Opens the record again and times its first match start, cold or after
// the statistics window's refresh.
bool FirstStart(bool afterRefresh, double* ms)
{
    CloseRecordDatabase();
    if (!OpenRecordDatabase())
        return false;
    if (afterRefresh) {
        RecordFilter all;
        memset(&all, 0, sizeof all);
        StatsRow rows[STATS_ROW_COUNT];
        BeginTransaction();
        bool ok = ComputeStatsRows(&all, rows) == STATS_QUERY_COUNT;
        if (!EndTransaction(!ok) || !ok)
            return false;
    }
    double start = Seconds();
    MatchStart();
    *ms = (Seconds() - start) * 1000;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    CreateGlobals();
    int runs = argc > 1 ? atoi(argv[1]) : 21;
    int largest = argc > 2 ? atoi(argv[2]) : 100000;
    std::string folder = BenchFolder("livebench");
    // The files go where the settings say, as in the tool.
    SettingsPath.Assign((folder + "\\vty.ini").c_str());
    WritePrivateProfileStringA("LiveFiles", "Enabled", "1", SettingsPath.data);
    WritePrivateProfileStringA("LiveFiles", "Folder", (folder + "\\live").c_str(), SettingsPath.data);
    WritePrivateProfileStringA("LiveFiles", "ShowNotes", "1", SettingsPath.data);
    const std::string notes = folder + "\\" NOTES_FILE_NAME;
    SetNotesPath(notes.c_str());
    bool ok = true;
    for (int i = 0; ok && i < OPPONENTS; ++i) {
        char name[PROFILE_NAME_SIZE];
        snprintf(name, sizeof name, "player%04u", i);
        ok = WriteOpponentNote(name, "起き上がりに暴れる\r\n負けると咲夜を使う\r\n固めが長い");
    }

    printf("SQLite %s, %d opponents, median of %d runs, ms\n", sqlite3_libversion(), OPPONENTS, runs);
    printf("%9s | %7s %7s %9s %12s %10s\n", "matches", "cold", "first", "look-up", "match start", "match end");
    for (int size : {10000, 100000, 1000000}) {
        if (!ok || size > largest)
            break;
        std::string path = folder + "\\bench" + std::to_string(size) + ".db";
        ok = SetDatabasePath(path.c_str()) && OpenRecordDatabase() &&
             GenerateRecord(RecordConnection(), size, SHAPE_MAINS, OPPONENTS, 3LL * 365 * DAY_TICKS / size);
        double cold = 0, first = 0;
        ok = ok && FirstStart(false, &cold) && FirstStart(true, &first);
        double start;
        bool (*const measures[3])() = {LookUp, MatchStart, MatchEnd};
        std::vector<double> times[3];
        for (int run = 0; ok && run < runs; ++run)
            for (int m = 0; ok && m < 3; ++m) {
                start = Seconds();
                ok = measures[m]();
                times[m].push_back((Seconds() - start) * 1000);
            }
        if (ok)
            printf("%9d | %7.1f %7.1f %9.1f %12.1f %10.1f\n", size, cold, first, Median(times[0]), Median(times[1]),
                   Median(times[2]));
        else
            printf("%9d | failed\n", size);
        fflush(stdout);
        CloseRecordDatabase();
        DeleteFileA(path.c_str());
    }
    CloseOpponentNotes();
    DeleteFileA(notes.c_str());
    EmptyFolder(folder + "\\live");
    RemoveDirectoryA((folder + "\\live").c_str());
    DeleteFileA(SettingsPath.data);
    RemoveDirectoryA(folder.c_str());
    ReleaseGlobals();
    return ok ? 0 : 1;
}
