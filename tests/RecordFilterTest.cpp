// The WHERE clause of a filter, the periods of the statistics window and the
// merge of the custom range.
#include "store/RecordFilter.h"
#include "support/StoreTestSupport.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <string>

namespace {

// A filter whose every field holds something, so that a clause or a merge
// that reads or writes a field it should not shows up.
RecordFilter FilledFilter(uint32_t flags, char fill)
{
    RecordFilter filter;
    memset(&filter, fill, sizeof filter);
    filter.flags = flags;
    filter.begin = 128752416000000000LL;
    filter.end = 128753279999990000LL;
    strcpy(filter.p1name, "me");
    filter.p1id = 3;
    filter.p1win = 2;
    strcpy(filter.p2name, "you");
    filter.p2id = 19;
    filter.p2win = 1;
    filter.limit = 30;
    return filter;
}

std::string Clause(const RecordFilter& filter, const char* before = "")
{
    TextBuffer text;
    text.InitFrom(before);
    AppendWhereClause(&text, &filter);
    std::string result(text.data, text.length);
    EXPECT_EQ(strlen(text.data), text.length);
    text.Release();
    return result;
}

SYSTEMTIME LocalTime(int year, int month, int day, int hour, int minute, int second, int millisecond)
{
    SYSTEMTIME time = {};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    time.wMilliseconds = static_cast<WORD>(millisecond);
    return time;
}

const int64_t LAST_MILLISECOND = 863999990000LL;  // 23:59:59.999 after 00:00:00.000

}  // namespace

TEST(WhereClause, NoConditionGivesNoText)
{
    EXPECT_EQ("", Clause(FilledFilter(0, 'x')));
    EXPECT_EQ("SELECT", Clause(FilledFilter(0, 'x'), "SELECT"));
    EXPECT_EQ("", Clause(FilledFilter(FILTER_LIMIT, 'x')));
    EXPECT_EQ("", Clause(FilledFilter(0x200 | 0x80000000u, 'x')));  // bits above the conditions
}

