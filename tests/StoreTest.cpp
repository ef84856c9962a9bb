// The store on real record files: WHERE texts, days, pair totals, the statistics and detail rows.
#include "store/MatchStore.h"
#include "store/OpponentNotes.h"
#include "store/RecordSummaries.h"
#include "store/StatsRows.h"
#include "support/StatsFixture.h"

std::string Clause(const RecordFilter& filter)
{
    TextBuffer text;
    text.InitFrom("FROM t");
    AppendWhereClause(&text, &filter);
    std::string result(text.data, text.length);
    text.Release();
    return result;
}

// Rows first to last as "wins-losses/recent wins-recent losses".
std::string RowsText(const StatsRow* rows, int first, int last, std::string text = "")
{
    for (int i = first; i <= last; ++i)
        text += std::to_string(rows[i].wins) + "-" + std::to_string(rows[i].losses) + "/" +
                std::to_string(rows[i].recentWins) + "-" + std::to_string(rows[i].recentLosses) + " ";
    return text;
}

class Store : public StatsFixture {
protected:
    PairMatrix totals = {};

    // Rows as SQL values: "(timestamp,p1name,p1id,p1win,p2name,p2id,p2win),...".
    void Rows(const std::string& values)
    {
        ASSERT_TRUE(ExecuteSql(RecordConnection(), ("INSERT INTO vaviradudiz123 VALUES" + values).c_str()));
    }
    // count matches at time stamps from, from + 1, ... against opponent p2id
    // (-1: one that changes from match to match).
    void Matches(int from, int count, int p1id, int p1win, int p2win, int p2id = -1)
    {
        BeginTransaction();
        for (int i = from; i < from + count; ++i)
            Insert(i, p1id, p1win, p2id < 0 ? i * 7 % 20 : p2id, p2win);
        EndTransaction(false);
    }
    // The non-zero entries of the pair matrix as "p1id-p2id wins:losses".
    std::string Matrix(std::string text = "")
    {
        for (int i = 0; i < MATRIX_SIZE; ++i)
            if (totals[i].wins || totals[i].losses)
                text += std::to_string(i / 20) + "-" + std::to_string(i % 20) + " " +
                        std::to_string(totals[i].wins) + ":" + std::to_string(totals[i].losses) + " ";
        return text;
    }
    std::string Totals(RecordFilter filter) { return QueryPairTotals(&filter, totals) ? Matrix() : "<failed>"; }
};


TEST(WhereClause, EachConditionInFlagOrderAndNamesQuotedWhole)
{
    RecordFilter f = Filter(0, 3, 30);
    f.begin = 128752416000000000LL, f.end = 128753279999990000LL, f.p1win = 2, f.p2id = 19, f.p2win = 1;
    strcpy(f.p1name, "O'Brien");
    strcpy(f.p2name, "\x83\x5C\x95\x5C\x83\x7C\xB1\xB2");  // trail bytes 0x5C and 0x7C, kana: as they are
    f.flags = FILTER_LIMIT | 0x200;  // no condition among them
    EXPECT_EQ("FROM t", Clause(f));
    f.flags = 0x1FF;
    EXPECT_EQ("FROM t WHERE timestamp >= 128752416000000000 AND timestamp <= 128753279999990000 AND p1name = "
              "'O''Brien' AND p1id = 3 AND p1win = 2 AND p2name = '\x83\x5C\x95\x5C\x83\x7C\xB1\xB2' AND p2id = 19 "
              "AND p2win = 1",
              Clause(f));
    // The longest names, every byte a quote to double, keep their closing quote.
    memset(f.p1name, '\'', PROFILE_NAME_SIZE - 1);
    memset(f.p2name, '\'', PROFILE_NAME_SIZE - 1);
    f.flags = FILTER_P1NAME | FILTER_P2NAME;
    std::string quoted = "'" + std::string(2 * (PROFILE_NAME_SIZE - 1), '\'') + "'";
    EXPECT_EQ("FROM t WHERE p1name = " + quoted + " AND p2name = " + quoted, Clause(f));
}

