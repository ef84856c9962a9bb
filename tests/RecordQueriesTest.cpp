// Insert, delete and the four reading queries on real record files.
#include "base/ProgramPaths.h"
#include "store/ChangeHistory.h"
#include "store/RecordQueries.h"
#include "support/StoreTestSupport.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

const int64_t BASE = 128752416000000000LL;  // 2009-01-01 00:00:00
const int64_t SECOND = 10000000LL;

RecordFilter NoFilter()
{
    RecordFilter filter;
    memset(&filter, 0, sizeof filter);
    return filter;
}

void CollectRow(const MatchRecord* row, void* context)
{
    static_cast<std::vector<MatchRecord>*>(context)->push_back(*row);
}

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char c : bytes) {
        text += digits[c >> 4];
        text += digits[c & 15];
    }
    return text;
}

// Fills the published matrix with a pattern no query produces.
void ScramblePairTotals()
{
    for (int i = 0; i < CHARACTER_COUNT * CHARACTER_COUNT; ++i) {
        PairTotals[i].wins = 1000 + i;
        PairTotals[i].losses = -1 - i;
    }
}

class RecordQueries : public testing::Test {
protected:
    TempFolder folder;
    void SetUp() override { ASSERT_TRUE(OpenStoreFile(folder.File("record.db"))); }
    void TearDown() override { CloseRecordDatabase(); }

    void Insert(int64_t timestamp, int32_t p1id, int32_t p1win, int32_t p2id, int32_t p2win,
                const char* p2name = "rival", const char* p1name = "me")
    {
        MatchRecord record = MakeRecord(timestamp, p1name, p1id, p1win, p2name, p2id, p2win);
        ASSERT_TRUE(InsertRecord(&record)) << timestamp;
    }

    std::vector<MatchRecord> History(const RecordFilter& filter, bool* ok = nullptr)
    {
        std::vector<MatchRecord> rows;
        bool result = QueryHistory(&filter, CollectRow, &rows);
        if (ok)
            *ok = result;
        else
            EXPECT_TRUE(result);
        return rows;
    }
};

}  // namespace

TEST_F(RecordQueries, EmptyTable)
{
    RecordFilter filter = NoFilter();
    ScramblePairTotals();
    EXPECT_TRUE(QueryPairTotals(&filter));
    for (const PairResult& entry : PairTotals) {
        EXPECT_EQ(0, entry.wins);
        EXPECT_EQ(0, entry.losses);
    }
    filter.flags = FILTER_LIMIT | FILTER_P1ID;
    filter.limit = 30;
    ScramblePairTotals();
    EXPECT_TRUE(QueryPairTotals(&filter));
    EXPECT_EQ(0, PairTotals[0].wins);

    std::vector<MatchRecord> rows;
    EXPECT_TRUE(QueryHistory(&filter, CollectRow, &rows));
    filter.flags = 0;
    EXPECT_TRUE(QueryHistory(&filter, CollectRow, &rows));
    EXPECT_TRUE(QueryOpponentTotals(&filter, CollectRow, &rows));
    EXPECT_TRUE(rows.empty());

    MatchRecord record;
    memset(&record, 0x77, sizeof record);
    MatchRecord untouched = record;
    EXPECT_FALSE(QueryLatestRecord(&filter, &record));
    EXPECT_EQ(0, memcmp(&untouched, &record, sizeof record));
}

TEST_F(RecordQueries, InsertStoresEveryFieldAndHistoryReadsItBack)
{
    MatchRecord record = MakeRecord(BASE + 12340000, "player", 4, 2, "opponent", 17, 1);
    ASSERT_TRUE(InsertRecord(&record));
    sqlite3* db = RecordConnection();
    EXPECT_EQ("128752416012340000|player|4|2|opponent|17|1",
              QueryText(db, "SELECT timestamp||'|'||p1name||'|'||p1id||'|'||p1win||'|'||p2name||'|'||p2id||'|'||"
                            "p2win FROM vaviradudiz123"));
    EXPECT_EQ("integer|text|integer|integer|text|integer|integer",
              QueryText(db, "SELECT typeof(timestamp)||'|'||typeof(p1name)||'|'||typeof(p1id)||'|'||typeof(p1win)"
                            "||'|'||typeof(p2name)||'|'||typeof(p2id)||'|'||typeof(p2win) FROM vaviradudiz123"));
    std::vector<MatchRecord> rows = History(NoFilter());
    ASSERT_EQ(1u, rows.size());
    ExpectSameRecord(record, rows[0]);

    // Rows added by hand carry empty names, stored as empty text.
    MatchRecord byHand = MakeRecord(BASE + SECOND, "", 0, 0, "", 1, 2);
    ASSERT_TRUE(InsertRecord(&byHand));
    EXPECT_EQ("text|text", QueryText(db, "SELECT typeof(p1name)||'|'||typeof(p2name) FROM vaviradudiz123 WHERE "
                                         "timestamp = 128752416010000000"));
}