TEST(WhereClause, EachFlagAloneWithItsLeadingSpace)
{
    struct Case {
        uint32_t flag;
        const char* text;
    } cases[] = {
        {FILTER_BEGIN, " WHERE timestamp >= 128752416000000000"},
        {FILTER_END, " WHERE timestamp <= 128753279999990000"},
        {FILTER_P1NAME, " WHERE p1name = 'me'"},
        {FILTER_P1ID, " WHERE p1id = 3"},
        {FILTER_P1WIN, " WHERE p1win = 2"},
        {FILTER_P2NAME, " WHERE p2name = 'you'"},
        {FILTER_P2ID, " WHERE p2id = 19"},
        {FILTER_P2WIN, " WHERE p2win = 1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.text, Clause(FilledFilter(c.flag, 'x'))) << c.flag;
        EXPECT_EQ(c.text, Clause(FilledFilter(c.flag | FILTER_LIMIT, 'x'))) << c.flag;
    }
}

TEST(WhereClause, ConditionsFollowTheBitOrder)
{
    EXPECT_EQ(" WHERE timestamp >= 128752416000000000 AND timestamp <= 128753279999990000 AND p1name = 'me' AND "
              "p1id = 3 AND p1win = 2 AND p2name = 'you' AND p2id = 19 AND p2win = 1",
              Clause(FilledFilter(0x1FF, 'x')));
    RecordFilter filter = FilledFilter(FILTER_END | FILTER_P2ID, 'x');
    filter.p2id = 3;
    EXPECT_EQ(" WHERE timestamp <= 128753279999990000 AND p2id = 3", Clause(filter));
    EXPECT_EQ("FROM vaviradudiz123 WHERE p1id = 3 AND p2name = 'you'",
              Clause(FilledFilter(FILTER_P2NAME | FILTER_P1ID, 'x'), "FROM vaviradudiz123"));
}

TEST(WhereClause, NumbersKeepTheirSignAndWidth)
{
    RecordFilter filter = FilledFilter(FILTER_BEGIN | FILTER_END | FILTER_P1ID | FILTER_P2WIN, 'x');
    filter.begin = INT64_MIN;
    filter.end = INT64_MAX;
    filter.p1id = -1;
    filter.p2win = INT32_MIN;
    EXPECT_EQ(" WHERE timestamp >= -9223372036854775808 AND timestamp <= 9223372036854775807 AND p1id = -1 AND "
              "p2win = -2147483648",
              Clause(filter));
}

TEST(WhereClause, SingleQuotesInNamesAreDoubled)
{
    RecordFilter filter = FilledFilter(FILTER_P1NAME | FILTER_P2NAME, 'x');
    strcpy(filter.p1name, "O'Brien");
    strcpy(filter.p2name, "'");
    EXPECT_EQ(" WHERE p1name = 'O''Brien' AND p2name = ''''", Clause(filter));
    filter.p2name[0] = '\0';
    EXPECT_EQ(" WHERE p1name = 'O''Brien' AND p2name = ''", Clause(filter));
}

TEST(WhereClause, NameBytesPassUnchanged)
{
    // Second bytes 0x5C and 0x7C, and half-width kana, none of them UTF-8.
    RecordFilter filter = FilledFilter(FILTER_P2NAME, 'x');
    strcpy(filter.p2name, "\x83\x5C\x95\x5C\x83\x7C\xB1\xB2");
    EXPECT_EQ(" WHERE p2name = '\x83\x5C\x95\x5C\x83\x7C\xB1\xB2'", Clause(filter));
}

TEST(WhereClause, LongConditionIsCutTo63Characters)
{
    RecordFilter filter = FilledFilter(FILTER_P1NAME | FILTER_P2ID, 'x');
    memset(filter.p1name, '\'', 31);
    filter.p1name[31] = '\0';
    // "p1name = '" and 62 doubled quotes and the closing quote would be 73.
    std::string cut = "p1name = '" + std::string(53, '\'');
    ASSERT_EQ(63u, cut.size());
    EXPECT_EQ(" WHERE " + cut + " AND p2id = 19", Clause(filter));

    filter.flags = FILTER_P2NAME;
    memset(filter.p2name, '\'', 31);
    filter.p2name[31] = '\0';
    EXPECT_EQ(" WHERE p2name = '" + std::string(53, '\''), Clause(filter));

    // Twenty quotes still fit: 10 + 40 + 1 characters.
    filter.p2name[20] = '\0';
    EXPECT_EQ(" WHERE p2name = '" + std::string(40, '\'') + "'", Clause(filter));
}

TEST(DayBounds, FirstAndLastMillisecondOfTheCalendarDay)
{
    int64_t begin = 0, end = 0;
    SYSTEMTIME noon = LocalTime(2009, 1, 1, 12, 34, 56, 789);
    GetDayBounds(&noon, &begin, &end);
    EXPECT_EQ(128752416000000000LL, begin);
    EXPECT_EQ(128752416000000000LL + LAST_MILLISECOND, end);

    struct Day {
        int year, month, day;
    } days[] = {{1601, 1, 1}, {2000, 2, 29}, {2024, 2, 29}, {2024, 12, 31}, {2025, 3, 1}, {2038, 1, 19}};
    for (const Day& d : days) {
        for (int hour : {0, 23}) {
            SYSTEMTIME time = hour == 0 ? LocalTime(d.year, d.month, d.day, 0, 0, 0, 0)
                                        : LocalTime(d.year, d.month, d.day, 23, 59, 59, 999);
            GetDayBounds(&time, &begin, &end);
            EXPECT_EQ(CivilTimestamp(d.year, d.month, d.day), begin) << d.year << "-" << d.month << "-" << d.day;
            EXPECT_EQ(CivilTimestamp(d.year, d.month, d.day, 23, 59, 59, 999), end);
        }
    }
}

TEST(Period, TodayAndYesterdaySetOnlyTheirBounds)
{
    SYSTEMTIME now = LocalTime(2026, 3, 1, 0, 0, 0, 0);  // yesterday is 28 February
    for (int32_t period : {PERIOD_TODAY, PERIOD_YESTERDAY}) {
        RecordFilter custom = FilledFilter(FILTER_P2NAME, 'c');
        RecordFilter filter = FilledFilter(FILTER_P1ID | FILTER_LIMIT, 'f');
        RecordFilter expected = filter;
        ApplyPeriodAt(&filter, period, &custom, &now);
        int64_t shift = period == PERIOD_YESTERDAY ? TIMESTAMP_DAY : 0;
        expected.flags |= FILTER_BEGIN | FILTER_END;
        expected.begin = CivilTimestamp(2026, 3, 1) - shift;
        expected.end = CivilTimestamp(2026, 3, 1, 23, 59, 59, 999) - shift;
        EXPECT_EQ(0, memcmp(&expected, &filter, sizeof filter)) << period;
    }
    RecordFilter filter = FilledFilter(0, 'f');
    ApplyPeriodAt(&filter, PERIOD_YESTERDAY, &filter, &now);
    EXPECT_EQ(CivilTimestamp(2026, 2, 28), filter.begin);
    EXPECT_EQ(CivilTimestamp(2026, 2, 28, 23, 59, 59, 999), filter.end);

    now = LocalTime(2025, 1, 1, 23, 59, 59, 999);
    ApplyPeriodAt(&filter, PERIOD_YESTERDAY, &filter, &now);
    EXPECT_EQ(CivilTimestamp(2024, 12, 31), filter.begin);
    EXPECT_EQ(CivilTimestamp(2024, 12, 31, 23, 59, 59, 999), filter.end);
}

TEST(Period, DaysAroundDaylightSavingChangesAreWholeCalendarDays)
{
    // Changes in Europe, North America and New Zealand, and the days after:
    // time stamps are wall-clock counts, so every day is 24 hours long.
    struct Day {
        int year, month, day;
    } days[] = {{2026, 3, 29}, {2026, 3, 30}, {2026, 10, 25}, {2026, 10, 26}, {2026, 3, 8},
                {2026, 3, 9},  {2026, 11, 1}, {2026, 11, 2},  {2026, 4, 5},   {2026, 4, 6},
                {2026, 9, 27}, {2026, 9, 28}, {2009, 3, 30},  {2009, 10, 26}};
    for (const Day& d : days) {
        for (int hour : {0, 2, 3, 12, 23}) {
            SYSTEMTIME now = LocalTime(d.year, d.month, d.day, hour, hour == 23 ? 59 : 30, 0, 0);
            RecordFilter today = FilledFilter(0, 'x');
            RecordFilter yesterday = FilledFilter(0, 'x');
            ApplyPeriodAt(&today, PERIOD_TODAY, &today, &now);
            ApplyPeriodAt(&yesterday, PERIOD_YESTERDAY, &yesterday, &now);
            EXPECT_EQ(CivilTimestamp(d.year, d.month, d.day), today.begin) << d.month << "-" << d.day;
            EXPECT_EQ(today.begin + LAST_MILLISECOND, today.end);
            EXPECT_EQ(today.begin - 864000000000LL, yesterday.begin);
            EXPECT_EQ(today.end - 864000000000LL, yesterday.end);
        }
    }
}

TEST(Period, AllAndUnknownPeriodsChangeNothing)
{
    SYSTEMTIME now = LocalTime(2026, 6, 15, 12, 0, 0, 0);
    RecordFilter custom = FilledFilter(0x1FF, 'c');
    for (int32_t period : {PERIOD_ALL, -1, 4, 99}) {
        RecordFilter filter = FilledFilter(FILTER_P1ID, 'f');
        RecordFilter expected = filter;
        ApplyPeriodAt(&filter, period, &custom, &now);
        EXPECT_EQ(0, memcmp(&expected, &filter, sizeof filter)) << period;
        ApplyPeriod(&filter, period, &custom);
        EXPECT_EQ(0, memcmp(&expected, &filter, sizeof filter)) << period;
    }
}

TEST(Period, CustomMergesTheCustomRange)
{
    SYSTEMTIME now = LocalTime(2026, 6, 15, 12, 0, 0, 0);
    RecordFilter custom = FilledFilter(0, 'c');
    RecordFilter filter = FilledFilter(FILTER_LIMIT, 'f');
    RecordFilter expected = filter;
    ApplyPeriodAt(&filter, PERIOD_CUSTOM, &custom, &now);  // an empty range: unchanged
    EXPECT_EQ(0, memcmp(&expected, &filter, sizeof filter));

    custom.flags = FILTER_P2NAME | FILTER_BEGIN | FILTER_END;
    custom.begin = CivilTimestamp(2020, 5, 1);
    custom.end = CivilTimestamp(2020, 5, 1, 23, 59, 59, 999);
    strcpy(custom.p2name, "rival");
    ApplyPeriod(&filter, PERIOD_CUSTOM, &custom);
    EXPECT_EQ(FILTER_LIMIT | FILTER_P2NAME | FILTER_BEGIN | FILTER_END, filter.flags);
    EXPECT_EQ(" WHERE timestamp >= " + std::to_string(custom.begin) + " AND timestamp <= " +
                  std::to_string(custom.end) + " AND p2name = 'rival'",
              Clause(filter));
    EXPECT_EQ(30, filter.limit);
}

TEST(CustomRange, MergeCopiesExactlyTheFlaggedFields)
{
    // Each name field is compared whole, bytes behind the terminator included.
    struct Field {
        uint32_t flag;
        size_t offset;
        size_t size;
    } fields[] = {
        {FILTER_BEGIN, offsetof(RecordFilter, begin), sizeof(int64_t)},
        {FILTER_END, offsetof(RecordFilter, end), sizeof(int64_t)},
        {FILTER_P1NAME, offsetof(RecordFilter, p1name), PROFILE_NAME_SIZE},
        {FILTER_P1ID, offsetof(RecordFilter, p1id), sizeof(int32_t)},
        {FILTER_P1WIN, offsetof(RecordFilter, p1win), sizeof(int32_t)},
        {FILTER_P2NAME, offsetof(RecordFilter, p2name), PROFILE_NAME_SIZE},
        {FILTER_P2ID, offsetof(RecordFilter, p2id), sizeof(int32_t)},
        {FILTER_P2WIN, offsetof(RecordFilter, p2win), sizeof(int32_t)},
        {FILTER_LIMIT, offsetof(RecordFilter, limit), sizeof(int32_t)},
    };
    RecordFilter source;
    memset(&source, 0xA5, sizeof source);
    for (uint32_t flags = 0; flags <= 0x1FF; ++flags) {
        source.flags = flags;
        RecordFilter target;
        memset(&target, 0x5A, sizeof target);
        target.flags = 0x400;
        MergeCustomRange(&target, &source);
        ASSERT_EQ(0x400 | flags, target.flags);
        for (const Field& f : fields) {
            const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&target) + f.offset;
            unsigned char want = (flags & f.flag) ? 0xA5 : 0x5A;
            for (size_t i = 0; i < f.size; ++i)
                ASSERT_EQ(want, bytes[i]) << "flags " << flags << " field " << f.flag << " byte " << i;
        }
    }
}

