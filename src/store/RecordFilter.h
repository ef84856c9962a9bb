#pragma once
#include "base/Platform.h"
#include "base/TextBuffer.h"
#include "store/RecordDatabase.h"

// Which conditions of a RecordFilter apply. The bit order is the order of the
// conditions in the WHERE clause.
const uint32_t FILTER_BEGIN = 0x001;   // timestamp >= begin
const uint32_t FILTER_END = 0x002;     // timestamp <= end
const uint32_t FILTER_P1NAME = 0x004;
const uint32_t FILTER_P1ID = 0x008;
const uint32_t FILTER_P1WIN = 0x010;
const uint32_t FILTER_P2NAME = 0x020;
const uint32_t FILTER_P2ID = 0x040;
const uint32_t FILTER_P2WIN = 0x080;
const uint32_t FILTER_LIMIT = 0x100;   // no condition: only the newest limit rows count
// With FILTER_P2NAME: p2name need only hold p2name's bytes somewhere. The SQL
// compares bytes and may find them across a character boundary, so a row it
// selects counts only when NameHasPart agrees.
const uint32_t FILTER_P2NAME_PART = 0x200;
// The flags that are conditions of the WHERE clause.
const uint32_t CONDITION_FLAGS = 0x0FF;

// The rows a reading query selects. Fields whose flag is clear are ignored;
// flags 0 select every row. From end on the fields follow MatchRecord.
struct RecordFilter {
    uint32_t flags;
    int64_t begin;  // inclusive, a time stamp like the column
    int64_t end;    // inclusive
    char p1name[PROFILE_NAME_SIZE];
    int32_t p1id;
    int32_t p1win;
    char p2name[PROFILE_NAME_SIZE];
    int32_t p2id;
    int32_t p2win;
    int32_t limit;
};

// The periods of the statistics window.
const int32_t PERIOD_ALL = 0;
const int32_t PERIOD_TODAY = 1;
const int32_t PERIOD_YESTERDAY = 2;
const int32_t PERIOD_CUSTOM = 3;

// Appends " WHERE " and the conditions joined by " AND "; nothing when no
// condition flag is set. Names are quoted whole, whatever they hold.
void AppendWhereClause(TextBuffer* clause, const RecordFilter* filter);

// Whether name holds part's bytes starting on a whole code page 932
// character; an empty part is in every name.
bool NameHasPart(const char* name, const char* part);

// The first and the last millisecond (00:00:00.000, 23:59:59.999) of the
// calendar day of a local time, as time stamps; the time of day is ignored.
void GetDayBounds(const SYSTEMTIME* localTime, int64_t* begin, int64_t* end);
// Adds the conditions of period to filter as seen at the local time now;
// customRange supplies the conditions of PERIOD_CUSTOM. Unknown periods add nothing.
void ApplyPeriodAt(RecordFilter* filter, int32_t period, const RecordFilter* customRange, const SYSTEMTIME* now);
// ApplyPeriodAt with the local clock of this moment.
void ApplyPeriod(RecordFilter* filter, int32_t period, const RecordFilter* customRange);
// Joins the flags of customRange to filter's and copies the fields of exactly those flags.
void MergeCustomRange(RecordFilter* filter, const RecordFilter* customRange);