TEST_F(RecordQueries, TakenTimestampIsRefused)
{
    Insert(BASE, 1, 2, 2, 0, "first");
    MatchRecord second = MakeRecord(BASE, "me", 3, 0, "second", 4, 2);
    EXPECT_FALSE(InsertRecord(&second));
    std::vector<MatchRecord> rows = History(NoFilter());
    ASSERT_EQ(1u, rows.size());
    EXPECT_STREQ("first", rows[0].p2name);
    EXPECT_EQ(1, rows[0].p1id);
}

TEST_F(RecordQueries, DeleteRemovesOnlyThatTimestamp)
{
    Insert(BASE, 0, 2, 0, 0);
    Insert(BASE + 1, 0, 2, 0, 0);
    Insert(BASE + 2, 0, 2, 0, 0);
    EXPECT_TRUE(DeleteRecord(BASE + 1));
    std::vector<MatchRecord> rows = History(NoFilter());
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ(BASE + 2, rows[0].timestamp);
    EXPECT_EQ(BASE, rows[1].timestamp);
    EXPECT_TRUE(DeleteRecord(BASE + 1));  // not stored: still a success
    EXPECT_TRUE(DeleteRecord(-1));
    EXPECT_EQ(2u, History(NoFilter()).size());
}

TEST_F(RecordQueries, PairTotalsCountWonMatchesPerPairing)
{
    Insert(BASE + 1, 3, 2, 5, 1);   // 2-1: a win
    Insert(BASE + 2, 3, 2, 5, 0);   // 2-0: a win
    Insert(BASE + 3, 3, 1, 5, 2);   // 1-2: a loss
    Insert(BASE + 4, 3, 1, 5, 1);   // 1-1: neither
    Insert(BASE + 5, 3, 0, 5, 0);   // 0-0: neither
    Insert(BASE + 6, 19, 0, 0, 2);  // corners of the matrix
    Insert(BASE + 7, 0, 2, 19, 0);
    ScramblePairTotals();
    RecordFilter filter = NoFilter();
    ASSERT_TRUE(QueryPairTotals(&filter));
    for (int p1 = 0; p1 < CHARACTER_COUNT; ++p1) {
        for (int p2 = 0; p2 < CHARACTER_COUNT; ++p2) {
            const PairResult& entry = PairTotals[p1 * CHARACTER_COUNT + p2];
            int wins = 0, losses = 0;
            if (p1 == 3 && p2 == 5)
                wins = 2, losses = 1;
            if (p1 == 19 && p2 == 0)
                losses = 1;
            if (p1 == 0 && p2 == 19)
                wins = 1;
            EXPECT_EQ(wins, entry.wins) << p1 << "," << p2;
            EXPECT_EQ(losses, entry.losses) << p1 << "," << p2;
        }
    }

    // The published matrix is replaced whole: a pairing that the next query
    // does not see goes back to zero.
    filter.flags = FILTER_P1ID;
    filter.p1id = 19;
    ASSERT_TRUE(QueryPairTotals(&filter));
    EXPECT_EQ(0, PairTotals[3 * CHARACTER_COUNT + 5].wins);
    EXPECT_EQ(0, PairTotals[0 * CHARACTER_COUNT + 19].wins);
    EXPECT_EQ(1, PairTotals[19 * CHARACTER_COUNT + 0].losses);
}

