// Undo and redo of record changes on a real record file.
#include "store/ChangeHistory.h"
#include "store/RecordQueries.h"
#include "support/StoreTestSupport.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <string>

namespace {

std::string ListText(const GrowArray<ChangeEntry>& list)
{
    std::string text;
    for (uint32_t i = 0; i < list.count; ++i)
        text += " " + std::to_string(list.data[i].record.timestamp) + "/" + std::to_string(list.data[i].kind);
    return text;
}

class ChangeHistory : public testing::Test {
protected:
    TempFolder folder;
    void SetUp() override { ASSERT_TRUE(OpenStoreFile(folder.File("record.db"))); }
    void TearDown() override
    {
        CloseRecordDatabase();
        RedoList.Clear();
        UndoList.Clear();
    }

    // Both lists as "undo: stamp/kind... | redo: ..."; their order is oldest first.
    std::string Lists() { return "undo:" + ListText(UndoList) + " | redo:" + ListText(RedoList); }
    std::string Rows() { return HistoryText(Filter(0)); }

    // A finished match: stored in its own transaction, then remembered.
    void Record(int64_t timestamp, const char* p2name = "rival")
    {
        MatchRecord record = {timestamp, "me", 4, 2, "", 11, 1};
        strcpy(record.p2name, p2name);
        BeginTransaction();
        bool ok = InsertRecord(&record);
        EXPECT_TRUE(EndTransaction(!ok) && ok);
        RecordChange(CHANGE_INSERTED, &record);
    }
    // Deleted by hand as a detail window does: read the newest match, delete it, remember it.
    void DeleteNewest(uint32_t kind)
    {
        RecordFilter filter = Filter(0);
        MatchRecord deleted;
        ASSERT_TRUE(QueryLatestRecord(&filter, &deleted));
        BeginTransaction();
        ASSERT_TRUE(DeleteRecord(deleted.timestamp));
        ASSERT_TRUE(EndTransaction(false));
        RecordChange(kind, &deleted);
    }
};

}  // namespace

TEST_F(ChangeHistory, UndoAndRedoMoveEntriesBetweenTheLists)
{
    EXPECT_FALSE(UndoChange());
    EXPECT_FALSE(RedoChange());
    Record(1, "older");
    Record(2, "newer");
    EXPECT_EQ("undo: 1/0 2/0 | redo:", Lists());
    sqlite3* other = nullptr;  // sees each change as soon as the call returns
    ASSERT_EQ(SQLITE_OK, sqlite3_open(folder.File("record.db").c_str(), &other));
    ASSERT_TRUE(UndoChange());
    EXPECT_EQ("1", QueryText(other, "SELECT count(*) FROM vaviradudiz123"));
    ASSERT_TRUE(UndoChange());
    EXPECT_FALSE(UndoChange());
    EXPECT_EQ("undo: | redo: 2/0 1/0", Lists());
    EXPECT_EQ("", Rows());

    ASSERT_TRUE(RedoChange());  // the older first
    EXPECT_EQ("1", QueryText(other, "SELECT count(*) FROM vaviradudiz123"));
    sqlite3_close(other);
    EXPECT_EQ("1 me 4 2 older 11 1", Rows());
    EXPECT_EQ("undo: 1/0 | redo: 2/0", Lists());

    Record(3);  // a new change empties the redo list
    EXPECT_EQ("undo: 1/0 3/0 | redo:", Lists());
    EXPECT_FALSE(RedoChange());
    EXPECT_EQ("3 me 4 2 rival 11 1; 1 me 4 2 older 11 1", Rows());
}

TEST_F(ChangeHistory, UndoingADeletionInsertsEveryField)
{
    // Any kind but CHANGE_INSERTED is a deletion.
    for (uint32_t kind : {CHANGE_DELETED, 7u}) {
        MatchRecord stored = {123450000, "\x83\x5C\x95\x5C", 17, 1, "O'Brien", 3, 2};
        ASSERT_TRUE(InsertRecord(&stored));
        DeleteNewest(kind);
        EXPECT_EQ("", Rows());
        ASSERT_TRUE(UndoChange());
        EXPECT_EQ(RecordText(stored), Rows());
        EXPECT_EQ("undo: | redo: 123450000/" + std::to_string(kind), Lists());
        ASSERT_TRUE(RedoChange());  // deletes it again
        EXPECT_EQ("", Rows());
        UndoList.Clear();
    }
}

TEST_F(ChangeHistory, UndoOfAnInsertionWhoseRowIsGoneStillMoves)
{
    Record(1);
    ASSERT_TRUE(DeleteRecord(1));
    EXPECT_TRUE(UndoChange());
    EXPECT_EQ("undo: | redo: 1/0", Lists());
}

TEST_F(ChangeHistory, FailedReinsertRollsBackAndKeepsBothLists)
{
    // Undo of a hand deletion whose time stamp has been taken meanwhile.
    Record(1, "first");
    DeleteNewest(CHANGE_DELETED);
    Record(5);
    ASSERT_TRUE(UndoChange());
    MatchRecord intruder = {1, "other", 0, 0, "intruder", 0, 2};
    ASSERT_TRUE(InsertRecord(&intruder));
    EXPECT_FALSE(UndoChange());
    sqlite3* db = RecordConnection();
    EXPECT_NE(0, sqlite3_get_autocommit(db));  // no transaction left open
    EXPECT_EQ("undo: 1/0 1/1 | redo: 5/0", Lists());
    EXPECT_EQ(RecordText(intruder), Rows());

    // The same on redo: the undone insertion's time stamp is taken.
    MatchRecord late = {5, "other", 0, 0, "late", 0, 2};
    ASSERT_TRUE(InsertRecord(&late));
    EXPECT_FALSE(RedoChange());
    EXPECT_NE(0, sqlite3_get_autocommit(db));
    EXPECT_EQ("undo: 1/0 1/1 | redo: 5/0", Lists());
    ASSERT_TRUE(DeleteRecord(5));
    EXPECT_TRUE(RedoChange());  // once the way is clear
    EXPECT_EQ("undo: 1/0 1/1 5/0 | redo:", Lists());
}

TEST_F(ChangeHistory, CommitBlockedByAnotherProgramKeepsBothListsAndTheFile)
{
    Record(1);
    Record(2);
    sqlite3* reader = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(folder.File("record.db").c_str(), &reader));
    // Another program keeps a read transaction open longer than the tool waits.
    ASSERT_TRUE(ExecuteSql(reader, "BEGIN; SELECT count(*) FROM vaviradudiz123;"));
    EXPECT_FALSE(UndoChange());
    EXPECT_EQ("undo: 1/0 2/0 | redo:", Lists());
    ExecuteSql(reader, "COMMIT");
    sqlite3_close(reader);
    EXPECT_EQ("2 me 4 2 rival 11 1; 1 me 4 2 rival 11 1", Rows());
    EXPECT_TRUE(UndoChange());  // once the file is free
    EXPECT_EQ("undo: 1/0 | redo: 2/0", Lists());
}

TEST_F(ChangeHistory, WithoutAConnectionNothingMoves)
{
    Record(1);
    Record(2);
    ASSERT_TRUE(UndoChange());
    CloseRecordDatabase();
    EXPECT_FALSE(UndoChange());
    EXPECT_FALSE(RedoChange());
    EXPECT_EQ("undo: 1/0 | redo: 2/0", Lists());
}
