#include "report/ReportData.h"

void InitReportData(ReportData* data)
{
    data->results.Init();
    data->leftOut = 0;
    data->latestPlayed = 0;
    memset(&data->totals, 0, sizeof data->totals);
    InitSessionReport(&data->session);
    data->recent.Init();
}

void ClearReportData(ReportData* data)
{
    data->results.Clear();
    data->leftOut = 0;
    data->latestPlayed = 0;
    ClearSessionReport(&data->session);
    data->recent.Clear();
    memset(&data->totals, 0, sizeof data->totals);
}

// The latest session's rows with their names, kept while the rows go by: a
// match a session's gap after the one before starts it anew.
static void KeepInSession(GrowArray<MatchRecord>* session, const MatchRecord* row)
{
    if (session->count && StartsNewSession(session->At(session->count - 1).timestamp, row->timestamp))
        session->count = 0;
    session->Append(*row);
}

// What one pass over the rows gathers. Rows dated after tomorrow come from a
// clock set wrong or a hand-edited file: counted, but the sessions end before
// them. When every row is that late, the clock is what is wrong, and the
// sessions run over them.
struct ReportRows {
    ReportData* data;
    int64_t tomorrow;
    uint32_t late;                       // countable rows after tomorrow
    GrowArray<MatchRecord> session;      // the latest session up to tomorrow
    GrowArray<MatchRecord> lateSession;  // the latest session of the rows after it
};

static void KeepRows(const RecordRow* rows, uint32_t count, void* context)
{
    ReportRows* gathered = static_cast<ReportRows*>(context);
    for (uint32_t i = 0; i < count; ++i) {
        const MatchRecord* row = &rows[i].match;
        if (!rows[i].countable) {
            gathered->data->leftOut += 1;
            continue;
        }
        MatchResult result;
        result.timestamp = row->timestamp;
        result.p1id = static_cast<int8_t>(row->p1id);
        result.p1win = static_cast<int8_t>(row->p1win);
        result.p2id = static_cast<int8_t>(row->p2id);
        result.p2win = static_cast<int8_t>(row->p2win);
        gathered->data->results.Append(result);
        bool late = row->timestamp > gathered->tomorrow;
        gathered->late += late;
        KeepInSession(late ? &gathered->lateSession : &gathered->session, row);
    }
}

bool ReadReportData(RecordReader* record, ReportData* data, const WorkProgress* progress)
{
    ClearReportData(data);
    ReportRows gathered = {data, CurrentTimestamp() + DAY_TICKS, 0, {}, {}};
    gathered.session.Init();
    gathered.lateSession.Init();
    bool ok = ReadRecordRanges(record, INT64_MIN, INT64_MAX, KeepRows, &gathered, progress);
    GrowArray<MatchResult>& results = data->results;
    results.Trim();
    CountRecordTotals(results.data, results.count, &data->totals);
    const GrowArray<MatchRecord>& session = gathered.session.count ? gathered.session : gathered.lateSession;
    // The rows up to the latest session's last: those after tomorrow only when all are.
    uint32_t played = gathered.session.count ? results.count - gathered.late : results.count;
    if (ok && played) {
        ListRecentSessions(results.data, played, RECENT_SESSIONS, &data->recent);
        data->latestPlayed = results.data[played - 1].timestamp;
        BuildSessionReport(session.data, session.count, &data->session);
    }
    gathered.session.Clear();
    gathered.lateSession.Clear();
    return ok;
}