TEST_F(RecordQueries, LimitCountsTheNewestMatchingRows)
{
    // 100 matches with character 2: the 70 older are losses, the 30 newest
    // wins. Newer matches with character 7 are interleaved and must not count.
    BeginTransaction();
    for (int i = 0; i < 100; ++i) {
        Insert(BASE + i * SECOND, 2, i >= 70 ? 2 : 0, 9, i >= 70 ? 0 : 2);
        Insert(BASE + i * SECOND + 1, 7, 2, 9, 1);
    }
    EndTransaction(false);

    RecordFilter filter = NoFilter();
    filter.flags = FILTER_P1ID | FILTER_LIMIT;
    filter.p1id = 2;
    filter.limit = 30;
    ASSERT_TRUE(QueryPairTotals(&filter));
    EXPECT_EQ(30, PairTotals[2 * CHARACTER_COUNT + 9].wins);
    EXPECT_EQ(0, PairTotals[2 * CHARACTER_COUNT + 9].losses);
    EXPECT_EQ(0, PairTotals[7 * CHARACTER_COUNT + 9].wins);

    filter.limit = 50;
    ASSERT_TRUE(QueryPairTotals(&filter));
    EXPECT_EQ(30, PairTotals[2 * CHARACTER_COUNT + 9].wins);
    EXPECT_EQ(20, PairTotals[2 * CHARACTER_COUNT + 9].losses);

    // Without the character condition the newest 30 rows are 15 of each.
    filter.flags = FILTER_LIMIT;
    filter.limit = 30;
    ASSERT_TRUE(QueryPairTotals(&filter));
    EXPECT_EQ(15, PairTotals[2 * CHARACTER_COUNT + 9].wins);
    EXPECT_EQ(15, PairTotals[7 * CHARACTER_COUNT + 9].wins);

    // Without FILTER_LIMIT the limit field plays no part.
    filter.flags = FILTER_P1ID;
    filter.p1id = 2;
    filter.limit = 1;
    ASSERT_TRUE(QueryPairTotals(&filter));
    EXPECT_EQ(30, PairTotals[2 * CHARACTER_COUNT + 9].wins);
    EXPECT_EQ(70, PairTotals[2 * CHARACTER_COUNT + 9].losses);

    // The time bounds apply before the limit.
    filter.flags = FILTER_LIMIT | FILTER_END | FILTER_P1ID;
    filter.end = BASE + 69 * SECOND;
    filter.limit = 30;
    ASSERT_TRUE(QueryPairTotals(&filter));
    EXPECT_EQ(0, PairTotals[2 * CHARACTER_COUNT + 9].wins);
    EXPECT_EQ(30, PairTotals[2 * CHARACTER_COUNT + 9].losses);
}

TEST_F(RecordQueries, CharacterIdOutsideTheTableFailsAndKeepsThePublishedMatrix)
{
    Insert(BASE + 1, 0, 2, 0, 0);
    Insert(BASE + 2, 19, 0, 19, 2);
    RecordFilter filter = NoFilter();
    ASSERT_TRUE(QueryPairTotals(&filter));
    PairResult before[CHARACTER_COUNT * CHARACTER_COUNT];
    memcpy(before, PairTotals, sizeof before);

    // The group (0, 0) changes and comes before the bad one, so the working
    // table is written before the statement is aborted.
    Insert(BASE + 3, 0, 2, 0, 1);
    struct Bad {
        int32_t p1id, p2id;
    } bad[] = {{20, 0}, {0, 20}, {-1, 3}, {3, -1}, {1000, 1000}};
    for (const Bad& b : bad) {
        Insert(BASE + 100, b.p1id, 2, b.p2id, 0);
        EXPECT_FALSE(QueryPairTotals(&filter)) << b.p1id << "," << b.p2id;
        EXPECT_EQ(0, memcmp(before, PairTotals, sizeof before)) << b.p1id << "," << b.p2id;
        filter.flags = FILTER_LIMIT;
        filter.limit = 30;
        EXPECT_FALSE(QueryPairTotals(&filter));
        EXPECT_EQ(0, memcmp(before, PairTotals, sizeof before));
        // A period that leaves the row out succeeds.
        filter.flags = FILTER_END;
        filter.end = BASE + 99;
        EXPECT_TRUE(QueryPairTotals(&filter));
        EXPECT_EQ(2, PairTotals[0].wins);
        EXPECT_EQ(1, PairTotals[19 * CHARACTER_COUNT + 19].losses);
        memcpy(before, PairTotals, sizeof before);
        filter.flags = 0;
        ASSERT_TRUE(DeleteRecord(BASE + 100));
    }
}