TEST(LocalClock, TodayAndYesterdayFollowTheLocalClock)
{
    // The child runs of the test below ask this case to prove that the zone
    // they set is the one in force.
    char wanted[8] = "";
    if (GetEnvironmentVariableA("VTY_ZONE_HAS_DST", wanted, sizeof wanted) > 0) {
        TIME_ZONE_INFORMATION zone;
        DWORD kind = GetTimeZoneInformation(&zone);
        ASSERT_TRUE(kind == TIME_ZONE_ID_STANDARD || kind == TIME_ZONE_ID_DAYLIGHT) << kind;
        ASSERT_NE(0, zone.DaylightDate.wMonth);
        ASSERT_NE(0, zone.Bias);
        LONG bias = zone.Bias + (kind == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : zone.StandardBias);
        FILETIME utc, local;
        GetSystemTimeAsFileTime(&utc);
        SYSTEMTIME localNow;
        GetLocalTime(&localNow);
        SystemTimeToFileTime(&localNow, &local);
        int64_t difference = ((static_cast<int64_t>(local.dwHighDateTime) << 32) | local.dwLowDateTime) -
                             ((static_cast<int64_t>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime);
        EXPECT_NEAR(-bias * 600000000.0, static_cast<double>(difference), 50000000.0);
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        SYSTEMTIME before, after;
        RecordFilter today = FilledFilter(0, 'x');
        RecordFilter yesterday = FilledFilter(0, 'x');
        GetLocalTime(&before);
        ApplyPeriod(&today, PERIOD_TODAY, &today);
        ApplyPeriod(&yesterday, PERIOD_YESTERDAY, &yesterday);
        GetLocalTime(&after);
        if (before.wDay != after.wDay)
            continue;  // midnight passed meanwhile
        EXPECT_EQ(FILTER_BEGIN | FILTER_END, today.flags);
        EXPECT_EQ(CivilTimestamp(before.wYear, before.wMonth, before.wDay), today.begin);
        EXPECT_EQ(CivilTimestamp(before.wYear, before.wMonth, before.wDay, 23, 59, 59, 999), today.end);
        EXPECT_EQ(today.begin - 864000000000LL, yesterday.begin);
        EXPECT_EQ(today.end - 864000000000LL, yesterday.end);
        return;
    }
    FAIL() << "the local date kept changing";
}

TEST(LocalClock, DaysAfterTheChangesOfThisZone)
{
    // Walks the current year of the zone in force and checks the periods on
    // the local days around each change of its offset from UTC.
    SYSTEMTIME now;
    GetLocalTime(&now);
    int changes = 0;
    LONG previousOffset = 0;
    for (int day = 0; day < 366; ++day) {
        FILETIME utc;
        int64_t noon = CivilTimestamp(now.wYear, 1, 1, 12) + day * TIMESTAMP_DAY;
        utc.dwLowDateTime = static_cast<DWORD>(noon);
        utc.dwHighDateTime = static_cast<DWORD>(noon >> 32);
        SYSTEMTIME utcTime, local;
        FileTimeToSystemTime(&utc, &utcTime);
        ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utcTime, &local));
        FILETIME localCount;
        SystemTimeToFileTime(&local, &localCount);
        int64_t localStamp = (static_cast<int64_t>(localCount.dwHighDateTime) << 32) | localCount.dwLowDateTime;
        LONG offset = static_cast<LONG>((localStamp - noon) / 600000000);
        if (day > 0 && offset != previousOffset) {
            ++changes;
            // The local day of this instant comes right after a change.
            RecordFilter today = FilledFilter(0, 'x');
            RecordFilter yesterday = FilledFilter(0, 'x');
            ApplyPeriodAt(&today, PERIOD_TODAY, &today, &local);
            ApplyPeriodAt(&yesterday, PERIOD_YESTERDAY, &yesterday, &local);
            EXPECT_EQ(CivilTimestamp(local.wYear, local.wMonth, local.wDay), today.begin);
            EXPECT_LE(today.begin, localStamp);
            EXPECT_GE(today.end, localStamp);
            EXPECT_EQ(today.begin + LAST_MILLISECOND, today.end);
            EXPECT_EQ(today.begin - 864000000000LL, yesterday.begin);
            EXPECT_EQ(today.end - 864000000000LL, yesterday.end);
        }
        previousOffset = offset;
    }
    char wanted[8] = "";
    if (GetEnvironmentVariableA("VTY_ZONE_HAS_DST", wanted, sizeof wanted) > 0) {
        EXPECT_EQ(2, changes);
    }
}

