#include "report/ReportNumbers.h"
#include "base/TextUtil.h"
#include "store/TimeStamp.h"
#include "store/CharacterNames.h"
#include <math.h>
#include <stdlib.h>

static int64_t FloorDivide(int64_t value, int64_t divisor)
{
    int64_t quotient = value / divisor;
    return quotient * divisor > value ? quotient - 1 : quotient;
}

int64_t DayStart(int64_t timestamp)
{
    return FloorDivide(timestamp, DAY_TICKS) * DAY_TICKS;
}

int32_t WeekOf(int64_t timestamp)
{
    return static_cast<int32_t>(FloorDivide(timestamp, WEEK_TICKS));
}

void ReportTime(int64_t timestamp, SYSTEMTIME* time)
{
    memset(time, 0, sizeof *time);
    if (timestamp >= 0) {
        LocalTimeFromTimestamp(timestamp, time);
        return;
    }
    // Days from 1601-01-01; the year 1 began 1600 years (4 cycles of 400) before.
    const int64_t firstDay = -4 * 146097;
    int64_t day = FloorDivide(timestamp, DAY_TICKS), ticks = timestamp - day * DAY_TICKS;
    if (day < firstDay) {
        day = firstDay;
        ticks = 0;
    }
    // Civil date from a day count, in 400-year cycles starting on 1 March of
    // the year 0 (1601-01-01 is day 584694 of them).
    int64_t z = day + 584694, cycle = z / 146097, dayOfCycle = z - cycle * 146097;
    int64_t yearOfCycle = (dayOfCycle - dayOfCycle / 1460 + dayOfCycle / 36524 - dayOfCycle / 146096) / 365;
    int64_t dayOfYear = dayOfCycle - (365 * yearOfCycle + yearOfCycle / 4 - yearOfCycle / 100);
    int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    int64_t month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    time->wYear = static_cast<WORD>(yearOfCycle + cycle * 400 + (month <= 2));
    time->wMonth = static_cast<WORD>(month);
    time->wDay = static_cast<WORD>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    time->wDayOfWeek = static_cast<WORD>((day % 7 + 8) % 7);  // 1601-01-01 was a Monday
    int64_t seconds = ticks / 10000000;
    time->wHour = static_cast<WORD>(seconds / 3600);
    time->wMinute = static_cast<WORD>(seconds / 60 % 60);
    time->wSecond = static_cast<WORD>(seconds % 60);
    time->wMilliseconds = static_cast<WORD>(ticks / 10000 % 1000);
}

void AddResult(Tally* tally, int32_t p1win, int32_t p2win)
{
    tally->wins += p1win / 2;
    tally->losses += p2win / 2;
    tally->matches += p1win / 2 + p2win / 2;
    tally->undecided += p1win / 2 == 0 && p2win / 2 == 0;
}

int32_t DecidedMatches(const Tally* tally)
{
    return tally->wins + tally->losses;
}

bool IsUncertain(const Tally* tally)
{
    return DecidedMatches(tally) < UNCERTAIN_BELOW;
}

bool WilsonRange(int32_t wins, int32_t decided, double* low, double* high)
{
    if (decided <= 0)
        return false;
    const double z2 = 1.96 * 1.96;
    double n = decided;
    double p = wins / n;
    double denominator = 1 + z2 / n;
    double centre = (p + z2 / (2 * n)) / denominator;
    double half = 1.96 * sqrt(p * (1 - p) / n + z2 / (4 * n * n)) / denominator;
    *low = centre - half < 0 ? 0 : centre - half;
    *high = centre + half > 1 ? 1 : centre + half;
    return true;
}

// A fraction as "66.7" (tenths of a percent, rounded); wvnsprintf has no %f.
static void FormatPercent(double fraction, char* output)
{
    int32_t tenths = static_cast<int32_t>(fraction * 1000 + 0.5);
    FormatText(output, "%d.%d", tenths / 10, tenths % 10);
}

void FormatRate(const Tally* tally, char* output)
{
    int32_t decided = DecidedMatches(tally);
    if (decided == 0) {
        lstrcpyA(output, "-");
        return;
    }
    char percent[16];
    FormatPercent(static_cast<double>(tally->wins) / decided, percent);
    FormatText(output, "%s%%", percent);
}

void FormatRange(const Tally* tally, char* output)
{
    double low, high;
    if (!WilsonRange(tally->wins, DecidedMatches(tally), &low, &high)) {
        lstrcpyA(output, "-");
        return;
    }
    char lowText[16], highText[16];
    FormatPercent(low, lowText);
    FormatPercent(high, highText);
    FormatText(output, "%s-%s%%", lowText, highText);
}