TEST_F(RecordQueries, NegativeSumsCountAsZero)
{
    ASSERT_TRUE(ExecuteSql(RecordConnection(), "INSERT INTO vaviradudiz123 VALUES(1, 'a', 4, -2, 'b', 6, -4)"));
    RecordFilter filter = NoFilter();
    ScramblePairTotals();
    ASSERT_TRUE(QueryPairTotals(&filter));
    EXPECT_EQ(0, PairTotals[4 * CHARACTER_COUNT + 6].wins);
    EXPECT_EQ(0, PairTotals[4 * CHARACTER_COUNT + 6].losses);
}

TEST_F(RecordQueries, HistoryIsNewestFirstThroughTheFilter)
{
    Insert(BASE + 5, 1, 2, 3, 0, "a");
    Insert(BASE + 1, 1, 0, 4, 2, "b");
    Insert(BASE + 9, 2, 2, 3, 1, "a");
    Insert(BASE + 7, 1, 1, 3, 2, "a");
    std::vector<MatchRecord> rows = History(NoFilter());
    ASSERT_EQ(4u, rows.size());
    EXPECT_EQ(BASE + 9, rows[0].timestamp);
    EXPECT_EQ(BASE + 7, rows[1].timestamp);
    EXPECT_EQ(BASE + 5, rows[2].timestamp);
    EXPECT_EQ(BASE + 1, rows[3].timestamp);

    RecordFilter filter = NoFilter();
    filter.flags = FILTER_P1ID | FILTER_P2NAME | FILTER_LIMIT;
    filter.p1id = 1;
    strcpy(filter.p2name, "a");
    filter.limit = 1;
    rows = History(filter);
    ASSERT_EQ(1u, rows.size());
    ExpectSameRecord(MakeRecord(BASE + 7, "me", 1, 1, "a", 3, 2), rows[0]);
    filter.flags &= ~FILTER_LIMIT;
    EXPECT_EQ(2u, History(filter).size());
}

TEST_F(RecordQueries, OpponentTotalsGroupByName)
{
    Insert(BASE + 1, 0, 2, 1, 0, "alice");
    Insert(BASE + 2, 5, 2, 2, 1, "alice");
    Insert(BASE + 3, 0, 0, 1, 2, "alice");
    Insert(BASE + 4, 0, 1, 1, 2, "bob");
    Insert(BASE + 5, 0, 1, 1, 1, "");
    ASSERT_TRUE(ExecuteSql(RecordConnection(), "INSERT INTO vaviradudiz123 VALUES(6, NULL, 0, 2, NULL, 0, 0)"));
    RecordFilter filter = NoFilter();
    std::vector<MatchRecord> rows;
    ASSERT_TRUE(QueryOpponentTotals(&filter, CollectRow, &rows));
    ASSERT_EQ(4u, rows.size());
    // SQLite groups NULL first, then the texts in byte order.
    EXPECT_STREQ("", rows[0].p2name);  // the NULL name reads as empty
    EXPECT_EQ(1, rows[0].p1win);
    EXPECT_STREQ("", rows[1].p2name);
    EXPECT_EQ(0, rows[1].p1win);
    EXPECT_EQ(0, rows[1].p2win);
    EXPECT_STREQ("alice", rows[2].p2name);
    EXPECT_EQ(2, rows[2].p1win);
    EXPECT_EQ(1, rows[2].p2win);
    EXPECT_STREQ("bob", rows[3].p2name);
    EXPECT_EQ(0, rows[3].p1win);
    EXPECT_EQ(1, rows[3].p2win);
    EXPECT_EQ(0, rows[3].timestamp);  // only the three fields are set
    EXPECT_EQ(0, rows[3].p1id);

    filter.flags = FILTER_P1ID;
    filter.p1id = 5;
    rows.clear();
    ASSERT_TRUE(QueryOpponentTotals(&filter, CollectRow, &rows));
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(1, rows[0].p1win);
}

TEST_F(RecordQueries, LatestRecordIsTheNewestMatch)
{
    Insert(BASE + 3, 2, 2, 8, 0, "x");
    Insert(BASE + 8, 2, 0, 8, 2, "y");
    Insert(BASE + 9, 3, 0, 8, 2, "z");
    RecordFilter filter = NoFilter();
    filter.flags = FILTER_P1ID | FILTER_P2ID | FILTER_LIMIT;  // the limit plays no part
    filter.p1id = 2;
    filter.p2id = 8;
    filter.limit = 0;
    MatchRecord record;
    memset(&record, 0x55, sizeof record);
    ASSERT_TRUE(QueryLatestRecord(&filter, &record));
    ExpectSameRecord(MakeRecord(BASE + 8, "me", 2, 0, "y", 8, 2), record);

    filter.p2id = 9;
    memset(&record, 0x55, sizeof record);
    MatchRecord untouched = record;
    EXPECT_FALSE(QueryLatestRecord(&filter, &record));
    EXPECT_EQ(0, memcmp(&untouched, &record, sizeof record));
}

