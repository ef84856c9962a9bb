// The WHERE clause of a filter, the periods of the statistics window and the
// merge of the custom range.
#include "store/RecordFilter.h"
#include "store/TimeStamp.h"
#include "support/StoreTestSupport.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <string>

namespace {

// Every field holds something, so that a clause or a merge that reads or
// writes a field it should not shows up.
RecordFilter FilledFilter(uint32_t flags, char fill = 'x')
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
    text.Release();
    return result;
}

SYSTEMTIME LocalTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0)
{
    return {WORD(year), WORD(month), 0, WORD(day), WORD(hour), WORD(minute), WORD(second), WORD(ms)};
}

std::string TimeText(int64_t timestamp)
{
    SYSTEMTIME t = {};  // all zero when the count is no valid time
    LocalTimeFromTimestamp(timestamp, &t);
    char text[32];
    wsprintfA(text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
              t.wMilliseconds);
    return text;
}

bool ChildOfZoneTest()
{
    return GetEnvironmentVariableA("VTY_ZONE_HAS_DST", nullptr, 0) > 0;
}

}  // namespace

TEST(WhereClause, EachFlagInBitOrder)
{
    const struct {
        uint32_t flags;
        const char* text;
    } cases[] = {
        {0, ""},
        {FILTER_LIMIT | 0x200 | 0x80000000u, ""},  // no condition among them
        {FILTER_BEGIN, " WHERE timestamp >= 128752416000000000"},
        {FILTER_END, " WHERE timestamp <= 128753279999990000"},
        {FILTER_P1NAME, " WHERE p1name = 'me'"},
        {FILTER_P1ID, " WHERE p1id = 3"},
        {FILTER_P1WIN, " WHERE p1win = 2"},
        {FILTER_P2NAME, " WHERE p2name = 'you'"},
        {FILTER_P2ID, " WHERE p2id = 19"},
        {FILTER_P2WIN | FILTER_LIMIT, " WHERE p2win = 1"},
        {FILTER_P2NAME | FILTER_P1ID, " WHERE p1id = 3 AND p2name = 'you'"},
        {0x1FF, " WHERE timestamp >= 128752416000000000 AND timestamp <= 128753279999990000 AND p1name = 'me' AND "
                "p1id = 3 AND p1win = 2 AND p2name = 'you' AND p2id = 19 AND p2win = 1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::string("FROM t") + c.text, Clause(FilledFilter(c.flags), "FROM t")) << c.flags;

}

TEST(WhereClause, NamesAreQuotedWhole)
{
    RecordFilter filter = FilledFilter(FILTER_P1NAME | FILTER_P2NAME | FILTER_P2ID);
    strcpy(filter.p1name, "O'Brien");
    strcpy(filter.p2name, "\x83\x5C\x95\x5C\x83\x7C\xB1\xB2");  // trail bytes 0x5C, 0x7C and kana pass as they are
    EXPECT_EQ(" WHERE p1name = 'O''Brien' AND p2name = '\x83\x5C\x95\x5C\x83\x7C\xB1\xB2' AND p2id = 19",
              Clause(filter));
    // The longest names, every byte a quote to double, keep their closing quote.
    memset(filter.p1name, '\'', PROFILE_NAME_SIZE - 1);
    memset(filter.p2name, '\'', PROFILE_NAME_SIZE - 1);
    filter.p1name[PROFILE_NAME_SIZE - 1] = filter.p2name[PROFILE_NAME_SIZE - 1] = '\0';
    std::string quoted = "'" + std::string(4 * (PROFILE_NAME_SIZE - 1) / 2, '\'') + "'";
    EXPECT_EQ(" WHERE p1name = " + quoted + " AND p2name = " + quoted + " AND p2id = 19", Clause(filter));
}

TEST(Period, WholeCalendarDaysOfTheGivenLocalTime)
{
    int64_t begin = 0, end = 0;
    SYSTEMTIME noon = LocalTime(2009, 1, 1, 12, 34, 56, 789);
    GetDayBounds(&noon, &begin, &end);  // the wall-clock FILETIME count, no zone applied
    EXPECT_EQ("128752416000000000 128753279999990000", std::to_string(begin) + " " + std::to_string(end));
    // Days when clocks change in Europe too:
    // time stamps are wall-clock counts, so every day is 24 hours long.
    const struct {
        SYSTEMTIME now;
        int32_t period;
        const char* day;
    } cases[] = {
        {LocalTime(2009, 1, 1, 12, 34, 56, 789), PERIOD_TODAY, "2009-01-01"},
        {LocalTime(2024, 12, 31, 23, 59, 59, 999), PERIOD_TODAY, "2024-12-31"},
        {LocalTime(2026, 3, 1), PERIOD_YESTERDAY, "2026-02-28"},
        {LocalTime(2024, 3, 1, 23, 59, 59, 999), PERIOD_YESTERDAY, "2024-02-29"},
        {LocalTime(2025, 1, 1), PERIOD_YESTERDAY, "2024-12-31"},
        {LocalTime(2026, 3, 29, 2, 30), PERIOD_TODAY, "2026-03-29"},
        {LocalTime(2026, 3, 30, 3, 30), PERIOD_YESTERDAY, "2026-03-29"},
        {LocalTime(2026, 10, 25, 2, 30), PERIOD_TODAY, "2026-10-25"},
        {LocalTime(2026, 10, 26, 23, 59), PERIOD_YESTERDAY, "2026-10-25"},
    };
    for (const auto& c : cases) {
        RecordFilter custom = FilledFilter(FILTER_P2NAME, 'c');
        RecordFilter filter = FilledFilter(FILTER_P1ID | FILTER_LIMIT, 'f');
        RecordFilter expected = filter;
        ApplyPeriodAt(&filter, c.period, &custom, &c.now);
        EXPECT_EQ(std::string(c.day) + " 00:00:00.000 " + c.day + " 23:59:59.999",
                  TimeText(filter.begin) + " " + TimeText(filter.end));
        expected.flags |= FILTER_BEGIN | FILTER_END;
        expected.begin = filter.begin;
        expected.end = filter.end;
        EXPECT_EQ(0, memcmp(&expected, &filter, sizeof filter)) << c.day;  // nothing else set
    }
}

TEST(Period, CustomMergesTheRangeAndOthersChangeNothing)
{
    SYSTEMTIME now = LocalTime(2026, 6, 15, 12);
    RecordFilter custom = FilledFilter(FILTER_P2NAME | FILTER_BEGIN, 'c');
    strcpy(custom.p2name, "rival");
    for (int32_t period : {PERIOD_ALL, -1, 4, PERIOD_CUSTOM}) {
        RecordFilter filter = FilledFilter(FILTER_P1ID | FILTER_LIMIT, 'f');
        RecordFilter expected = filter;
        ApplyPeriodAt(&filter, period, &custom, &now);
        if (period == PERIOD_CUSTOM)
            MergeCustomRange(&expected, &custom);
        EXPECT_EQ(0, memcmp(&expected, &filter, sizeof filter)) << period;
    }
    RecordFilter filter = FilledFilter(FILTER_LIMIT, 'f');
    ApplyPeriod(&filter, PERIOD_CUSTOM, &custom);
    EXPECT_EQ(" WHERE timestamp >= 128752416000000000 AND p2name = 'rival'", Clause(filter));
    EXPECT_EQ(FILTER_LIMIT | FILTER_P2NAME | FILTER_BEGIN, filter.flags);
}

TEST(CustomRange, MergeCopiesExactlyTheFlaggedFields)
{
    // Each name field is compared whole, bytes behind the terminator included.
    const struct {
        uint32_t flag;
        size_t offset, size;
    } fields[] = {
        {FILTER_BEGIN, offsetof(RecordFilter, begin), 8},       {FILTER_END, offsetof(RecordFilter, end), 8},
        {FILTER_P1NAME, offsetof(RecordFilter, p1name), PROFILE_NAME_SIZE},
        {FILTER_P1ID, offsetof(RecordFilter, p1id), 4},         {FILTER_P1WIN, offsetof(RecordFilter, p1win), 4},
        {FILTER_P2NAME, offsetof(RecordFilter, p2name), PROFILE_NAME_SIZE},
        {FILTER_P2ID, offsetof(RecordFilter, p2id), 4},         {FILTER_P2WIN, offsetof(RecordFilter, p2win), 4},
        {FILTER_LIMIT, offsetof(RecordFilter, limit), 4},
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
        for (const auto& f : fields) {
            const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&target) + f.offset;
            for (size_t i = 0; i < f.size; ++i)
                ASSERT_EQ((flags & f.flag) ? 0xA5 : 0x5A, bytes[i]) << "flags " << flags << " field " << f.flag;
        }
    }
}

TEST(Period, TodayAndYesterdayFollowTheLocalClock)
{
    if (ChildOfZoneTest()) {  // prove that the zone the parent asked for is in force
        TIME_ZONE_INFORMATION zone;
        ASSERT_NE(TIME_ZONE_ID_INVALID, GetTimeZoneInformation(&zone));
        ASSERT_TRUE(zone.Bias != 0 && zone.DaylightDate.wMonth != 0);
    }
    SYSTEMTIME before, after;
    RecordFilter today = FilledFilter(0), yesterday = FilledFilter(0);
    GetLocalTime(&before);
    ApplyPeriod(&today, PERIOD_TODAY, &today);
    ApplyPeriod(&yesterday, PERIOD_YESTERDAY, &yesterday);
    GetLocalTime(&after);
    if (before.wDay != after.wDay)
        GTEST_SKIP() << "midnight passed meanwhile";
    SYSTEMTIME midnight = LocalTime(before.wYear, before.wMonth, before.wDay);
    EXPECT_EQ(FILTER_BEGIN | FILTER_END, today.flags);
    EXPECT_EQ(TimestampFromLocalTime(&midnight), today.begin);
    EXPECT_EQ(today.begin + 863999990000LL, today.end);
    EXPECT_EQ(today.begin - DAY_TICKS, yesterday.begin);
    EXPECT_EQ(today.end - DAY_TICKS, yesterday.end);
}

TEST(LocalZone, DaylightSavingPlaysNoPart)
{
    // This process runs in UTC; a child reruns the period tests in a zone
    // whose clocks change, where any conversion to or from UTC shifts them.
    TempFolder folder;
    std::string report = folder.File("zone.xml");
    SetEnvironmentVariableA("VTY_ZONE_HAS_DST", "1");
    bool started = RunTestsUnderZone("Europe/Berlin", "Period.*", report);
    SetEnvironmentVariableA("VTY_ZONE_HAS_DST", nullptr);
    ASSERT_TRUE(started) << "no Unix side to set the zone on";
    std::string xml = ReadFileBytes(report);
    EXPECT_NE(std::string::npos, xml.find("<testsuites tests=\"3\" failures=\"0\" disabled=\"0\" errors=\"0\""))
        << xml;
    EXPECT_EQ(std::string::npos, xml.find("result=\"skipped\""));
}
