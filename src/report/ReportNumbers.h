#pragma once
#include "base/GrowArray.h"
#include "base/TextBuffer.h"
#include "store/RecordDatabase.h"
#include "store/RecordQueries.h"
#include "store/TimeStamp.h"

// The counting behind the report: tallies, streaks, Wilson ranges and the
// weekly series of the chart. Plain data, no windows, no SQL.

// One match as the report needs it for the whole record.
struct MatchResult {
    int64_t timestamp;
    int8_t p1id;
    int8_t p1win;
    int8_t p2id;
    int8_t p2win;
    int32_t opponent;  // the opponent's name: its index in the record's names
};

// One opponent profile name as stored (its bytes), once for the whole record.
struct OpponentName {
    char name[PROFILE_NAME_SIZE];
};

// A match is won when side 1 has two rounds (p1win / 2) and lost when the
// opponent has (p2win / 2). The matches are the decided ones, wins + losses,
// as the statistics window of vty.exe counts them, so that both show the same
// numbers; a match with neither (1-1, 0-0) is counted apart as undecided.
struct Tally {
    int32_t matches;
    int32_t wins;
    int32_t losses;
    int32_t undecided;
};

void AddResult(Tally* tally, int32_t p1win, int32_t p2win);
int32_t DecidedMatches(const Tally* tally);

// Below this many decided matches a win rate is marked as uncertain.
const int32_t UNCERTAIN_BELOW = 20;
bool IsUncertain(const Tally* tally);

// The Wilson score interval for 95 % (z = 1.96) of wins out of decided
// matches, as fractions; false with no decided match.
bool WilsonRange(int32_t wins, int32_t decided, double* low, double* high);

// "66.7%", or "-" with no decided match. output holds 16 bytes.
void FormatRate(const Tally* tally, char* output);
// "20.8-93.9%", or "-" with no decided match. output holds 32 bytes.
void FormatRange(const Tally* tally, char* output);

// Local-time FILETIME counts: days start at midnight, and 1601-01-01 was a
// Monday, so weeks (Monday to Sunday) are plain divisions too.
const int64_t WEEK_TICKS = 7 * DAY_TICKS;

// The start of a time stamp's day and its week (timestamp / WEEK_TICKS);
// hand-edited counts before 1601 fall in days and weeks before it, in order.
int64_t DayStart(int64_t timestamp);
int32_t WeekOf(int64_t timestamp);
// A time stamp's date and time. Counts before 1601, which Windows does not
// convert, follow the same calendar back to the year 1 (earlier ones show as
// its first moment), so that dates keep the order of the matches.
void ReportTime(int64_t timestamp, SYSTEMTIME* time);

// Streaks as they run; undecided matches neither extend nor break one.
struct Streaks {
    int32_t wins;
    int32_t losses;
    int32_t longestWins;
    int32_t longestLosses;
};
void AddToStreaks(Streaks* streaks, int32_t p1win, int32_t p2win);

// One session: its first and last match, its tally and longest streaks.
struct SessionSummary {
    int64_t first;
    int64_t last;
    Tally total;
    Streaks streaks;
};

// The sessions of the record, newest first, at most `most` of them.
void ListRecentSessions(const MatchResult* results, uint32_t count, uint32_t most, GrowArray<SessionSummary>* sessions);
// The time stamp of the first match of the latest session (0 with none).
int64_t LatestSessionStart(const MatchResult* results, uint32_t count);

struct OpponentTally {
    char name[PROFILE_NAME_SIZE];
    Tally tally;
};

struct PairTally {
    int32_t p1id;
    int32_t p2id;
    Tally tally;
};

// The latest session played, per opponent and per matchup.
struct SessionReport {
    SessionSummary summary;              // all zero when the record is empty
    GrowArray<OpponentTally> opponents;  // most matches first, then by name
    GrowArray<PairTally> pairs;          // by own, then opponent character
};

void InitSessionReport(SessionReport* session);
void ClearSessionReport(SessionReport* session);
// results: the matches of one session, oldest first; names: the record's.
void BuildSessionReport(const MatchResult* results, uint32_t count, const GrowArray<OpponentName>* names,
                        SessionReport* session);
// Per opponent over the matches, most matches first, then by name.
void CountOpponents(const MatchResult* results, uint32_t count, const GrowArray<OpponentName>* names,
                    GrowArray<OpponentTally>* opponents);
// "2009/01/02 21:05", and a length as "2:05" (hours and minutes).
void FormatSessionStart(int64_t timestamp, char* output);
void FormatSessionLength(const SessionSummary* summary, char* output);
// The session's summary as lines of text (CR LF), for the clipboard.
void FormatSessionSummary(const SessionReport* session, TextBuffer* text);

// The whole record per own character and per pairing; rows with a character
// id outside 0 to 19 are left out.
struct RecordTotals {
    Tally all;
    Tally perCharacter[CHARACTER_COUNT];
    Tally perPair[CHARACTER_COUNT * CHARACTER_COUNT];  // [p1id * CHARACTER_COUNT + p2id]
};

void CountRecordTotals(const MatchResult* results, uint32_t count, RecordTotals* totals);

// The matches from `from` to `to`, both included, of results in time order:
// [*begin, *end). Empty when to is before from.
void FindPeriod(const MatchResult* results, uint32_t count, int64_t from, int64_t to, uint32_t* begin,
                uint32_t* end);

// One point of the chart: the matches of one week.
struct WeekPoint {
    int32_t week;  // timestamp / WEEK_TICKS
    Tally tally;
};

// The chart shows at most this many weeks, the latest ones.
const int32_t CHART_WEEKS = 156;
// All matches (character -1) or those of one own character, per week with
// at least one decided match, within the CHART_WEEKS weeks up to lastWeek.
void BuildWeekSeries(const MatchResult* results, uint32_t count, int32_t character, int32_t lastWeek,
                     GrowArray<WeekPoint>* series);
