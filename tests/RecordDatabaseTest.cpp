// Opening, creating and refusing record database files, on real files.
#include "store/RecordDatabase.h"
#include "support/StoreTestSupport.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

// Opens a file with SQLite directly, as another program would.
struct ForeignConnection {
    sqlite3* db = nullptr;
    explicit ForeignConnection(const std::string& path) { sqlite3_open(path.c_str(), &db); }
    ~ForeignConnection() { sqlite3_close(db); }
};

// Ends another program's read transaction 300 ms later.
DWORD WINAPI EndReadAfterAWhile(LPVOID connection)
{
    Sleep(300);
    ExecuteSql(static_cast<sqlite3*>(connection), "COMMIT");
    return 0;
}

class RecordDatabase : public testing::Test {
protected:
    TempFolder folder;
    void TearDown() override { CloseRecordDatabase(); }
    std::string Sql(const char* sql) { return QueryText(RecordConnection(), sql); }
};

}  // namespace

TEST_F(RecordDatabase, MissingFileIsCreatedWithExactlyTheSchema)
{
    std::string path = folder.File("Default.db");
    for (int round = 0; round < 2; ++round) {  // created, then existing: settings on every open
        ASSERT_TRUE(OpenStoreFile(path)) << round;
        EXPECT_EQ("1048576 2", Sql("SELECT (SELECT * FROM pragma_cache_size)||' '||(SELECT * FROM pragma_temp_store)"));
        CloseRecordDatabase();
        EXPECT_TRUE(FileExists(path));  // stays even though no match was recorded
    }
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
              ")|CREATE INDEX vaviradudiz123_index\n"
              "on vaviradudiz123 (timestamp)",
              QueryText(other.db, "SELECT group_concat(sql, '|') FROM sqlite_master"));
}

TEST_F(RecordDatabase, ExistingFilesKeepTheirContentAndSchema)
{
    std::string path = folder.File("old.db");
    {
        ForeignConnection other(path);
        ASSERT_TRUE(ExecuteSql(other.db, "CREATE TABLE vaviradudiz123(timestamp INTEGER NOT NULL, p1name STRING, "
                                         "p1id INTEGER NOT NULL, p1win INTEGER NOT NULL, p2name STRING, p2id "
                                         "INTEGER NOT NULL, p2win INTEGER NOT NULL, PRIMARY KEY (timestamp));"
                                         "INSERT INTO vaviradudiz123 VALUES(12345,'a',0,2,'b',1,0);"));
    }
    ASSERT_TRUE(OpenStoreFile(path));
    EXPECT_EQ("12345 1", Sql("SELECT timestamp||' '||(SELECT count(*) FROM sqlite_master) FROM vaviradudiz123"));

}

TEST_F(RecordDatabase, RefusedFilesLeaveThePreviousConnectionAndTheFile)
{
    ASSERT_TRUE(OpenStoreFile(folder.File("good.db")));
    sqlite3* before = RecordConnection();
    std::string bad = folder.File("notes.db");
    std::string bytes = "A text file that a player saved with the wrong extension.\r\n" + std::string(5000, 'x');
    WriteFileBytes(bad, bytes);
    ASSERT_TRUE(SetDatabasePath(bad.c_str()));
    EXPECT_FALSE(OpenRecordDatabase());
    EXPECT_EQ(before, RecordConnection());
    EXPECT_EQ("0", Sql("SELECT count(*) FROM vaviradudiz123"));
    EXPECT_EQ(bytes, ReadFileBytes(bad));

    // A path that is not valid code page text (a lead byte alone) changes nothing.
    std::string utf8Before = DatabasePathUtf8.data;
    EXPECT_FALSE(SetDatabasePath(folder.File("broken\x81").c_str()));
    EXPECT_FALSE(SetDatabasePath(""));
    EXPECT_EQ(bad + "|" + utf8Before, std::string(DatabasePath.data) + "|" + DatabasePathUtf8.data);
}

TEST_F(RecordDatabase, FailedCreationRemovesOnlyTheFileItMade)
{
    // A folder where the rollback journal must go keeps SQLite from writing.
    std::string made = folder.File("new.db");
    CreateDirectoryA((made + "-journal").c_str(), nullptr);
    EXPECT_FALSE(OpenStoreFile(made));
    EXPECT_EQ(nullptr, RecordConnection());
    EXPECT_FALSE(FileExists(made));

    // The same obstacle before an existing empty file: refused, never deleted.
    std::string existing = folder.File("existing.db");
    WriteFileBytes(existing, "");
    CreateDirectoryA((existing + "-journal").c_str(), nullptr);
    EXPECT_FALSE(OpenStoreFile(existing));
    EXPECT_TRUE(FileExists(existing));
}

TEST_F(RecordDatabase, AnEmptyFileBecomesARecord)
{
    std::string path = folder.File("empty.db");
    WriteFileBytes(path, "");
    ASSERT_TRUE(OpenStoreFile(path));
    EXPECT_EQ(std::string(RECORD_TABLE_SCHEMA) + "|" + RECORD_INDEX_SCHEMA,
              Sql("SELECT group_concat(sql, '|') FROM sqlite_master"));
}