void AddToStreaks(Streaks* streaks, int32_t p1win, int32_t p2win)
{
    bool won = p1win / 2 > 0, lost = p2win / 2 > 0;
    if (won == lost)
        return;
    int32_t& wins = streaks->wins;
    int32_t& losses = streaks->losses;
    wins = won ? wins + 1 : 0;
    losses = lost ? losses + 1 : 0;
    streaks->longestWins = wins > streaks->longestWins ? wins : streaks->longestWins;
    streaks->longestLosses = losses > streaks->longestLosses ? losses : streaks->longestLosses;
}

static void AddToSession(SessionSummary* session, int64_t timestamp, int32_t p1win, int32_t p2win)
{
    if (session->total.matches + session->total.undecided == 0)
        session->first = timestamp;
    session->last = timestamp;
    AddResult(&session->total, p1win, p2win);
    AddToStreaks(&session->streaks, p1win, p2win);
}

void ListRecentSessions(const MatchResult* results, uint32_t count, uint32_t most, GrowArray<SessionSummary>* sessions)
{
    sessions->Clear();
    // Back from the newest match to the start of each session, then forward through it.
    uint32_t end = count;
    while (end > 0 && sessions->count < most) {
        uint32_t begin = end - 1;
        while (begin > 0 && !StartsNewSession(results[begin - 1].timestamp, results[begin].timestamp))
            --begin;
        SessionSummary session = {};
        for (uint32_t i = begin; i < end; ++i)
            AddToSession(&session, results[i].timestamp, results[i].p1win, results[i].p2win);
        sessions->Append(session);
        end = begin;
    }
}

int64_t LatestSessionStart(const MatchResult* results, uint32_t count)
{
    if (count == 0)
        return 0;
    uint32_t begin = count - 1;
    while (begin > 0 && !StartsNewSession(results[begin - 1].timestamp, results[begin].timestamp))
        --begin;
    return results[begin].timestamp;
}

void InitSessionReport(SessionReport* session)
{
    session->summary = SessionSummary{};
    session->opponents.Init();
    session->pairs.Init();
}

void ClearSessionReport(SessionReport* session)
{
    session->opponents.Clear();
    session->pairs.Clear();
    InitSessionReport(session);
}

static bool ValidCharacters(const MatchResult* result)
{
    return result->p1id >= 0 && result->p1id < CHARACTER_COUNT && result->p2id >= 0 && result->p2id < CHARACTER_COUNT;
}

static int CompareOpponents(const void* a, const void* b)
{
    const OpponentTally* x = static_cast<const OpponentTally*>(a);
    const OpponentTally* y = static_cast<const OpponentTally*>(b);
    if (x->tally.matches != y->tally.matches)
        return y->tally.matches - x->tally.matches;
    return strcmp(x->name, y->name);
}

// One tally per name of the record, then those met, in order.
void CountOpponents(const MatchResult* results, uint32_t count, const GrowArray<OpponentName>* names,
                    GrowArray<OpponentTally>* opponents)
{
    opponents->Clear();
    if (count == 0 || names->count == 0)
        return;
    Tally* tallies = static_cast<Tally*>(Heap.Allocate(sizeof(Tally) * names->count));
    memset(tallies, 0, sizeof(Tally) * names->count);
    for (uint32_t i = 0; i < count; ++i)
        if (results[i].opponent >= 0 && static_cast<uint32_t>(results[i].opponent) < names->count)
            AddResult(&tallies[results[i].opponent], results[i].p1win, results[i].p2win);
    for (uint32_t i = 0; i < names->count; ++i) {
        if (tallies[i].matches + tallies[i].undecided == 0)
            continue;
        OpponentTally entry;
        memcpy(entry.name, names->data[i].name, PROFILE_NAME_SIZE);
        entry.tally = tallies[i];
        opponents->Append(entry);
    }
    Heap.Free(tallies);
    qsort(opponents->data, opponents->count, sizeof(OpponentTally), CompareOpponents);
}

void BuildSessionReport(const MatchResult* results, uint32_t count, const GrowArray<OpponentName>* names,
                        SessionReport* session)
{
    ClearSessionReport(session);
    if (count == 0)
        return;
    Tally pairs[CHARACTER_COUNT * CHARACTER_COUNT];
    memset(pairs, 0, sizeof pairs);
    for (uint32_t i = 0; i < count; ++i) {
        const MatchResult* result = &results[i];
        AddToSession(&session->summary, result->timestamp, result->p1win, result->p2win);
        if (ValidCharacters(result))
            AddResult(&pairs[result->p1id * CHARACTER_COUNT + result->p2id], result->p1win, result->p2win);
    }
    CountOpponents(results, count, names, &session->opponents);
    for (int32_t i = 0; i < CHARACTER_COUNT * CHARACTER_COUNT; ++i)
        if (pairs[i].matches + pairs[i].undecided > 0)
            session->pairs.Append(PairTally{i / CHARACTER_COUNT, i % CHARACTER_COUNT, pairs[i]});
}

