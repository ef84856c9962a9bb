// Times vty.exe's start on generated record files of 100,000 and 1,000,000
// matches (1,000 opponents, three years): from CreateProcess to a
// statistics window whose list is filled, the tool's own process with its
// record named in vty.ini. Then the memory of that process (private bytes
// and working set) with the window there. Medians of the runs.
// Usage: StartBench [runs] [largest size] [smallest size]  (10 gives the
// floor: the process's own start under Wine)
#include "base/Platform.h"
#include "res/resource.h"
#include "store/RecordDatabase.h"
#include "store/TimeStamp.h"
#include "bench/support/GeneratedRecord.h"
#include <commctrl.h>
// K32GetProcessMemoryInfo, from kernel32 itself.
#define PSAPI_VERSION 2
#include <psapi.h>
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

const int OPPONENTS = 1000;

struct Search {
    DWORD process;
    HWND list;
};

// The statistics window's list, once it holds its rows.
BOOL CALLBACK FindFilledList(HWND window, LPARAM context)
{
    Search* search = reinterpret_cast<Search*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    HWND list = process == search->process ? GetDlgItem(window, IDC_STATS_LIST) : nullptr;
    if (list && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0) {
        search->list = list;
        return FALSE;
    }
    return TRUE;
}

bool CopyBeside(const std::string& folder, const char* name)
{
    char here[MAX_PATH];
    GetModuleFileNameA(nullptr, here, sizeof here);
    PathRemoveFileSpecA(here);
    return CopyFileA((std::string(here) + "\\" + name).c_str(), (folder + "\\" + name).c_str(), FALSE) != FALSE;
}

struct StartRun {
    double seconds;
    double privateMb;
    double workingSetMb;
};

bool StartOnce(const std::string& folder, StartRun* run)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string command = "\"" + folder + "\\vty.exe\"";
    double start = Seconds();
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info))
        return false;
    Search search = {info.dwProcessId, nullptr};
    while (!search.list && Seconds() - start < 60 && WaitForSingleObject(info.hProcess, 2) == WAIT_TIMEOUT)
        EnumWindows(FindFilledList, reinterpret_cast<LPARAM>(&search));
    run->seconds = Seconds() - start;
    // The commit charge is the private bytes; Wine leaves PrivateUsage 0.
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    bool ok = search.list && GetProcessMemoryInfo(info.hProcess, &memory, sizeof memory);
    run->privateMb = static_cast<double>(memory.PagefileUsage) / (1 << 20);
    run->workingSetMb = static_cast<double>(memory.WorkingSetSize) / (1 << 20);
    HWND main = FindWindowA("DuzaveRarozorodi", nullptr);
    if (main)
        PostMessageA(main, WM_COMMAND, ID_EXIT, 0);
    if (WaitForSingleObject(info.hProcess, 30000) != WAIT_OBJECT_0) {
        TerminateProcess(info.hProcess, 1);
        ok = false;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    int runs = argc > 1 ? atoi(argv[1]) : 3;
    int largest = argc > 2 ? atoi(argv[2]) : 1000000;
    int smallest = argc > 3 ? atoi(argv[3]) : 100000;
    std::string folder = BenchFolder("start");
    if (!CopyBeside(folder, "vty.exe") || !CopyBeside(folder, "sqlite3.dll")) {
        printf("StartBench: vty.exe and sqlite3.dll must be beside this program\n");
        return 1;
    }
    printf("matches | start to filled window, ms | private bytes, MB | working set, MB\n--- | --- | --- | ---\n");
    for (int size = smallest; size <= largest; size *= 10) {
        std::string record = folder + "\\record.db";
        DeleteFileA(record.c_str());
        sqlite3* db = nullptr;
        bool made = sqlite3_open(record.c_str(), &db) == SQLITE_OK && Execute(db, RECORD_TABLE_SCHEMA) &&
                    Execute(db, RECORD_INDEX_SCHEMA) &&
                    GenerateRecord(db, size, SHAPE_MAINS, OPPONENTS, 3LL * 365 * DAY_TICKS / size);
        sqlite3_close(db);
        std::string settings = "[General]\r\nProfile=" + record + "\r\n";
        HANDLE file = CreateFileA((folder + "\\vty.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        made = made && file != INVALID_HANDLE_VALUE &&
               WriteFile(file, settings.data(), static_cast<DWORD>(settings.size()), &written, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        if (!made) {
            printf("StartBench: could not make the record of %d matches\n", size);
            return 1;
        }
        std::vector<double> seconds, privateMb, workingSetMb;
        for (int run = 0; run < runs; ++run) {
            StartRun result;
            if (!StartOnce(folder, &result)) {
                printf("StartBench: vty.exe did not show its rows at %d matches\n", size);
                return 1;
            }
            seconds.push_back(result.seconds * 1000);
            privateMb.push_back(result.privateMb);
            workingSetMb.push_back(result.workingSetMb);
        }
        printf("%d | %.0f | %.1f | %.1f\n", size, Median(seconds), Median(privateMb), Median(workingSetMb));
        fflush(stdout);
    }
    return 0;
}