// Every match stored in these would be lost: each is refused, the record in
// use stays, and the file keeps every byte.
TEST_F(RecordDatabase, RecordsThatCannotKeepMatchesAreRefusedUntouched)
{
    ASSERT_TRUE(OpenStoreFile(folder.File("good.db")));
    sqlite3* before = RecordConnection();
    auto refused = [&](const std::string& path) {
        std::string bytes = ReadFileBytes(path);
        bool opened = OpenStoreFile(path);
        EXPECT_EQ(before, RecordConnection()) << path;
        EXPECT_EQ(bytes, ReadFileBytes(path)) << path;
        return !opened;
    };

    std::string other = folder.File("other.db");
    {
        ForeignConnection db(other);
        ASSERT_TRUE(ExecuteSql(db.db, "CREATE TABLE notes(text); INSERT INTO notes VALUES('x');"));
    }
    EXPECT_TRUE(refused(other));

    // A file that can only be read now (a read-only medium or attribute; here
    // another program lets no one write it): SQLite quietly opens it read-only.
    std::string readOnly = folder.File("readonly.db");
    ASSERT_TRUE(OpenStoreFile(readOnly));
    ASSERT_TRUE(OpenStoreFile(folder.File("good.db")));
    before = RecordConnection();
    HANDLE holder = CreateFileA(readOnly.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_TRUE(refused(readOnly));
    CloseHandle(holder);

    // A folder that takes no new file (here: the journal's name is taken).
    CreateDirectoryA((readOnly + "-journal").c_str(), nullptr);
    EXPECT_TRUE(refused(readOnly));

    // Devices and SQLite's memory database store nowhere; COM1 would hang.
    for (const char* name : {"COM1", "nul.db", "Aux .db", "LPT9.db", "\\\\.\\NUL", ":memory:"}) {
        EXPECT_FALSE(OpenStoreFile(name[0] == '\\' || name[0] == ':' ? std::string(name) : folder.File(name))) << name;
        EXPECT_EQ(before, RecordConnection()) << name;
    }
    // Names that only start like a device are files.
    EXPECT_TRUE(OpenStoreFile(folder.File("COM10.db")));
    EXPECT_TRUE(OpenStoreFile(folder.File("console.db")));
}

TEST_F(RecordDatabase, JapanesePathReachesSqliteAsTheSameFile)
{
    std::string dir = folder.File("対戦記録");
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    std::string path = dir + "\\表ソ能.db";  // second bytes 0x5C in each character
    ASSERT_TRUE(OpenStoreFile(path));
    // SQLite made the file under the right name: look it up by its UTF-16 name.
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, folder.Path().c_str(), -1, wide, MAX_PATH);
    std::wstring expected = std::wstring(wide) + L"\\\u5bfe\u6226\u8a18\u9332\\\u8868\u30bd\u80fd.db";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(expected.c_str()));
}

TEST_F(RecordDatabase, TransactionsCommitRollBackOrWaitForAReader)
{
    BeginTransaction();  // no connection: nothing happens
    EXPECT_FALSE(EndTransaction(false));
    std::string path = folder.File("t.db");
    ASSERT_TRUE(OpenStoreFile(path));
    sqlite3* db = RecordConnection();
    BeginTransaction();
    ASSERT_TRUE(ExecuteSql(db, "INSERT INTO vaviradudiz123 VALUES(1,'a',0,2,'b',1,0)"));
    EXPECT_FALSE(EndTransaction(true));
    EXPECT_EQ("0", Sql("SELECT count(*) FROM vaviradudiz123"));
    {
        // Another program keeps its read transaction open: the commit fails,
        // is reported and rolled back, not left open to be lost at close.
        ForeignConnection reader(path);
        ASSERT_TRUE(ExecuteSql(reader.db, "BEGIN; SELECT count(*) FROM vaviradudiz123;"));
        BeginTransaction();
        ASSERT_TRUE(ExecuteSql(db, "INSERT INTO vaviradudiz123 VALUES(5,'a',0,2,'b',1,0)"));
        EXPECT_FALSE(EndTransaction(false));
        EXPECT_NE(0, sqlite3_get_autocommit(db));
    }
    EXPECT_EQ("0", Sql("SELECT count(*) FROM vaviradudiz123"));

    // A reader that lets go within the busy timeout only delays the commit.
    ForeignConnection reader(path);
    ASSERT_TRUE(ExecuteSql(reader.db, "BEGIN; SELECT count(*) FROM vaviradudiz123;"));
    HANDLE release = CreateThread(nullptr, 0, EndReadAfterAWhile, reader.db, 0, nullptr);
    BeginTransaction();
    ASSERT_TRUE(ExecuteSql(db, "INSERT INTO vaviradudiz123 VALUES(6,'a',0,2,'b',1,0)"));
    EXPECT_TRUE(EndTransaction(false));
    WaitForSingleObject(release, INFINITE);
    CloseHandle(release);
    EXPECT_EQ("1", Sql("SELECT count(*) FROM vaviradudiz123"));
    EXPECT_NE(0, sqlite3_get_autocommit(db));
}
