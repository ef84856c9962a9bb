#pragma once
#include "report/DailyBackup.h"
#include "store/RecordReading.h"

// The report window: tabs with the latest session played (per opponent and
// per matchup, and the recent sessions, each of which opens in its place),
// the record over a chosen period per own character, per matchup and per
// opponent, and the weekly chart; every list sorts by a click on a column's
// header. Its menu exports the record as CSV and copies the latest
// session's summary.

#define REPORT_WINDOW_CLASS "VtyReportWindow"

// Child windows.
const int IDC_REPORT_TAB = 100;
const int IDC_SESSION_SUMMARY = 101;
const int IDC_SESSION_OPPONENTS = 102;  // the lists, from here on in a row
const int IDC_SESSION_PAIRS = 103;
const int IDC_RECENT_SESSIONS = 104;
const int IDC_CHARACTERS = 105;
const int IDC_PAIRS = 106;
const int IDC_OPPONENTS = 107;
const int IDC_CHART_CHOICE = 108;
const int IDC_CHART = 109;
const int IDC_PERIOD_CHOICE = 110;  // the period of the record's pages
const int IDC_PERIOD_FROM = 111;    // its first and last day
const int IDC_PERIOD_TO = 112;
const int IDC_LATEST_SESSION = 113;  // back from another session to the latest

// Menu commands.
const UINT ID_REPORT_EXPORT_CSV = 40101;
const UINT ID_REPORT_COPY_SESSION = 40102;
const UINT ID_REPORT_CLOSE = 40103;

// Tabs, in order.
enum ReportPage { PAGE_SESSION, PAGE_CHARACTERS, PAGE_PAIRS, PAGE_OPPONENTS, PAGE_CHART, PAGE_COUNT };

// The periods of the period box, in its order. A period runs from the first
// moment of its first day (or of the session) and never past tomorrow: a
// match dated later counts in the whole record alone.
enum ReportPeriod {
    REPORT_PERIOD_ALL,
    REPORT_PERIOD_7_DAYS,
    REPORT_PERIOD_30_DAYS,
    REPORT_PERIOD_90_DAYS,
    REPORT_PERIOD_SESSION,
    REPORT_PERIOD_CUSTOM
};

// Reads the record and shows it; a long read shows its progress and can be
// cancelled (cancelled, when given, says so). The window takes the reader
// and closes it when it goes; its end posts the quit message. Null, with the
// reader closed, when the record cannot be read. With backup (running), the
// window shows the backup's progress while it runs and tells its outcome.
HWND CreateReportWindow(HINSTANCE instance, RecordReader* record, const char* recordPath,
                        DailyBackup* backup = nullptr, bool* cancelled = nullptr);