TEST_F(RecordQueries, NamesAreCodePage932BytesBothWays)
{
    // Double-byte characters with trail bytes 0x5C and 0x7C, half-width kana,
    // an ideographic space, a quote: none of it is valid UTF-8.
    const char* names[] = {"\x83\x5C\x95\x5C", "\xB1\xB2\xB3", "\x81\x40\x82\xA0", "\x82\xA1", "O'Brien\x83\x7C",
                           "\x93\x8C\x95\xFB\x94\xF1\x91\x7A\x93\x56\x91\xA5\x82\xCC\x83\x76\x83\x8C\x83\x43\x83"
                           "\x84\x81\x5B\x96\xBC\x82\xA9\x82\xC8!"};
    ASSERT_EQ(31u, strlen(names[5]));
    for (int i = 0; i < 6; ++i)
        Insert(BASE + i, i, 2, 0, 0, names[i], names[5 - i]);
    sqlite3* db = RecordConnection();
    for (int i = 0; i < 6; ++i) {
        std::string sql = "SELECT hex(p2name)||'|'||hex(p1name) FROM vaviradudiz123 WHERE timestamp = " +
                          std::to_string(BASE + i);
        EXPECT_EQ(Hex(names[i]) + "|" + Hex(names[5 - i]), QueryText(db, sql.c_str())) << i;
    }
    std::vector<MatchRecord> rows = History(NoFilter());
    ASSERT_EQ(6u, rows.size());
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(std::string(names[5 - i]), rows[i].p2name) << i;
        EXPECT_EQ(std::string(names[i]), rows[i].p1name) << i;
    }
    // Conditions compare bytes: "\x82\xA0" and "\x82\xA1" differ in one byte only.
    for (int i = 0; i < 6; ++i) {
        RecordFilter filter = NoFilter();
        filter.flags = FILTER_P2NAME;
        strcpy(filter.p2name, names[i]);
        rows = History(filter);
        ASSERT_EQ(1u, rows.size()) << i;
        EXPECT_EQ(BASE + i, rows[0].timestamp);
        filter.flags = FILTER_P1NAME;
        strcpy(filter.p1name, names[i]);
        rows = History(filter);
        ASSERT_EQ(1u, rows.size()) << i;
        EXPECT_EQ(BASE + 5 - i, rows[0].timestamp);
        MatchRecord latest;
        ASSERT_TRUE(QueryLatestRecord(&filter, &latest));
        EXPECT_STREQ(names[i], latest.p1name);
    }
    std::vector<MatchRecord> groups;
    RecordFilter all = NoFilter();
    ASSERT_TRUE(QueryOpponentTotals(&all, CollectRow, &groups));
    ASSERT_EQ(6u, groups.size());
    std::vector<std::string> seen;
    for (const MatchRecord& g : groups)
        seen.push_back(g.p2name);
    for (const char* name : names)
        EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), std::string(name))) << Hex(name);
}

TEST_F(RecordQueries, LongStoredNamesAreCutToTheField)
{
    ASSERT_TRUE(ExecuteSql(RecordConnection(),
                           "INSERT INTO vaviradudiz123 VALUES(1, 'abcdefghijklmnopqrstuvwxyz0123456789', 0, 2, "
                           "'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefgh', 0, 0)"));
    std::vector<MatchRecord> rows = History(NoFilter());
    ASSERT_EQ(1u, rows.size());
    EXPECT_STREQ("abcdefghijklmnopqrstuvwxyz012345", rows[0].p1name);
    EXPECT_STREQ("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef", rows[0].p2name);
}

TEST_F(RecordQueries, NamesThatLookLikeNumbersStillMatchTheirFilter)
{
    // The declared type STRING gives the name columns numeric affinity, so
    // SQLite stores such a name as a number; the condition is converted the
    // same way and still finds it.
    Insert(BASE + 1, 0, 2, 0, 0, "0721");
    Insert(BASE + 2, 0, 2, 0, 0, "1e3");
    Insert(BASE + 3, 0, 2, 0, 0, "other");
    for (const char* name : {"0721", "1e3"}) {
        RecordFilter filter = NoFilter();
        filter.flags = FILTER_P2NAME;
        strcpy(filter.p2name, name);
        EXPECT_EQ(1u, History(filter).size()) << name;
    }
}

