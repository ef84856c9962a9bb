// Opening, creating and refusing record database files, on real files.
#include "base/ProgramPaths.h"
#include "store/ChangeHistory.h"
#include "store/RecordDatabase.h"
#include "support/StoreTestSupport.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

// Opens a file with SQLite directly, as another installation would.
struct ForeignConnection {
    sqlite3* db = nullptr;
    explicit ForeignConnection(const std::string& ansiPath)
    {
        wchar_t wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, ansiPath.c_str(), -1, wide, MAX_PATH);
        sqlite3_open16(wide, &db);
    }
    ~ForeignConnection() { sqlite3_close(db); }
};

// Ends another program's read transaction 300 ms later.
DWORD WINAPI EndReadAfterAWhile(LPVOID connection)
{
    Sleep(300);
    sqlite3_exec(static_cast<sqlite3*>(connection), "COMMIT", nullptr, nullptr, nullptr);
    return 0;
}

class RecordDatabase : public testing::Test {
protected:
    TempFolder folder;
    void TearDown() override { CloseRecordDatabase(); }

    bool Open(const std::string& path) { return SetDatabasePath(path.c_str()) && OpenRecordDatabase(); }
};

}  // namespace

TEST_F(RecordDatabase, MissingFileIsCreatedWithExactlyTheSchema)
{
    std::string path = folder.File("Default.db");
    ASSERT_TRUE(Open(path));
    EXPECT_TRUE(FileExists(path));
    EXPECT_STREQ(path.c_str(), DatabasePath.data);
    CloseRecordDatabase();
    EXPECT_TRUE(FileExists(path));  // stays even though no match was recorded

    ForeignConnection other(path);
    EXPECT_EQ("CREATE TABLE vaviradudiz123(\n"
              "timestamp\tINTEGER NOT NULL,\n"
              "p1name     STRING,\n"
              "p1id       INTEGER NOT NULL,\n"
              "p1win      INTEGER NOT NULL,\n"
              "p2name     STRING,\n"
              "p2id       INTEGER NOT NULL,\n"
              "p2win      INTEGER NOT NULL,\n"
              "PRIMARY KEY (timestamp)\n"
              ")",
              QueryText(other.db, "SELECT sql FROM sqlite_master WHERE type='table' AND name='vaviradudiz123'"));
    EXPECT_EQ("CREATE INDEX vaviradudiz123_index\non vaviradudiz123 (timestamp)",
              QueryText(other.db, "SELECT sql FROM sqlite_master WHERE type='index' AND "
                                  "name='vaviradudiz123_index'"));
    EXPECT_EQ("2", QueryText(other.db, "SELECT count(*) FROM sqlite_master"));  // the key is the rowid
}

TEST_F(RecordDatabase, ConnectionSettingsAreAppliedOnEveryOpen)
{
    std::string path = folder.File("a.db");
    for (int round = 0; round < 2; ++round) {  // created, then existing
        ASSERT_TRUE(Open(path)) << round;
        EXPECT_EQ("1048576", QueryText(RecordConnection(), "PRAGMA cache_size")) << round;
        EXPECT_EQ("2", QueryText(RecordConnection(), "PRAGMA temp_store")) << round;  // MEMORY
        CloseRecordDatabase();
    }
}

TEST_F(RecordDatabase, ExistingFileKeepsItsContentAndSchema)
{
    std::string path = folder.File("old.db");
    {
        ForeignConnection other(path);
        sqlite3_exec(other.db,
                     "CREATE TABLE vaviradudiz123(timestamp INTEGER NOT NULL, p1name STRING, p1id INTEGER NOT "
                     "NULL, p1win INTEGER NOT NULL, p2name STRING, p2id INTEGER NOT NULL, p2win INTEGER NOT "
                     "NULL, PRIMARY KEY (timestamp));"
                     "INSERT INTO vaviradudiz123 VALUES(128752416000000000,'a',0,2,'b',1,0);",
                     nullptr, nullptr, nullptr);
    }
    ASSERT_TRUE(Open(path));
    EXPECT_EQ("128752416000000000", QueryText(RecordConnection(), "SELECT timestamp FROM vaviradudiz123"));
    EXPECT_EQ("0", QueryText(RecordConnection(), "SELECT count(*) FROM sqlite_master WHERE type='index' AND "
                                                 "name='vaviradudiz123_index'"));
}

TEST_F(RecordDatabase, EmptyFileIsAcceptedAndItsQueriesFail)
{
    std::string path = folder.File("empty.db");
    WriteFileBytes(path, "");
    ASSERT_TRUE(Open(path));
    EXPECT_EQ("<error>", QueryText(RecordConnection(), "SELECT count(*) FROM vaviradudiz123"));
    EXPECT_TRUE(FileExists(path));
}

TEST_F(RecordDatabase, FileThatIsNotADatabaseIsRefusedUntouched)
{
    std::string good = folder.File("good.db");
    ASSERT_TRUE(Open(good));
    sqlite3* before = RecordConnection();

    std::string bad = folder.File("notes.db");
    std::string bytes = "This is a text file that a player saved with the wrong extension.\r\n";
    bytes += std::string(5000, 'x');
    WriteFileBytes(bad, bytes);
    ASSERT_TRUE(SetDatabasePath(bad.c_str()));
    EXPECT_FALSE(OpenRecordDatabase());
    EXPECT_EQ(before, RecordConnection());
    EXPECT_EQ("0", QueryText(RecordConnection(), "SELECT count(*) FROM vaviradudiz123"));
    EXPECT_EQ(bytes, ReadFileBytes(bad));
}