TEST(LocalClock, ZonesWithDaylightSaving)
{
    TempFolder folder;
    SetEnvironmentVariableA("VTY_ZONE_HAS_DST", "1");
    for (const char* zone : {"Europe/Berlin", "America/New_York", "Pacific/Auckland"}) {
        std::string report = folder.File(std::string("zone-") + (strchr(zone, '/') + 1) + ".xml");
        bool started = RunTestsUnderZone(zone, "LocalClock.Today*:LocalClock.DaysAfter*", report);
        if (!started) {
            SetEnvironmentVariableA("VTY_ZONE_HAS_DST", nullptr);
            GTEST_SKIP() << "no Unix side to set the zone on";
        }
        std::string xml = ReadFileBytes(report);
        EXPECT_NE(std::string::npos, xml.find("<testsuites tests=\"2\" failures=\"0\" disabled=\"0\" errors=\"0\""))
            << zone << "\n" << xml;
        EXPECT_EQ(std::string::npos, xml.find("result=\"skipped\"")) << zone;
        EXPECT_NE(std::string::npos, xml.find("name=\"TodayAndYesterdayFollowTheLocalClock\"")) << zone;
        EXPECT_NE(std::string::npos, xml.find("name=\"DaysAfterTheChangesOfThisZone\"")) << zone;
    }
    SetEnvironmentVariableA("VTY_ZONE_HAS_DST", nullptr);
}
