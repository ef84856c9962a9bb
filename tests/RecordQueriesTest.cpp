// Insert, delete and the four reading queries on real record files.
#include "store/RecordQueries.h"
#include "support/StoreTestSupport.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <string>

namespace {

PairMatrix totals;

// The published matrix as "p1id-p2id wins:losses" of its non-zero entries.
std::string PairTotalsText()
{
    std::string text;
    for (int i = 0; i < CHARACTER_COUNT * CHARACTER_COUNT; ++i) {
        if (totals[i].wins || totals[i].losses)
            text += (text.empty() ? "" : " ") + std::to_string(i / CHARACTER_COUNT) + "-" +
                    std::to_string(i % CHARACTER_COUNT) + " " + std::to_string(totals[i].wins) + ":" +
                    std::to_string(totals[i].losses);
    }
    return text;
}

std::string PairTotalsOf(RecordFilter filter)
{
    return QueryPairTotals(&filter, totals) ? PairTotalsText() : "<failed>";
}

std::string OpponentTotalsOf(RecordFilter filter)
{
    std::string text;
    return QueryOpponentTotals(&filter, AppendRecordText, &text) ? text : "<failed>";
}

// The newest row as text; "<none>" when there is none and the record is untouched.
std::string LatestOf(RecordFilter filter)
{
    MatchRecord record, untouched;
    memset(&record, 0x55, sizeof record);
    untouched = record;
    if (QueryLatestRecord(&filter, &record))
        return RecordText(record);
    return memcmp(&untouched, &record, sizeof record) ? "<touched>" : "<none>";
}

// Every operation fails: nothing written, no row delivered, the published
// matrix as before, the caller's record untouched.
void ExpectEveryOperationFails()
{
    std::string before = PairTotalsText();
    MatchRecord record = {9, "a", 0, 2, "b", 0, 0};
    EXPECT_FALSE(InsertRecord(&record));
    EXPECT_FALSE(DeleteRecord(1));
    EXPECT_EQ("<failed>", PairTotalsOf(Filter(0)));
    EXPECT_EQ(before, PairTotalsText());
    EXPECT_EQ("<failed> <failed> <none>",
              HistoryText(Filter(0)) + " " + OpponentTotalsOf(Filter(0)) + " " + LatestOf(Filter(0)));
}

class RecordQueries : public testing::Test {
protected:
    TempFolder folder;
    void SetUp() override { ASSERT_TRUE(OpenStoreFile(folder.File("record.db"))); }
    void TearDown() override { CloseRecordDatabase(); }

    void Insert(std::initializer_list<MatchRecord> records)
    {
        for (const MatchRecord& record : records)
            ASSERT_TRUE(InsertRecord(&record)) << record.timestamp;
    }
    std::string Sql(const char* sql) { return QueryText(RecordConnection(), sql); }
};

}  // namespace

TEST_F(RecordQueries, InsertDeleteAndHistoryNewestFirst)
{
    Insert({{5, "player", 4, 2, "opponent", 17, 1}, {1, "", 0, 0, "", 1, 2}, {9, "me", 3, 1, "x", 2, 2}});
    // Rows added by hand carry empty names, stored as empty text.
    EXPECT_EQ("integer text integer integer text integer integer",
              Sql("SELECT typeof(timestamp)||' '||typeof(p1name)||' '||typeof(p1id)||' '||typeof(p1win)||' '||"
                  "typeof(p2name)||' '||typeof(p2id)||' '||typeof(p2win) FROM vaviradudiz123 WHERE timestamp = 1"));
    MatchRecord taken = {5, "me", 3, 0, "second", 4, 2};
    EXPECT_FALSE(InsertRecord(&taken));
    EXPECT_EQ("9 me 3 1 x 2 2; 5 player 4 2 opponent 17 1; 1  0 0  1 2", HistoryText(Filter(0)));
    EXPECT_EQ("5 player 4 2 opponent 17 1", HistoryText(Filter(FILTER_P1ID | FILTER_LIMIT, 4, 5)));
    EXPECT_EQ("9 me 3 1 x 2 2", HistoryText(Filter(FILTER_LIMIT, 0, 1)));

    EXPECT_TRUE(DeleteRecord(5));
    EXPECT_TRUE(DeleteRecord(5));  // no longer stored: still a success
    EXPECT_EQ("9 me 3 1 x 2 2; 1  0 0  1 2", HistoryText(Filter(0)));
}