TEST_F(Store, TodayAndYesterdayAreWholeLocalDays)
{
    // Time stamps are wall-clock counts: a day when clocks change is 24 hours too.
    const struct { SYSTEMTIME now; int32_t period; int64_t day; } cases[] = {
        {{2024, 12, 0, 31, 23, 59, 59, 999}, PERIOD_TODAY, Day(2024, 12, 31)},
        {{2024, 3, 0, 1, 0, 0, 0, 0}, PERIOD_YESTERDAY, Day(2024, 2, 29)},
        {{2026, 3, 0, 30, 3, 30, 0, 0}, PERIOD_YESTERDAY, Day(2026, 3, 29)},
    };
    RecordFilter custom = Filter(FILTER_P2NAME);
    for (const auto& c : cases) {
        RecordFilter filter = Filter(FILTER_P1ID | FILTER_LIMIT, 3, 30), expected = filter;
        ApplyPeriodAt(&filter, c.period, &custom, &c.now);
        expected.flags |= FILTER_BEGIN | FILTER_END;
        expected.begin = c.day, expected.end = c.day + DAY_TICKS - STAMP_MS;
        EXPECT_EQ(0, memcmp(&expected, &filter, sizeof filter)) << c.day;  // nothing else set
    }
}

TEST_F(Store, PairTotalsCountWonMatchesOfPossibleRowsNewestFirst)
{
    Rows("(1,'me',3,2,'r',5,1),(2,'me',3,2,'r',5,0),(3,'me',3,1,'r',5,2),(4,'me',3,1,'r',5,1),(5,'me',3,0,'r',5,0),"
         "(6,'me',19,0,'r',0,2),(7,'me',0,2,'r',19,0),"
         // Only a hand edit makes these: win counts no match ends with, text
         // for a number. They count nowhere; '2' is stored as 2.
         "(8,'me',4,-2,'r',6,-4),(9,'me',0,0,'r',0,4),(10,'me','abc',0,'r',0,2),(11,'me',0,1000,'r',0,0),"
         "(12,'me',0,2,'r','x',-2),(13,'me',0,1.5,'r',0,0),(14,'me',0,'2','r',0,0)");
    const struct { RecordFilter filter; const char* totals; } cases[] = {
        {Filter(0), "0-0 1:0 0-19 1:0 3-5 2:1 19-0 0:1 "},
        {Filter(FILTER_LIMIT, 0, 2), "0-0 1:0 0-19 1:0 "},  // the newest two that count
        {Filter(FILTER_P1ID | FILTER_LIMIT, 3, 3), "3-5 0:1 "},
        {Filter(FILTER_P1ID, 3, 1), "3-5 2:1 "},  // a limit without its flag plays no part
        {Filter(FILTER_P1ID | FILTER_LIMIT | FILTER_END, 3, 1, 2), "3-5 1:0 "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.totals, Totals(c.filter)) << c.filter.flags << " " << c.filter.limit;
    // An opponent number that is no character fails the query; the last matrix stays.
    Rows("(20,'me',0,2,'r',-1,0)");
    EXPECT_EQ("<failed> <failed> 3-5 1:0 ",
              Totals(Filter(0)) + " " + Totals(Filter(FILTER_LIMIT, 0, 30)) + " " + Matrix());
}

TEST_F(Store, WholeRowReadsFailOnAnotherTableAndEveryQueryWithoutOne)
{
    RecordFilter all = Filter(0);
    Insert(1, 1, 2, 2, 0);
    ASSERT_TRUE(ExecuteSql(RecordConnection(), "ALTER TABLE vaviradudiz123 ADD COLUMN note"));
    EXPECT_EQ("<failed> 1-2 1:0 ", HistoryText(Filter(0)) + " " + Totals(Filter(0)));
    CloseRecordDatabase();
    MatchRecord record = {2, "me", 1, 2, "r", 2, 0};
    EXPECT_FALSE(InsertRecord(&record) || DeleteRecord(1) || QueryLatestRecord(&all, &record));
    EXPECT_EQ("<failed> <failed> 1-2 1:0 ", Totals(Filter(0)) + " " + HistoryText(Filter(0)) + " " + Matrix());
}

TEST_F(Store, StatsRowsPerCharacterOverallAndNewestAndDetailRowsPerOpponent)
{
    Matches(1, 1, 0, 2, 1);
    Matches(2, 7, 0, 0, 2);
    Matches(9, 2, 1, 2, 0);
    Matches(11, 1, 1, 1, 2);
    Matches(12, 1, 3, 1, 1);    // neither side won: counts nowhere
    Matches(13, 40, 4, 2, 1);   // then 30 newer losses: its last 30 hold only those
    Matches(53, 30, 4, 0, 2);
    Matches(83, 35, 7, 2, 0);   // newest of all
    Matches(118, 1, 20, 2, 0);  // no character: the first query fails
    StatsRow rows[STATS_ROW_COUNT];
    RecordFilter all = Filter(0), patchouli = Filter(FILTER_P1ID, 4);
    EXPECT_EQ(0, ComputeStatsRows(&all, rows));
    ASSERT_TRUE(DeleteRecord(118));
    ASSERT_EQ(STATS_QUERY_COUNT, ComputeStatsRows(&all, rows));
    EXPECT_EQ("1-7/1-7 2-1/2-1 0-0/0-0 0-0/0-0 40-30/0-30 0-0/0-0 0-0/0-0 35-0/30-0 ", RowsText(rows, 0, 7));
    EXPECT_EQ("0-0/0-0 78-38/0-0 30-0/0-0 35-15/0-0 70-30/0-0 ", RowsText(rows, 20, 24));
    Matches(200, 32, 4, 0, 2, 5);  // 32 older losses and 30 newer wins against 妖夢
    Matches(232, 30, 4, 2, 0, 5);
    ASSERT_EQ(DETAIL_QUERY_COUNT, ComputeDetailRows(&patchouli, rows));
    EXPECT_EQ("2-1/2-1 2-1/2-1 32-34/30-0 2-2/2-2 ", RowsText(rows, 3, 6));
}

TEST_F(Store, AStoredMatchEntersTheUndoList)
{
    MatchRecord record = {7, "me", 2, 2, "you", 3, 0};
    EXPECT_EQ(MATCH_STORED, StoreMatch(&record, 0));
    EXPECT_EQ(MATCH_REFUSED, StoreMatch(&record, 0));  // its time stamp is taken
    ASSERT_EQ(1u, UndoList.count);
    EXPECT_EQ(RecordText(record), RecordText(UndoList.At(0).record));
    UndoList.Clear();
}

std::string Tally(const WinLoss& tally)
{
    return std::to_string(tally.wins) + "-" + std::to_string(tally.losses);
}

TEST_F(Store, SummariesForPlayCountTheOpponentTheCharacterAndTheSessionToTheirEdges)
{
    const int64_t MINUTE = 60000 * STAMP_MS, now = Day(2026, 12, 8) + 12 * 60 * MINUTE;
    const char* const name = "O'Neil%";
    // Against name, oldest first: a win a millisecond before the 30 days, a
    // loss at their first moment, a 1-1, then loss, win, win, win.
    const int64_t edge = now - RECENT_DAYS * DAY_TICKS;
    const struct { int64_t stamp; int p1win, p2win; } played[] = {
        {edge - STAMP_MS, 2, 0}, {edge, 1, 2}, {now - 5 * DAY_TICKS, 1, 1}, {now - 4 * DAY_TICKS, 0, 2},
        {now - 3 * DAY_TICKS, 2, 1}, {now - 2 * DAY_TICKS, 2, 0}, {now - DAY_TICKS, 2, 1}};
    for (const auto& p : played)
        Insert(p.stamp, 3, p.p1win, 5, p.p2win, name);
    Insert(now - 40 * DAY_TICKS, 3, 2, 5, 0, "O'Neil");  // another name, the same character
    Insert(now - 6 * DAY_TICKS, 3, 3, 5, 2, name);       // impossible: counted nowhere, as in the totals
    OpponentSummary opponent;
    ASSERT_TRUE(SummariseOpponent(name, now, &opponent));
    EXPECT_EQ("4-2 3-2 WWWLL", Tally(opponent.allTime) + " " + Tally(opponent.recent) + " " +
                                   std::string(opponent.last, opponent.lastCount));
    EXPECT_EQ(now - DAY_TICKS, opponent.lastMet);
    ASSERT_TRUE(SummariseOpponent("nobody", now, &opponent));
    EXPECT_EQ("0-0 0-0 0", Tally(opponent.allTime) + " " + Tally(opponent.recent) + " " +
                               std::to_string(opponent.lastCount + opponent.lastMet));
    CharacterSummary character;
    ASSERT_TRUE(SummariseCharacter(3, now, &character));
    EXPECT_EQ("5-2 3-2", Tally(character.allTime) + " " + Tally(character.recent));

    // A session: a gap a millisecond under 30 minutes keeps it going, one of
    // exactly 30 minutes ends it; a 1-1 neither carries nor breaks the streak.
    const int64_t s = now - 60 * MINUTE;
    const struct { int64_t stamp; int p1win, p2win; } session[] = {
        {s - 60 * MINUTE + STAMP_MS, 0, 2}, {s - 30 * MINUTE + STAMP_MS, 2, 0}, {s, 0, 2}, {s + MINUTE, 2, 1},
        {s + 2 * MINUTE, 1, 1}, {s + 3 * MINUTE, 2, 0}};
    for (const auto& p : session)
        Insert(p.stamp, 0, p.p1win, 1, p.p2win);
    const struct { int64_t now; const char* expected; } cases[] = {
        {s + 33 * MINUTE - STAMP_MS, "3-1 2"},
        {s + 33 * MINUTE, "0-0 0"},
    };
    for (const auto& c : cases) {
        CurrentSession summary;
        ASSERT_TRUE(SummariseSession(c.now, &summary));
        EXPECT_EQ(c.expected, Tally(summary.results) + " " + std::to_string(summary.streak)) << c.now - s;
    }
    CloseRecordDatabase();
    CurrentSession none;
    EXPECT_FALSE(SummariseOpponent(name, now, &opponent) || SummariseCharacter(3, now, &character) ||
                 SummariseSession(now, &none));
}

// Notes by the stored bytes of a name: quotes, percent signs and a byte that
// is no whole character come back as written; the note is in the file when
// the write returns; an empty note removes it; a held file makes it wait,
// newest text last, and the retry writes it.
TEST(OpponentNotes, WrittenAtOnceWaitWhileHeldAndEmptyRemoves)
{
    TempFolder folder;
    std::string path = folder.File("notes.db");
    SetNotesPath(path.c_str());
    char note[NOTE_SIZE] = "x";
    EXPECT_TRUE(ReadOpponentNote("nobody", note, 0));  // no file yet: no note, and none made
    EXPECT_EQ("", std::string(note) + (FileExists(path) ? "made" : ""));
    const char* odd = "a\"b'%_\x82";
    EXPECT_TRUE(WriteOpponentNote(odd, "起き上がりに暴れる\r\n咲夜を使う 100%"));
    sqlite3* other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &other));
    EXPECT_EQ("起き上がりに暴れる\r\n咲夜を使う 100%", QueryText(other, "SELECT CAST(note AS TEXT) FROM notes"));
    EXPECT_TRUE(ReadOpponentNote(odd, note, 0));
    EXPECT_STREQ("起き上がりに暴れる\r\n咲夜を使う 100%", note);
    EXPECT_TRUE(ReadOpponentNote("a\"b'%_", note, 0) && !note[0]);  // another name
    ASSERT_TRUE(ExecuteSql(other, "BEGIN EXCLUSIVE"));
    EXPECT_FALSE(WriteOpponentNote(odd, "first"));
    EXPECT_FALSE(WriteOpponentNote(odd, "second"));
    EXPECT_TRUE(ReadOpponentNote(odd, note, 0));
    EXPECT_EQ("second 1", std::string(note) + " " + std::to_string(WaitingNotes.count));
    EXPECT_FALSE(RetryOpponentNotes(10));
    ASSERT_TRUE(ExecuteSql(other, "COMMIT"));
    EXPECT_TRUE(RetryOpponentNotes(10));
    EXPECT_EQ("second", QueryText(other, "SELECT CAST(note AS TEXT) FROM notes"));
    // One that waited while another program wrote a newer note keeps both
    // texts, the newer first; a waiting removal gives way to it.
    ASSERT_TRUE(ExecuteSql(other, "BEGIN EXCLUSIVE"));
    EXPECT_FALSE(WriteOpponentNote(odd, "third"));
    EXPECT_FALSE(WriteOpponentNote("gone", ""));
    ASSERT_TRUE(ExecuteSql(other, "UPDATE notes SET note = CAST('newer' AS BLOB), changed = changed + 100000000000;"
                                  "INSERT INTO notes VALUES(CAST('gone' AS BLOB), CAST('kept' AS BLOB), "
                                  "900000000000000000); COMMIT"));
    EXPECT_TRUE(RetryOpponentNotes(10));
    EXPECT_EQ("newer\r\n――――\r\nthird;kept",
              QueryText(other, "SELECT group_concat(CAST(note AS TEXT), ';') FROM (SELECT note FROM notes ORDER BY changed)"));
    EXPECT_TRUE(WriteOpponentNote(odd, ""));
    EXPECT_EQ("kept", QueryText(other, "SELECT group_concat(CAST(note AS TEXT), ';') FROM notes"));
    sqlite3_close(other);
    CloseOpponentNotes();
    WaitingNotes.Clear();
}
