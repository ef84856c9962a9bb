#pragma once
#include "report/ReportNumbers.h"
#include "store/RecordReading.h"

// Everything the report window shows, from one read of the record in
// time-stamp ranges (the store hands the rows, the report counts them): a
// match stored meanwhile may or may not be in it, but never in part.
struct ReportData {
    GrowArray<MatchResult> results;  // every match that counts, oldest first
    GrowArray<OpponentName> names;   // the opponents' names, by MatchResult::opponent
    int32_t leftOut;                 // rows whose ids are no characters or whose win counts
                                     // are outside 0 to 2 (or no integers): in no count
    RecordTotals totals;
    int64_t latestPlayed;            // the last match not dated after tomorrow (0 with none):
                                     // the end of the sessions and of the chart
    SessionReport session;           // the latest session played
    GrowArray<SessionSummary> recent;  // the latest sessions, newest first
};

// The recent sessions listed.
const uint32_t RECENT_SESSIONS = 50;

void InitReportData(ReportData* data);
void ClearReportData(ReportData* data);
// False when a read fails or the progress cancels; data then holds what was
// read so far.
bool ReadReportData(RecordReader* record, ReportData* data, const WorkProgress* progress = nullptr);
// The matches up to tomorrow's time stamp (all of them when every one is
// later): those the sessions run over.
uint32_t PlayedMatches(const ReportData* data, int64_t tomorrow);