TEST_F(RecordQueries, RowsOfAnotherShapeAbortTheStatement)
{
    // A file whose table has an eighth column: every row reaches the row
    // callbacks with the wrong number of columns.
    CloseRecordDatabase();
    std::string path = folder.File("wide.db");
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
        ASSERT_TRUE(ExecuteSql(db, "CREATE TABLE vaviradudiz123(timestamp INTEGER NOT NULL, p1name STRING, p1id "
                                   "INTEGER NOT NULL, p1win INTEGER NOT NULL, p2name STRING, p2id INTEGER NOT NULL, "
                                   "p2win INTEGER NOT NULL, note STRING, PRIMARY KEY (timestamp));"
                                   "INSERT INTO vaviradudiz123 VALUES(1, 'a', 1, 2, 'b', 2, 0, 'n');"
                                   "INSERT INTO vaviradudiz123 VALUES(2, 'a', 1, 2, 'b', 2, 0, 'n');"));
        sqlite3_close(db);
    }
    ASSERT_TRUE(OpenStoreFile(path));
    RecordFilter filter = NoFilter();
    int calls = 0;
    EXPECT_FALSE(QueryHistory(&filter, [](const MatchRecord*, void* c) { ++*static_cast<int*>(c); }, &calls));
    EXPECT_EQ(0, calls);
    MatchRecord record;
    memset(&record, 0x33, sizeof record);
    MatchRecord untouched = record;
    EXPECT_FALSE(QueryLatestRecord(&filter, &record));
    EXPECT_EQ(0, memcmp(&untouched, &record, sizeof record));
    // The queries that name their columns still work on it.
    EXPECT_TRUE(QueryPairTotals(&filter));
    EXPECT_EQ(2, PairTotals[1 * CHARACTER_COUNT + 2].wins);
}

// Every operation fails: nothing inserted or deleted, no row delivered, the
// published matrix still equal to before, the caller's record untouched.
static void ExpectEveryOperationFails(const PairResult* before)
{
    RecordFilter filter;
    memset(&filter, 0, sizeof filter);
    MatchRecord record = MakeRecord(BASE + 1, "a", 0, 2, "b", 0, 0);
    MatchRecord untouched = record;
    EXPECT_FALSE(InsertRecord(&record));
    EXPECT_FALSE(DeleteRecord(BASE));
    EXPECT_FALSE(QueryPairTotals(&filter));
    EXPECT_EQ(0, memcmp(before, PairTotals, sizeof PairTotals));
    std::vector<MatchRecord> rows;
    EXPECT_FALSE(QueryHistory(&filter, CollectRow, &rows));
    EXPECT_FALSE(QueryOpponentTotals(&filter, CollectRow, &rows));
    EXPECT_FALSE(QueryLatestRecord(&filter, &record));
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(0, memcmp(&untouched, &record, sizeof record));
}

TEST_F(RecordQueries, FileWithoutTheTableFailsEverywhere)
{
    Insert(BASE, 1, 2, 1, 0);
    RecordFilter filter = NoFilter();
    ASSERT_TRUE(QueryPairTotals(&filter));
    PairResult before[CHARACTER_COUNT * CHARACTER_COUNT];
    memcpy(before, PairTotals, sizeof before);

    std::string path = folder.File("empty.db");
    WriteFileBytes(path, "");
    ASSERT_TRUE(OpenStoreFile(path));
    ExpectEveryOperationFails(before);
}

TEST_F(RecordQueries, EveryOperationFailsWithoutAConnection)
{
    Insert(BASE, 1, 2, 1, 0);
    RecordFilter filter = NoFilter();
    ASSERT_TRUE(QueryPairTotals(&filter));
    PairResult before[CHARACTER_COUNT * CHARACTER_COUNT];
    memcpy(before, PairTotals, sizeof before);
    CloseRecordDatabase();
    ASSERT_EQ(nullptr, RecordConnection());

    ExpectEveryOperationFails(before);

    // Nothing was written while closed.
    ASSERT_TRUE(OpenStoreFile(folder.File("record.db")));
    EXPECT_EQ(1u, History(NoFilter()).size());
}