TEST_F(RecordQueries, PairTotalsCountWonMatchesPerPairing)
{
    Insert({{1, "me", 3, 2, "r", 5, 1}, {2, "me", 3, 2, "r", 5, 0}, {3, "me", 3, 1, "r", 5, 2},
            {4, "me", 3, 1, "r", 5, 1}, {5, "me", 3, 0, "r", 5, 0},  // 1-1 and 0-0 count nowhere
            {6, "me", 19, 0, "r", 0, 2}, {7, "me", 0, 2, "r", 19, 0}});
    ASSERT_TRUE(ExecuteSql(RecordConnection(), "INSERT INTO vaviradudiz123 VALUES(8, 'a', 4, -2, 'b', 6, -4)"));
    for (PairResult& entry : totals)
        entry = {7, 7};  // the matrix is replaced whole
    EXPECT_EQ("0-19 1:0 3-5 2:1 19-0 0:1", PairTotalsOf(Filter(0)));  // negative counts count nowhere
    EXPECT_EQ("19-0 0:1", PairTotalsOf(Filter(FILTER_P1ID, 19)));
}

TEST_F(RecordQueries, LimitTakesTheNewestRowsAfterTheConditions)
{
    Insert({{1, "me", 2, 0, "r", 9, 2}, {2, "me", 2, 0, "r", 9, 2}, {3, "me", 2, 2, "r", 9, 0},
            {4, "me", 7, 2, "r", 9, 0}, {5, "me", 2, 2, "r", 9, 0}, {6, "me", 7, 2, "r", 9, 0}});
    const struct {
        RecordFilter filter;
        const char* totals;
    } cases[] = {
        {Filter(FILTER_P1ID | FILTER_LIMIT, 2, 2), "2-9 2:0"},
        {Filter(FILTER_P1ID | FILTER_LIMIT, 2, 3), "2-9 2:1"},
        {Filter(FILTER_LIMIT, 0, 2), "2-9 1:0 7-9 1:0"},
        {Filter(FILTER_P1ID, 2, 1), "2-9 2:2"},  // the limit without its flag plays no part
        {Filter(FILTER_P1ID | FILTER_LIMIT | FILTER_END, 2, 2, 3), "2-9 1:1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.totals, PairTotalsOf(c.filter)) << c.filter.flags << " " << c.filter.limit;
}

TEST_F(RecordQueries, CharacterIdOutsideTheTableFailsAndKeepsThePublishedMatrix)
{
    Insert({{1, "me", 0, 2, "r", 0, 0}, {2, "me", 19, 0, "r", 19, 2}});
    ASSERT_EQ("0-0 1:0 19-19 0:1", PairTotalsOf(Filter(0)));
    // Group (0, 0) changes and may come before the bad one: a working table is
    // written before the statement is aborted.
    Insert({{3, "me", 0, 2, "r", 0, 1}});
    const int32_t bad[][2] = {{20, 0}, {0, 20}, {-1, 3}, {3, -1}};
    for (const auto& ids : bad) {
        Insert({{100, "me", ids[0], 2, "r", ids[1], 0}});
        EXPECT_EQ("<failed>", PairTotalsOf(Filter(0))) << ids[0] << "," << ids[1];
        EXPECT_EQ("<failed>", PairTotalsOf(Filter(FILTER_LIMIT, 0, 30)));
        EXPECT_EQ("0-0 1:0 19-19 0:1", PairTotalsText());
        ASSERT_TRUE(DeleteRecord(100));
    }
}

TEST_F(RecordQueries, RowsOnlyAHandEditCanHoldCountNowhere)
{
    Insert({{1, "me", 0, 2, "r", 0, 0}, {2, "me", 19, 0, "r", 19, 2}, {3, "me", 0, 2, "r", 0, 1}});
    // Text that reads as id 0, and win counts no match ends with, newest of all.
    ASSERT_TRUE(ExecuteSql(RecordConnection(),
                           "INSERT INTO vaviradudiz123 VALUES(13, 'me', 0, 0, 'r', 0, 4);"
                           "INSERT INTO vaviradudiz123 VALUES(14, 'me', 'abc', 0, 'r', 0, 2);"
                           "INSERT INTO vaviradudiz123 VALUES(15, 'me', 0, 1000, 'r', 0, 0);"
                           "INSERT INTO vaviradudiz123 VALUES(16, 'me', 0, 2, 'r', 'x', -2);"
                           "INSERT INTO vaviradudiz123 VALUES(17, 'me', 0, 1.5, 'bad', 0, 0);"
                           "INSERT INTO vaviradudiz123 VALUES(18, 'me', 0, '2', 'r', 0, 0);"));  // '2' is stored as 2
    for (PairResult& entry : totals)
        entry = {7, 7};
    EXPECT_EQ("0-0 3:0 19-19 0:1", PairTotalsOf(Filter(0)));
    // The last two matches are the last two that count.
    EXPECT_EQ("0-0 2:0", PairTotalsOf(Filter(FILTER_LIMIT, 0, 2)));
    // A character the table does not know counts for no opponent either.
    Insert({{20, "me", 256, 2, "r", 0, 0}});
    EXPECT_EQ("0  0 3 r 0 1", OpponentTotalsOf(Filter(0)));
    // The history still lists every row.
    EXPECT_EQ("20 me 256 2 r 0 0; 18 me 0 2 r 0 0; 17 me 0 1 bad 0 0", HistoryText(Filter(FILTER_LIMIT, 0, 3)));
}

TEST_F(RecordQueries, OpponentTotalsGroupByName)
{
    Insert({{1, "me", 0, 2, "alice", 1, 0}, {2, "me", 5, 2, "alice", 2, 1}, {3, "me", 0, 0, "alice", 1, 2},
            {4, "me", 0, 1, "bob", 1, 2}, {5, "me", 0, 1, "", 1, 1}});
    ASSERT_TRUE(ExecuteSql(RecordConnection(), "INSERT INTO vaviradudiz123 VALUES(6, NULL, 0, 2, NULL, 0, 0)"));
    // NULL groups first and reads as empty, then the texts in byte order;
    // only the name and the two counts are set.
    EXPECT_EQ("0  0 1  0 0; 0  0 0  0 0; 0  0 2 alice 0 1; 0  0 0 bob 0 1", OpponentTotalsOf(Filter(0)));
    EXPECT_EQ("0  0 1 alice 0 0", OpponentTotalsOf(Filter(FILTER_P1ID, 5)));
}

TEST_F(RecordQueries, LatestRecordIsTheNewestMatch)
{
    Insert({{3, "me", 2, 2, "x", 8, 0}, {8, "me", 2, 0, "y", 8, 2}, {9, "me", 3, 0, "z", 8, 2}});
    EXPECT_EQ("8 me 2 0 y 8 2", LatestOf(Filter(FILTER_P1ID | FILTER_LIMIT, 2, 0)));  // the limit plays no part
    EXPECT_EQ("<none>", LatestOf(Filter(FILTER_P1ID, 4)));
}

TEST_F(RecordQueries, NamesAreCodePage932BytesBothWays)
{
    // Trail bytes 0x5C and 0x7C, half-width kana, an ideographic space, a
    // quote, the longest recorded name: none of it valid UTF-8. "\x82\xA0" and
    // "\x82\xA1" differ in one byte only. The last two look like numbers, which
    // the column's numeric affinity stores as such; their condition still finds them.
    const char* names[] = {"\x83\x5C\x95\x5C", "\xB1\xB2\xB3", "\x81\x40\x82\xA0", "\x82\xA1", "O'Brien\x83\x7C",
                           "\x93\x8C\x95\xFB\x94\xF1\x91\x7A\x93\x56\x91\xA5\x82\xCC\x83\x76\x83\x8C\x83\x43\x83"
                           "\x84\x81\x5B\x96\xBC\x82\xA9\x82\xC8!",
                           "0721", "1e3"};
    std::string history;
    for (int i = 0; i < 8; ++i) {
        MatchRecord record = {i, "me", i, 2, "", 0, 0};
        strcpy(record.p2name, names[i]);
        if (i < 6)
            strcpy(record.p1name, names[5 - i]);
        Insert({record});
        if (i < 6)
            history = RecordText(record) + (i ? "; " : "") + history;
    }
    EXPECT_EQ("835C955C/938C95FB94F1917A935691A582CC8376838C83438384815B96BC82A982C821 B1B2B3/4F27427269656E837C "
              "814082A0/82A1 82A1/814082A0 4F27427269656E837C/B1B2B3 "
              "938C95FB94F1917A935691A582CC8376838C83438384815B96BC82A982C821/835C955C",
              Sql("SELECT group_concat(hex(p2name)||'/'||hex(p1name), ' ') FROM vaviradudiz123 WHERE timestamp < 6"));
    RecordFilter filter = Filter(FILTER_END);
    filter.end = 5;
    EXPECT_EQ(history, HistoryText(filter));
    for (int i = 0; i < 8; ++i) {
        filter = Filter(FILTER_P2NAME);
        strcpy(filter.p2name, names[i]);
        EXPECT_EQ(std::to_string(i) + "-0 1:0", PairTotalsOf(filter)) << i;
        if (i < 6) {
            filter = Filter(FILTER_P1NAME);
            strcpy(filter.p1name, names[5 - i]);
            EXPECT_EQ(std::to_string(i) + "-0 1:0", PairTotalsOf(filter)) << i;
        }
    }
    // Names stored longer than the field by another program are cut to it.
    ASSERT_TRUE(ExecuteSql(RecordConnection(), "INSERT INTO vaviradudiz123 VALUES(20, "
                                               "'abcdefghijklmnopqrstuvwxyz0123456789', 0, 2, "
                                               "'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefgh', 0, 0)"));
    EXPECT_EQ("20 abcdefghijklmnopqrstuvwxyz012345 0 2 ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef 0 0",
              HistoryText(Filter(FILTER_LIMIT, 0, 1)));
}

TEST_F(RecordQueries, HostileNamesInOneFilterStayText)
{
    // A name of quotes whose condition lost its closing quote would let the
    // opponent's name run as SQL. The second own name is the longest a match
    // records, its quotes after another byte.
    const char* hostile = ";DELETE FROM vaviradudiz123--";
    for (const std::string& own : {std::string(22, '\''), "a" + std::string(30, '\'')}) {
        MatchRecord rows[] = {{1, "", 0, 2, "", 1, 0}, {2, "", 2, 2, "other", 3, 0}, {3, "me", 4, 2, "", 5, 0},
                              {4, "", 6, 1, "", 7, 2}, {5, "me", 8, 2, "x", 9, 0}};
        for (MatchRecord& row : rows) {
            if (!row.p1name[0])
                strcpy(row.p1name, own.c_str());
            if (!row.p2name[0])
                strcpy(row.p2name, hostile);
        }
        for (const MatchRecord& row : rows)
            Insert({row});
        RecordFilter filter = Filter(FILTER_P1NAME | FILTER_P2NAME);
        strcpy(filter.p1name, own.c_str());
        strcpy(filter.p2name, hostile);
        EXPECT_EQ(RecordText(rows[3]) + "; " + RecordText(rows[0]), HistoryText(filter)) << own;
        EXPECT_EQ("0-1 1:0 6-7 0:1", PairTotalsOf(filter)) << own;
        EXPECT_EQ("5", Sql("SELECT count(*) FROM vaviradudiz123")) << own;
        ASSERT_TRUE(ExecuteSql(RecordConnection(), "DELETE FROM vaviradudiz123"));
    }
}

TEST_F(RecordQueries, RowsOfAnotherShapeAbortTheStatement)
{
    // An eighth column: every row reaches the row callbacks with the wrong count.
    CloseRecordDatabase();
    std::string path = folder.File("wide.db");
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
    ASSERT_TRUE(ExecuteSql(db, "CREATE TABLE vaviradudiz123(timestamp INTEGER NOT NULL, p1name STRING, p1id "
                               "INTEGER NOT NULL, p1win INTEGER NOT NULL, p2name STRING, p2id INTEGER NOT NULL, "
                               "p2win INTEGER NOT NULL, note STRING, PRIMARY KEY (timestamp));"
                               "INSERT INTO vaviradudiz123 VALUES(1, 'a', 1, 2, 'b', 2, 0, 'n');"));
    sqlite3_close(db);
    ASSERT_TRUE(OpenStoreFile(path));
    EXPECT_EQ("<failed> <none>", HistoryText(Filter(0)) + " " + LatestOf(Filter(0)));
    EXPECT_EQ("1-2 1:0", PairTotalsOf(Filter(0)));  // the queries that name their columns still work
}

TEST_F(RecordQueries, EveryOperationFailsWithoutTheTableOrAConnection)
{
    Insert({{1, "me", 1, 2, "r", 1, 0}});
    ASSERT_EQ("1-1 1:0", PairTotalsOf(Filter(0)));
    // Another program drops the table from the record in use.
    std::string gone = folder.File("gone.db");
    ASSERT_TRUE(OpenStoreFile(gone));
    sqlite3* other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(gone.c_str(), &other));
    EXPECT_TRUE(ExecuteSql(other, "DROP TABLE vaviradudiz123"));
    sqlite3_close(other);
    ExpectEveryOperationFails();
    CloseRecordDatabase();
    ExpectEveryOperationFails();
    ASSERT_TRUE(OpenStoreFile(folder.File("record.db")));
    EXPECT_EQ("1 me 1 2 r 1 0", HistoryText(Filter(0)));  // nothing was written meanwhile
}