TEST_F(RecordDatabase, FailedCreationRemovesOnlyTheFileItMade)
{
    // A folder where the rollback journal must go keeps SQLite from writing.
    std::string made = folder.File("new.db");
    CreateDirectoryA((made + "-journal").c_str(), nullptr);
    ASSERT_TRUE(SetDatabasePath(made.c_str()));
    EXPECT_FALSE(OpenRecordDatabase());
    EXPECT_EQ(nullptr, RecordConnection());
    EXPECT_FALSE(FileExists(made));

    // The same obstacle before an existing file: it is opened, never deleted.
    std::string existing = folder.File("existing.db");
    WriteFileBytes(existing, "");
    CreateDirectoryA((existing + "-journal").c_str(), nullptr);
    ASSERT_TRUE(SetDatabasePath(existing.c_str()));
    EXPECT_TRUE(OpenRecordDatabase());
    EXPECT_TRUE(FileExists(existing));
}

TEST_F(RecordDatabase, JapanesePathReachesSqliteAsTheSameFile)
{
    std::string dir = folder.File("対戦記録");
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    std::string path = dir + "\\表ソ能.db";  // second bytes 0x5C in each character
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(path, DatabasePath.data);
    // SQLite made the file under the right name: look it up by its UTF-16 name.
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, folder.Path().c_str(), -1, wide, MAX_PATH);
    std::wstring expected = std::wstring(wide) + L"\\\u5bfe\u6226\u8a18\u9332\\\u8868\u30bd\u80fd.db";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(expected.c_str()));
    EXPECT_STREQ("\xe8\xa1\xa8\xe3\x82\xbd\xe8\x83\xbd.db", strrchr(DatabasePathUtf8.data, '\\') + 1);
}

TEST_F(RecordDatabase, PathThatIsNotValidCodePageTextChangesNothing)
{
    std::string good = folder.File("good.db");
    ASSERT_TRUE(Open(good));
    std::string utf8Before = DatabasePathUtf8.data;

    // A lead byte with no second byte cannot be converted.
    std::string broken = folder.File("broken\x81");
    EXPECT_FALSE(SetDatabasePath(broken.c_str()));
    EXPECT_EQ(good, DatabasePath.data);
    EXPECT_EQ(utf8Before, DatabasePathUtf8.data);
    EXPECT_FALSE(SetDatabasePath(""));
    EXPECT_EQ(good, DatabasePath.data);
}

TEST_F(RecordDatabase, TransactionsCommitOrRollBack)
{
    BeginTransaction();  // no connection: nothing happens
    EXPECT_FALSE(EndTransaction(false));
    ASSERT_TRUE(Open(folder.File("t.db")));
    sqlite3* db = RecordConnection();
    BeginTransaction();
    sqlite3_exec(db, "INSERT INTO vaviradudiz123 VALUES(1,'a',0,2,'b',1,0)", nullptr, nullptr, nullptr);
    EXPECT_FALSE(EndTransaction(true));
    EXPECT_EQ("0", QueryText(db, "SELECT count(*) FROM vaviradudiz123"));
    BeginTransaction();
    sqlite3_exec(db, "INSERT INTO vaviradudiz123 VALUES(1,'a',0,2,'b',1,0)", nullptr, nullptr, nullptr);
    EXPECT_TRUE(EndTransaction(false));
    EXPECT_EQ("1", QueryText(db, "SELECT count(*) FROM vaviradudiz123"));
    EXPECT_NE(0, sqlite3_get_autocommit(db));  // no transaction left open
}

TEST_F(RecordDatabase, CommitBlockedByAnotherProgramIsReportedAndRolledBack)
{
    std::string path = folder.File("shared.db");
    ASSERT_TRUE(Open(path));
    sqlite3* db = RecordConnection();
    {
        // Another program reads the file and keeps its read transaction open.
        ForeignConnection reader(path);
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(reader.db, "BEGIN; SELECT count(*) FROM vaviradudiz123;", nullptr,
                                          nullptr, nullptr));
        BeginTransaction();
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, "INSERT INTO vaviradudiz123 VALUES(5,'a',0,2,'b',1,0)", nullptr,
                                          nullptr, nullptr));
        EXPECT_FALSE(EndTransaction(false));
        EXPECT_NE(0, sqlite3_get_autocommit(db));  // not left open to be lost at close
    }
    EXPECT_EQ("0", QueryText(db, "SELECT count(*) FROM vaviradudiz123"));

    // A reader that lets go in time only delays the change.
    ForeignConnection reader(path);
    sqlite3_exec(reader.db, "BEGIN; SELECT count(*) FROM vaviradudiz123;", nullptr, nullptr, nullptr);
    HANDLE release = CreateThread(nullptr, 0, EndReadAfterAWhile, reader.db, 0, nullptr);
    BeginTransaction();
    sqlite3_exec(db, "INSERT INTO vaviradudiz123 VALUES(6,'a',0,2,'b',1,0)", nullptr, nullptr, nullptr);
    EXPECT_TRUE(EndTransaction(false));
    WaitForSingleObject(release, INFINITE);
    CloseHandle(release);
    EXPECT_EQ("1", QueryText(db, "SELECT count(*) FROM vaviradudiz123"));
}
