#include "report/ReportData.h"

void InitReportData(ReportData* data)
{
    data->results.Init();
    data->names.Init();
    data->leftOut = 0;
    data->latestPlayed = 0;
    memset(&data->totals, 0, sizeof data->totals);
    InitSessionReport(&data->session);
    data->recent.Init();
}

void ClearReportData(ReportData* data)
{
    data->results.Clear();
    data->names.Clear();
    data->leftOut = 0;
    data->latestPlayed = 0;
    ClearSessionReport(&data->session);
    data->recent.Clear();
    memset(&data->totals, 0, sizeof data->totals);
}

static uint32_t NameHash(const char* name)
{
    uint32_t hash = 2166136261u;
    for (; *name; ++name)
        hash = (hash ^ static_cast<uint8_t>(*name)) * 16777619u;
    return hash;
}

// What one pass over the rows gathers: the countable rows, and each name once
// through a table of the names seen (open addressing, at most half full, each
// slot a name's index + 1, 0 when free).
struct ReportRows {
    ReportData* data;
    uint32_t* slots;
    uint32_t slotCount;
    int32_t lastName;  // a player meets one opponent many times in a row
};

static void GrowNameTable(ReportRows* gathered)
{
    uint32_t count = gathered->slotCount ? gathered->slotCount * 2 : 1024;
    uint32_t* slots = static_cast<uint32_t*>(Heap.Allocate(sizeof(uint32_t) * count));
    memset(slots, 0, sizeof(uint32_t) * count);
    const GrowArray<OpponentName>& names = gathered->data->names;
    for (uint32_t i = 0; i < names.count; ++i) {
        uint32_t slot = NameHash(names.data[i].name) & (count - 1);
        while (slots[slot])
            slot = (slot + 1) & (count - 1);
        slots[slot] = i + 1;
    }
    if (gathered->slots)
        Heap.Free(gathered->slots);
    gathered->slots = slots;
    gathered->slotCount = count;
}

static int32_t NameIndex(ReportRows* gathered, const char* name)
{
    GrowArray<OpponentName>& names = gathered->data->names;
    if (gathered->lastName >= 0 && strcmp(names.data[gathered->lastName].name, name) == 0)
        return gathered->lastName;
    if (2 * (names.count + 1) > gathered->slotCount)
        GrowNameTable(gathered);
    uint32_t mask = gathered->slotCount - 1, slot = NameHash(name) & mask;
    while (gathered->slots[slot] && strcmp(names.data[gathered->slots[slot] - 1].name, name) != 0)
        slot = (slot + 1) & mask;
    if (!gathered->slots[slot]) {
        OpponentName entry;
        memset(&entry, 0, sizeof entry);
        lstrcpynA(entry.name, name, PROFILE_NAME_SIZE);
        names.Append(entry);
        gathered->slots[slot] = names.count;
    }
    gathered->lastName = static_cast<int32_t>(gathered->slots[slot] - 1);
    return gathered->lastName;
}

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
        result.opponent = NameIndex(gathered, row->p2name);
        gathered->data->results.Append(result);
    }
}

// Rows dated after tomorrow come from a clock set wrong or a hand-edited
// file: counted, but the sessions and the chart end before them. When every
// row is that late, the clock is what is wrong, and the sessions run over them.
uint32_t PlayedMatches(const ReportData* data, int64_t tomorrow)
{
    uint32_t from, played;
    FindPeriod(data->results.data, data->results.count, INT64_MIN, tomorrow, &from, &played);
    return played ? played : data->results.count;
}

bool ReadReportData(RecordReader* record, ReportData* data, const WorkProgress* progress)
{
    ClearReportData(data);
    ReportRows gathered = {data, nullptr, 0, -1};
    bool ok = ReadRecordRanges(record, INT64_MIN, INT64_MAX, KeepRows, &gathered, progress);
    if (gathered.slots)
        Heap.Free(gathered.slots);
    GrowArray<MatchResult>& results = data->results;
    results.Trim();
    data->names.Trim();
    CountRecordTotals(results.data, results.count, &data->totals);
    uint32_t played = PlayedMatches(data, CurrentTimestamp() + DAY_TICKS);
    if (ok && played) {
        ListRecentSessions(results.data, played, RECENT_SESSIONS, &data->recent);
        data->latestPlayed = results.data[played - 1].timestamp;
        uint32_t start, end;
        FindPeriod(results.data, played, LatestSessionStart(results.data, played), INT64_MAX, &start, &end);
        BuildSessionReport(results.data + start, end - start, &data->names, &data->session);
    }
    return ok;
}
