// Times the report program's start on generated record files of 10,000 to
// 1,000,000 matches as the program runs it: the read-only open, the day's
// backup started on its own thread (the backup folder is emptied before
// every run, so each run copies), reading the record and a painted report
// window; then the end of the backup, whose progress the window shows; then,
// apart, the chart page's paint. Medians of the runs, in milliseconds.
// Goal at a million: the window painted within 1.5 s. The matches are three minutes
// apart, so the latest session is the whole record: the first page's worst case.
// Usage: ReportBench [runs] [largest size]
#include "report/DailyBackup.h"
#include "report/ReportWindow.h"
#include "bench/support/GeneratedRecord.h"
#include "shell/Globals.h"
#include "store/TimeStamp.h"
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {

// A new record file of matches against 1,000 opponent names.
bool GenerateRecordFile(const std::string& path, int matches)
{
    DeleteFileA(path.c_str());
    if (!SetDatabasePath(path.c_str()) || !OpenRecordDatabase())
        return false;
    // Matches three minutes apart up to now.
    bool ok = GenerateRecord(RecordConnection(), matches, SHAPE_EVEN, 1000, 3 * 600000000LL);
    CloseRecordDatabase();
    return ok;
}

double Milliseconds()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Pump()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    int runs = argc > 1 ? atoi(argv[1]) : 5;
    int largest = argc > 2 ? atoi(argv[2]) : 1000000;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    CreateGlobals();
    std::string folder = BenchFolder("report");
    std::string path = folder + "\\Bench.db";
    printf("matches    to painted window(ms)  backup done(ms)  chart page(ms)  30 days(ms)  file(MB)\n");
    for (int matches = 10000; matches <= largest; matches *= 10) {
        if (!GenerateRecordFile(path, matches)) {
            printf("%d: the record could not be made\n", matches);
            return 1;
        }
        std::vector<double> backups, windows, charts, periods;
        for (int run = 0; run < runs; ++run) {
            EmptyFolder(folder + "\\backup");
            double start = Milliseconds();
            RecordReader* record = OpenRecordReader(path.c_str());
            SYSTEMTIME today;
            GetLocalTime(&today);
            DailyBackup backup;
            bool backingUp = StartDailyBackup(&backup, path.c_str(), &today);
            HWND window = CreateReportWindow(GetModuleHandleA(nullptr), record, path.c_str(), &backup);
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            double painted = Milliseconds();
            while (backingUp && !backup.ended) {
                Pump();
                Sleep(5);
            }
            double backedUp = Milliseconds();
            if (!backingUp || backup.outcome.state != BACKUP_MADE || !window) {
                printf("%d: backup %d, window %p\n", matches, backup.outcome.state, static_cast<void*>(window));
                return 1;
            }
            HWND tab = GetDlgItem(window, IDC_REPORT_TAB);
            SendMessageA(tab, TCM_SETCURSEL, PAGE_CHART, 0);
            NMHDR header = {tab, IDC_REPORT_TAB, TCN_SELCHANGE};
            double chartStart = Milliseconds();
            SendMessageA(window, WM_NOTIFY, IDC_REPORT_TAB, reinterpret_cast<LPARAM>(&header));
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            charts.push_back(Milliseconds() - chartStart);
            // The record's pages counted anew over a period.
            HWND period = GetDlgItem(window, IDC_PERIOD_CHOICE);
            SendMessageA(period, CB_SETCURSEL, REPORT_PERIOD_30_DAYS, 0);
            double periodStart = Milliseconds();
            SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_PERIOD_CHOICE, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(period));
            periods.push_back(Milliseconds() - periodStart);
            DestroyWindow(window);
            FinishDailyBackup(&backup);
            Pump();
            backups.push_back(backedUp - start);
            windows.push_back(painted - start);
        }
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
        printf("%-9d  %21.0f  %15.0f  %14.0f  %11.0f  %8.1f\n", matches, Median(windows), Median(backups),
               Median(charts), Median(periods), data.nFileSizeLow / 1048576.0);
        fflush(stdout);
    }
    EmptyFolder(folder + "\\backup");
    RemoveDirectoryA((folder + "\\backup").c_str());
    DeleteFileA(path.c_str());
    RemoveDirectoryA(folder.c_str());
    ReleaseGlobals();
    return 0;
}
