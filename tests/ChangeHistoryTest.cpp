// Undo and redo of record changes on a real record file.
#include "base/ProgramPaths.h"
#include "store/ChangeHistory.h"
#include "store/ChangeHistory.h"
#include "store/RecordQueries.h"
#include "support/StoreTestSupport.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

const int64_t BASE = 128752416000000000LL;

void CollectRow(const MatchRecord* row, void* context)
{
    static_cast<std::vector<MatchRecord>*>(context)->push_back(*row);
}

class ChangeHistory : public testing::Test {
protected:
    TempFolder folder;
    void SetUp() override
    {
        RedoList.Clear();
        UndoList.Clear();
        ASSERT_TRUE(OpenStoreFile(folder.File("record.db")));
    }
    void TearDown() override
    {
        CloseRecordDatabase();
        RedoList.Clear();
        UndoList.Clear();
    }

    // A finished match: stored in its own transaction, then remembered.
    MatchRecord Record(int64_t timestamp, const char* p2name = "rival")
    {
        MatchRecord record = MakeRecord(timestamp, "me", 4, 2, p2name, 11, 1);
        BeginTransaction();
        bool ok = InsertRecord(&record);
        EndTransaction(!ok);
        EXPECT_TRUE(ok);
        RecordChange(CHANGE_INSERTED, &record);
        return record;
    }

    std::vector<MatchRecord> Rows()
    {
        std::vector<MatchRecord> rows;
        RecordFilter filter;
        memset(&filter, 0, sizeof filter);
        EXPECT_TRUE(QueryHistory(&filter, CollectRow, &rows));
        return rows;
    }

    std::vector<int64_t> Stamps(GrowArray<ChangeEntry>& list)
    {
        std::vector<int64_t> stamps;
        for (uint32_t i = 0; i < list.count; ++i)
            stamps.push_back(list.At(i).record.timestamp);
        return stamps;
    }
};

}  // namespace

TEST_F(ChangeHistory, RecordUndoRedoRestoresTheSameRow)
{
    MatchRecord record = Record(BASE + 7);
    ASSERT_EQ(1u, UndoList.count);
    EXPECT_EQ(CHANGE_INSERTED, UndoList.At(0).kind);
    EXPECT_EQ(0u, RedoList.count);

    ASSERT_TRUE(UndoChange());
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(0u, UndoList.count);
    ASSERT_EQ(1u, RedoList.count);
    EXPECT_EQ(CHANGE_INSERTED, RedoList.At(0).kind);  // entries keep their kind

    ASSERT_TRUE(RedoChange());
    std::vector<MatchRecord> rows = Rows();
    ASSERT_EQ(1u, rows.size());
    ExpectSameRecord(record, rows[0]);
    EXPECT_EQ(1u, UndoList.count);
    EXPECT_EQ(0u, RedoList.count);
    EXPECT_FALSE(RedoChange());
}

TEST_F(ChangeHistory, TwoUndoneChangesRedoTheOlderFirst)
{
    Record(BASE + 1, "older");
    Record(BASE + 2, "newer");
    ASSERT_TRUE(UndoChange());
    ASSERT_TRUE(UndoChange());
    EXPECT_FALSE(UndoChange());
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ((std::vector<int64_t>{BASE + 2, BASE + 1}), Stamps(RedoList));

    ASSERT_TRUE(RedoChange());
    std::vector<MatchRecord> rows = Rows();
    ASSERT_EQ(1u, rows.size());
    EXPECT_STREQ("older", rows[0].p2name);
    ASSERT_TRUE(RedoChange());
    EXPECT_EQ(2u, Rows().size());
    EXPECT_EQ((std::vector<int64_t>{BASE + 1, BASE + 2}), Stamps(UndoList));
}

TEST_F(ChangeHistory, NewChangeEmptiesTheRedoList)
{
    Record(BASE + 1);
    Record(BASE + 2);
    ASSERT_TRUE(UndoChange());
    ASSERT_EQ(1u, RedoList.count);
    Record(BASE + 3);
    EXPECT_EQ(0u, RedoList.count);
    EXPECT_EQ(nullptr, RedoList.data);  // the storage is freed
    EXPECT_FALSE(RedoChange());
    EXPECT_EQ((std::vector<int64_t>{BASE + 1, BASE + 3}), Stamps(UndoList));
    std::vector<MatchRecord> rows = Rows();
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ(BASE + 3, rows[0].timestamp);
    EXPECT_EQ(BASE + 1, rows[1].timestamp);
}

