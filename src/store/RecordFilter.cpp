#include "store/RecordFilter.h"
#include "store/TimeStamp.h"
#include <sqlite3.h>

// Bytes of one formatted condition, terminator included: the longest, the
// part of a name, around a name whose every byte is a doubled quote still
// fits. A cut condition would lose its closing quote and let the next name's
// text run as SQL.
const int CONDITION_SIZE = 56 + 2 * PROFILE_NAME_SIZE;

// Formats the condition of one flag into condition (CONDITION_SIZE bytes).
static void FormatCondition(char* condition, uint32_t flag, const RecordFilter* filter)
{
    switch (flag) {
    case FILTER_BEGIN:
        sqlite3_snprintf(CONDITION_SIZE, condition, "timestamp >= %lld", static_cast<sqlite3_int64>(filter->begin));
        break;
    case FILTER_END:
        sqlite3_snprintf(CONDITION_SIZE, condition, "timestamp <= %lld", static_cast<sqlite3_int64>(filter->end));
        break;
    case FILTER_P1NAME:
        sqlite3_snprintf(CONDITION_SIZE, condition, "p1name = '%q'", filter->p1name);
        break;
    case FILTER_P1ID:
        sqlite3_snprintf(CONDITION_SIZE, condition, "p1id = %ld", static_cast<long>(filter->p1id));
        break;
    case FILTER_P1WIN:
        sqlite3_snprintf(CONDITION_SIZE, condition, "p1win = %ld", static_cast<long>(filter->p1win));
        break;
    case FILTER_P2NAME:
        // As blobs, instr compares bytes: as text it would skip what looks
        // like the middle of a UTF-8 character, and LIKE would fold case and
        // read '%' and '_' in a name.
        if (filter->flags & FILTER_P2NAME_PART)
            sqlite3_snprintf(CONDITION_SIZE, condition, "instr(CAST(p2name AS BLOB), CAST('%q' AS BLOB)) > 0",
                             filter->p2name);
        else
            sqlite3_snprintf(CONDITION_SIZE, condition, "p2name = '%q'", filter->p2name);
        break;
    case FILTER_P2ID:
        sqlite3_snprintf(CONDITION_SIZE, condition, "p2id = %ld", static_cast<long>(filter->p2id));
        break;
    default:
        sqlite3_snprintf(CONDITION_SIZE, condition, "p2win = %ld", static_cast<long>(filter->p2win));
        break;
    }
}

void AppendWhereClause(TextBuffer* clause, const RecordFilter* filter)
{
    if ((filter->flags & CONDITION_FLAGS) == 0)
        return;
    clause->Append(" WHERE ");
    bool first = true;
    for (uint32_t flag = FILTER_BEGIN; flag <= FILTER_P2WIN; flag <<= 1) {
        if ((filter->flags & flag) == 0)
            continue;
        if (!first)
            clause->Append(" AND ");
        char condition[CONDITION_SIZE];
        FormatCondition(condition, flag, filter);
        clause->Append(condition);
        first = false;
    }
}

bool NameHasPart(const char* name, const char* part)
{
    int length = lstrlenA(part);
    for (const char* at = name;; ++at) {
        if (strncmp(at, part, length) == 0)
            return true;
        if (!*at)
            return false;
        // The trail byte of a lead byte starts no character.
        if (IsDBCSLeadByteEx(932, static_cast<BYTE>(*at)) && at[1])
            ++at;
    }
}

void GetDayBounds(const SYSTEMTIME* localTime, int64_t* begin, int64_t* end)
{
    // Time stamps are wall-clock counts without any zone: the day is plain
    // calendar arithmetic, and daylight saving plays no part.
    SYSTEMTIME day = *localTime;
    day.wHour = 0;
    day.wMinute = 0;
    day.wSecond = 0;
    day.wMilliseconds = 0;
    *begin = TimestampFromLocalTime(&day);
    day.wHour = 23;
    day.wMinute = 59;
    day.wSecond = 59;
    day.wMilliseconds = 999;
    *end = TimestampFromLocalTime(&day);
}

void ApplyPeriodAt(RecordFilter* filter, int32_t period, const RecordFilter* customRange, const SYSTEMTIME* now)
{
    if (period == PERIOD_TODAY || period == PERIOD_YESTERDAY) {
        filter->flags |= FILTER_BEGIN | FILTER_END;
        GetDayBounds(now, &filter->begin, &filter->end);
        if (period == PERIOD_YESTERDAY) {
            filter->begin -= DAY_TICKS;
            filter->end -= DAY_TICKS;
        }
    } else if (period == PERIOD_CUSTOM) {
        MergeCustomRange(filter, customRange);
    }
}

void ApplyPeriod(RecordFilter* filter, int32_t period, const RecordFilter* customRange)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    ApplyPeriodAt(filter, period, customRange, &now);
}

void MergeCustomRange(RecordFilter* filter, const RecordFilter* customRange)
{
    uint32_t flags = customRange->flags;
    filter->flags |= flags;
    if (flags & FILTER_BEGIN)
        filter->begin = customRange->begin;
    if (flags & FILTER_END)
        filter->end = customRange->end;
    if (flags & FILTER_P1NAME)
        memcpy(filter->p1name, customRange->p1name, sizeof filter->p1name);
    if (flags & FILTER_P1ID)
        filter->p1id = customRange->p1id;
    if (flags & FILTER_P1WIN)
        filter->p1win = customRange->p1win;
    if (flags & FILTER_P2NAME)
        memcpy(filter->p2name, customRange->p2name, sizeof filter->p2name);
    if (flags & FILTER_P2ID)
        filter->p2id = customRange->p2id;
    if (flags & FILTER_P2WIN)
        filter->p2win = customRange->p2win;
    if (flags & FILTER_LIMIT)
        filter->limit = customRange->limit;
}