void FormatSessionStart(int64_t timestamp, char* output)
{
    SYSTEMTIME time;
    ReportTime(timestamp, &time);
    FormatText(output, "%04d/%02d/%02d %02d:%02d", time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute);
}

void FormatSessionLength(const SessionSummary* summary, char* output)
{
    int64_t minutes = (summary->last - summary->first) / (60 * 10000000LL);
    FormatText(output, "%d:%02d", static_cast<int32_t>(minutes / 60), static_cast<int32_t>(minutes % 60));
}

static void AppendTallyLine(TextBuffer* text, const char* label, const Tally* tally)
{
    char rate[16], line[FORMAT_TEXT_LIMIT];
    FormatRate(tally, rate);
    text->Append(FormatText(line, "  %s  %d戦 %d勝 %d敗 勝率 %s\r\n", label, tally->matches, tally->wins,
                            tally->losses, rate));
}

void FormatSessionSummary(const SessionReport* session, TextBuffer* text)
{
    text->Assign("");
    const SessionSummary* summary = &session->summary;
    if (summary->total.matches + summary->total.undecided == 0) {
        text->Append("対戦の記録がありません。\r\n");
        return;
    }
    char start[32], length[32], rate[16], line[FORMAT_TEXT_LIMIT];
    FormatSessionStart(summary->first, start);
    FormatSessionLength(summary, length);
    FormatRate(&summary->total, rate);
    text->Append(FormatText(line, "%s からのセッション（%s）の成績: %d戦 %d勝 %d敗 勝率 %s 最長連勝 %d 最長連敗 %d\r\n",
                            start, length, summary->total.matches, summary->total.wins, summary->total.losses, rate,
                            summary->streaks.longestWins, summary->streaks.longestLosses));
    if (summary->total.undecided)
        text->Append(FormatText(line, "不成立（どちらも2本取っていない対戦） %d 戦は数えていません。\r\n",
                                summary->total.undecided));
    text->Append("相手別:\r\n");
    for (uint32_t i = 0; i < session->opponents.count; ++i)
        AppendTallyLine(text, session->opponents.data[i].name, &session->opponents.data[i].tally);
    text->Append("組み合わせ別:\r\n");
    for (uint32_t i = 0; i < session->pairs.count; ++i) {
        const PairTally* pair = &session->pairs.data[i];
        AppendTallyLine(text,
                        FormatText(line, "%s 対 %s", CharacterShortName(pair->p1id), CharacterShortName(pair->p2id)),
                        &pair->tally);
    }
}

void CountRecordTotals(const MatchResult* results, uint32_t count, RecordTotals* totals)
{
    memset(totals, 0, sizeof *totals);
    for (uint32_t i = 0; i < count; ++i) {
        const MatchResult* result = &results[i];
        if (!ValidCharacters(result))
            continue;
        AddResult(&totals->all, result->p1win, result->p2win);
        AddResult(&totals->perCharacter[result->p1id], result->p1win, result->p2win);
        AddResult(&totals->perPair[result->p1id * CHARACTER_COUNT + result->p2id], result->p1win, result->p2win);
    }
}

void FindPeriod(const MatchResult* results, uint32_t count, int64_t from, int64_t to, uint32_t* begin,
                uint32_t* end)
{
    // The first match at or after from, then the first after to.
    uint32_t low = 0, high = count;
    while (low < high) {
        uint32_t middle = low + (high - low) / 2;
        if (results[middle].timestamp < from)
            low = middle + 1;
        else
            high = middle;
    }
    *begin = low;
    for (high = count; low < high;) {
        uint32_t middle = low + (high - low) / 2;
        if (results[middle].timestamp <= to)
            low = middle + 1;
        else
            high = middle;
    }
    *end = low;
}

void BuildWeekSeries(const MatchResult* results, uint32_t count, int32_t character, int32_t lastWeek,
                     GrowArray<WeekPoint>* series)
{
    series->Clear();
    int32_t firstWeek = lastWeek - CHART_WEEKS + 1;
    // Exactly one slot per week of the window, then the empty ones dropped.
    WeekPoint* weeks = static_cast<WeekPoint*>(Heap.Allocate(sizeof(WeekPoint) * CHART_WEEKS));
    memset(weeks, 0, sizeof(WeekPoint) * CHART_WEEKS);
    for (uint32_t i = 0; i < count; ++i) {
        const MatchResult* result = &results[i];
        int32_t week = WeekOf(result->timestamp);
        if (!ValidCharacters(result) || week < firstWeek || week > lastWeek ||
            (character >= 0 && result->p1id != character))
            continue;
        AddResult(&weeks[week - firstWeek].tally, result->p1win, result->p2win);
    }
    for (int32_t i = 0; i < CHART_WEEKS; ++i) {
        weeks[i].week = firstWeek + i;
        if (DecidedMatches(&weeks[i].tally) > 0)
            series->Append(weeks[i]);
    }
    Heap.Free(weeks);
}