TEST_F(ChangeHistory, UndoingADeletionByHandInsertsEveryField)
{
    MatchRecord stored = MakeRecord(BASE + 123450000, "\x83\x5C\x95\x5C", 17, 1, "O'Brien", 3, 2);
    ASSERT_TRUE(InsertRecord(&stored));
    // As a detail window does it: read the newest match, delete it, remember it.
    RecordFilter filter;
    memset(&filter, 0, sizeof filter);
    MatchRecord deleted;
    ASSERT_TRUE(QueryLatestRecord(&filter, &deleted));
    BeginTransaction();
    ASSERT_TRUE(DeleteRecord(deleted.timestamp));
    EndTransaction(false);
    RecordChange(CHANGE_DELETED, &deleted);
    EXPECT_TRUE(Rows().empty());

    ASSERT_TRUE(UndoChange());
    std::vector<MatchRecord> rows = Rows();
    ASSERT_EQ(1u, rows.size());
    ExpectSameRecord(stored, rows[0]);
    ASSERT_EQ(1u, RedoList.count);
    EXPECT_EQ(CHANGE_DELETED, RedoList.At(0).kind);

    ASSERT_TRUE(RedoChange());  // deletes it again
    EXPECT_TRUE(Rows().empty());
}

TEST_F(ChangeHistory, AnyKindButInsertedIsADeletion)
{
    MatchRecord record = MakeRecord(BASE + 5, "a", 1, 2, "b", 2, 0);
    RecordChange(7, &record);
    ASSERT_TRUE(UndoChange());  // undoing a deletion inserts
    ASSERT_EQ(1u, Rows().size());
    ASSERT_TRUE(RedoChange());
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(7u, UndoList.At(0).kind);
}

TEST_F(ChangeHistory, UndoOfAnInsertionWhoseRowIsGoneStillMoves)
{
    Record(BASE + 1);
    ASSERT_TRUE(DeleteRecord(BASE + 1));
    EXPECT_TRUE(UndoChange());
    EXPECT_EQ(0u, UndoList.count);
    EXPECT_EQ(1u, RedoList.count);
}

TEST_F(ChangeHistory, RemovingTheLastEntryKeepsTheStorage)
{
    Record(BASE + 1);
    Record(BASE + 2);
    ChangeEntry* block = UndoList.data;
    ASSERT_TRUE(UndoChange());
    EXPECT_EQ(1u, UndoList.count);
    EXPECT_EQ(2u, UndoList.capacity);
    EXPECT_EQ(block, UndoList.data);
}

TEST_F(ChangeHistory, FailedReinsertRollsBackAndKeepsBothLists)
{
    // Undo of a hand deletion whose time stamp has been taken meanwhile.
    MatchRecord first = Record(BASE + 1, "first");
    BeginTransaction();
    ASSERT_TRUE(DeleteRecord(first.timestamp));
    EndTransaction(false);
    RecordChange(CHANGE_DELETED, &first);
    Record(BASE + 5);
    ASSERT_TRUE(UndoChange());  // BASE + 5 goes to the redo list
    MatchRecord intruder = MakeRecord(BASE + 1, "other", 0, 0, "intruder", 0, 2);
    ASSERT_TRUE(InsertRecord(&intruder));

    sqlite3* db = RecordConnection();
    {
        StatementTrace trace(db);
        EXPECT_FALSE(UndoChange());
        ASSERT_EQ(3u, trace.statements.size());
        EXPECT_EQ("BEGIN", trace.statements[0]);
        EXPECT_EQ(0u, trace.statements[1].find("insert into vaviradudiz123"));
        EXPECT_EQ("ROLLBACK", trace.statements[2]);
    }
    EXPECT_NE(0, sqlite3_get_autocommit(db));  // no transaction left open
    ASSERT_EQ(2u, UndoList.count);
    EXPECT_EQ(CHANGE_DELETED, UndoList.At(1).kind);
    EXPECT_EQ((std::vector<int64_t>{BASE + 1, BASE + 1}), Stamps(UndoList));
    EXPECT_EQ((std::vector<int64_t>{BASE + 5}), Stamps(RedoList));
    std::vector<MatchRecord> rows = Rows();
    ASSERT_EQ(1u, rows.size());
    EXPECT_STREQ("intruder", rows[0].p2name);

    // The same on redo: the undone insertion's time stamp is taken.
    MatchRecord late = MakeRecord(BASE + 5, "other", 0, 0, "late", 0, 2);
    ASSERT_TRUE(InsertRecord(&late));
    EXPECT_FALSE(RedoChange());
    EXPECT_NE(0, sqlite3_get_autocommit(db));
    EXPECT_EQ(2u, UndoList.count);
    EXPECT_EQ((std::vector<int64_t>{BASE + 5}), Stamps(RedoList));

    // Once the way is clear the entry is still there to be redone.
    ASSERT_TRUE(DeleteRecord(BASE + 5));
    EXPECT_TRUE(RedoChange());
    EXPECT_EQ(3u, UndoList.count);
}

