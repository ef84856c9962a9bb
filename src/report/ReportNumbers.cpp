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
    tally->matches += 1;
    tally->wins += p1win / 2;
    tally->losses += p2win / 2;
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

void InitDayReport(DayReport* day)
{
    day->dayStart = 0;
    day->total = Tally{};
    day->longestWins = 0;
    day->longestLosses = 0;
    day->opponents.Init();
    day->pairs.Init();
}

void ClearDayReport(DayReport* day)
{
    day->opponents.Clear();
    day->pairs.Clear();
    InitDayReport(day);
}

static int CompareOpponents(const void* a, const void* b)
{
    const OpponentTally* x = static_cast<const OpponentTally*>(a);
    const OpponentTally* y = static_cast<const OpponentTally*>(b);
    if (x->tally.matches != y->tally.matches)
        return y->tally.matches - x->tally.matches;
    return strcmp(x->name, y->name);
}

static int ComparePairs(const void* a, const void* b)
{
    const PairTally* x = static_cast<const PairTally*>(a);
    const PairTally* y = static_cast<const PairTally*>(b);
    return x->p1id != y->p1id ? x->p1id - y->p1id : x->p2id - y->p2id;
}

static Tally* OpponentEntry(DayReport* day, const char* name)
{
    for (uint32_t i = 0; i < day->opponents.count; ++i)
        if (strcmp(day->opponents.data[i].name, name) == 0)
            return &day->opponents.data[i].tally;
    OpponentTally entry = {};
    lstrcpynA(entry.name, name, PROFILE_NAME_SIZE);
    day->opponents.Append(entry);
    return &day->opponents.data[day->opponents.count - 1].tally;
}

static Tally* PairEntry(DayReport* day, int32_t p1id, int32_t p2id)
{
    for (uint32_t i = 0; i < day->pairs.count; ++i)
        if (day->pairs.data[i].p1id == p1id && day->pairs.data[i].p2id == p2id)
            return &day->pairs.data[i].tally;
    PairTally entry = {p1id, p2id, {}};
    day->pairs.Append(entry);
    return &day->pairs.data[day->pairs.count - 1].tally;
}

void BuildDayReport(const MatchRecord* rows, uint32_t count, int64_t dayStart, DayReport* day)
{
    ClearDayReport(day);
    day->dayStart = dayStart;
    int32_t wins = 0, losses = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const MatchRecord* row = &rows[i];
        AddResult(&day->total, row->p1win, row->p2win);
        AddResult(OpponentEntry(day, row->p2name), row->p1win, row->p2win);
        if (row->p1id >= 0 && row->p1id < CHARACTER_COUNT && row->p2id >= 0 && row->p2id < CHARACTER_COUNT)
            AddResult(PairEntry(day, row->p1id, row->p2id), row->p1win, row->p2win);
        bool won = row->p1win / 2 > 0, lost = row->p2win / 2 > 0;
        if (won != lost) {
            wins = won ? wins + 1 : 0;
            losses = lost ? losses + 1 : 0;
        }
        day->longestWins = wins > day->longestWins ? wins : day->longestWins;
        day->longestLosses = losses > day->longestLosses ? losses : day->longestLosses;
    }
    if (day->opponents.count)
        qsort(day->opponents.data, day->opponents.count, sizeof(OpponentTally), CompareOpponents);
    if (day->pairs.count)
        qsort(day->pairs.data, day->pairs.count, sizeof(PairTally), ComparePairs);
}

static void AppendTallyLine(TextBuffer* text, const char* label, const Tally* tally)
{
    char rate[16], line[FORMAT_TEXT_LIMIT];
    FormatRate(tally, rate);
    text->Append(FormatText(line, "  %s  %d戦 %d勝 %d敗 勝率 %s\r\n", label, tally->matches, tally->wins,
                            tally->losses, rate));
}

void FormatDaySummary(const DayReport* day, TextBuffer* text)
{
    text->Assign("");
    if (day->total.matches == 0) {
        text->Append("対戦の記録がありません。\r\n");
        return;
    }
    SYSTEMTIME date;
    ReportTime(day->dayStart, &date);
    char rate[16], line[FORMAT_TEXT_LIMIT];
    FormatRate(&day->total, rate);
    text->Append(FormatText(line, "%04d/%02d/%02d の成績: %d戦 %d勝 %d敗 勝率 %s 最長連勝 %d 最長連敗 %d\r\n",
                            date.wYear, date.wMonth, date.wDay, day->total.matches, day->total.wins,
                            day->total.losses, rate, day->longestWins, day->longestLosses));
    text->Append("相手別:\r\n");
    for (uint32_t i = 0; i < day->opponents.count; ++i)
        AppendTallyLine(text, day->opponents.data[i].name, &day->opponents.data[i].tally);
    text->Append("組み合わせ別:\r\n");
    for (uint32_t i = 0; i < day->pairs.count; ++i) {
        const PairTally* pair = &day->pairs.data[i];
        AppendTallyLine(text,
                        FormatText(line, "%s 対 %s", CharacterShortName(pair->p1id), CharacterShortName(pair->p2id)),
                        &pair->tally);
    }
}

static bool ValidCharacters(const MatchResult* result)
{
    return result->p1id >= 0 && result->p1id < CHARACTER_COUNT && result->p2id >= 0 && result->p2id < CHARACTER_COUNT;
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
    uint32_t used = 0;
    for (int32_t i = 0; i < CHART_WEEKS; ++i)
        used += DecidedMatches(&weeks[i].tally) > 0;
    series->Reserve(used);
    for (int32_t i = 0; i < CHART_WEEKS; ++i) {
        weeks[i].week = firstWeek + i;
        if (DecidedMatches(&weeks[i].tally) > 0)
            series->Append(weeks[i]);
    }
    Heap.Free(weeks);
}