TEST_F(ChangeHistory, EveryChangeRunsInItsOwnTransaction)
{
    Record(BASE + 1);
    Record(BASE + 2);
    sqlite3* db = RecordConnection();
    StatementTrace trace(db);
    ASSERT_TRUE(UndoChange());
    ASSERT_TRUE(UndoChange());
    ASSERT_TRUE(RedoChange());
    ASSERT_EQ(9u, trace.statements.size());
    EXPECT_EQ("BEGIN", trace.statements[0]);
    EXPECT_EQ("DELETE FROM vaviradudiz123 WHERE timestamp = 128752416000000002", trace.statements[1]);
    EXPECT_EQ("COMMIT", trace.statements[2]);
    EXPECT_EQ("BEGIN", trace.statements[3]);
    EXPECT_EQ("DELETE FROM vaviradudiz123 WHERE timestamp = 128752416000000001", trace.statements[4]);
    EXPECT_EQ("COMMIT", trace.statements[5]);
    EXPECT_EQ("BEGIN", trace.statements[6]);
    EXPECT_EQ("insert into vaviradudiz123 (timestamp, p1name, p1id, p1win, p2name, p2id, p2win) values (?, ?, ?, "
              "?, ?, ?, ?);",
              trace.statements[7]);
    EXPECT_EQ("COMMIT", trace.statements[8]);
    EXPECT_NE(0, sqlite3_get_autocommit(db));

    // Another connection sees each change as soon as the call returns.
    sqlite3* other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(folder.File("record.db").c_str(), &other));
    EXPECT_EQ("1", QueryText(other, "SELECT count(*) FROM vaviradudiz123"));
    ASSERT_TRUE(RedoChange());
    EXPECT_EQ("2", QueryText(other, "SELECT count(*) FROM vaviradudiz123"));
    sqlite3_close(other);
}

TEST_F(ChangeHistory, EmptyListsTouchNothing)
{
    StatementTrace trace(RecordConnection());
    EXPECT_FALSE(UndoChange());
    EXPECT_FALSE(RedoChange());
    EXPECT_TRUE(trace.statements.empty());
}

TEST_F(ChangeHistory, WithoutAConnectionNothingMoves)
{
    Record(BASE + 1);
    Record(BASE + 2);
    ASSERT_TRUE(UndoChange());
    CloseRecordDatabase();
    EXPECT_FALSE(UndoChange());
    EXPECT_FALSE(RedoChange());
    EXPECT_EQ(1u, UndoList.count);
    EXPECT_EQ(1u, RedoList.count);
}

TEST_F(ChangeHistory, CommitBlockedByAnotherProgramKeepsBothLists)
{
    Record(BASE + 1);
    Record(BASE + 2);
    sqlite3* reader = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(folder.File("record.db").c_str(), &reader));
    // Another program keeps a read transaction open longer than the tool waits.
    ASSERT_EQ(SQLITE_OK,
              sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM vaviradudiz123;", nullptr, nullptr, nullptr));
    EXPECT_FALSE(UndoChange());
    EXPECT_NE(0, sqlite3_get_autocommit(RecordConnection()));
    EXPECT_EQ((std::vector<int64_t>{BASE + 1, BASE + 2}), Stamps(UndoList));
    EXPECT_EQ(0u, RedoList.count);
    sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(reader);
    EXPECT_EQ(2u, Rows().size());

    // Once the file is free the same entry is undone.
    EXPECT_TRUE(UndoChange());
    EXPECT_EQ((std::vector<int64_t>{BASE + 2}), Stamps(RedoList));
    EXPECT_EQ(1u, Rows().size());
}
