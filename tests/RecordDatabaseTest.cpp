// The record file on real files in a temporary folder: which files open as a
// record, and undo and redo of its changes.
#include "store/ChangeHistory.h"
#include "store/MatchStore.h"
#include "store/RecordQueries.h"
#include "store/RecordSummaries.h"
#include "store/WaitingMatches.h"
#include "support/StoreTestSupport.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <sqlite3.h>

struct RecordDatabase : testing::Test {
    TempFolder folder;
    void TearDown() override { CloseRecordDatabase(); UndoList.Clear(); RedoList.Clear(); }
};

TEST_F(RecordDatabase, MissingAndEmptyFilesBecomeRecordsAndEveryOtherFileIsLeftAlone)
{
    std::string record = folder.File("record.db");
    ASSERT_TRUE(OpenStoreFile(folder.File("held.db")) && OpenStoreFile(record));
    ASSERT_TRUE(ExecuteSql(RecordConnection(), ("INSERT INTO vaviradudiz123 VALUES(12345,'a',0,2,'b',1,0); ATTACH '" +
                                                folder.File("other.db") + "' AS other; CREATE TABLE other.notes(text);"
                                                "INSERT INTO notes VALUES('x'); DETACH other;").c_str()));
    CreateDirectoryA(folder.File("対戦記録").c_str(), nullptr);
    CreateDirectoryA(folder.File("blocked.db-journal").c_str(), nullptr);  // SQLite cannot write beside it
    WriteFileBytes(folder.File("empty.db"), "");
    WriteFileBytes(folder.File("text.db"), "A text file saved with the wrong extension.\r\n" + std::string(5000, 'x'));
    // Another program lets no one write this record: SQLite quietly opens it read-only.
    HANDLE holder = CreateFileA(folder.File("held.db").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    // Made records, refused files (kept byte for byte, or gone when made just
    // now), and devices, which store nowhere and may hang a read.
    for (const char* name : {"+empty.db", "+対戦記録\\表ソ能.db" /* 0x5C second bytes */, "+COM10.db", "+console.db",
                             "-text.db", "-other.db", "-held.db", "-blocked.db", "=COM1", "=nul.db", "=Aux .db",
                             "=LPT9.db", "=\\\\.\\NUL", "=:memory:"}) {
        std::string path = strchr("\\:", name[1]) ? name + 1 : folder.File(name + 1);
        std::string file = name[0] == '-' ? std::to_string(FileExists(path)) + ReadFileBytes(path) : "";
        sqlite3* before = RecordConnection();
        EXPECT_EQ(name[0] == '+', OpenStoreFile(path)) << path;
        if (name[0] == '+') {  // a new record: its table and index, nothing else
            EXPECT_EQ(std::string(RECORD_TABLE_SCHEMA) + "|" + RECORD_INDEX_SCHEMA,
                      QueryText(RecordConnection(), "SELECT group_concat(sql, '|') FROM sqlite_master")) << path;
        } else {
            EXPECT_EQ(before, RecordConnection()) << path;
            EXPECT_EQ(file, name[0] == '-' ? std::to_string(FileExists(path)) + ReadFileBytes(path) : "") << path;
        }
    }
    CloseHandle(holder);
    ASSERT_TRUE(OpenStoreFile(record));
    EXPECT_EQ("12345", QueryText(RecordConnection(), "SELECT group_concat(timestamp) FROM vaviradudiz123"));
}

TEST_F(RecordDatabase, UndoAndRedoMoveOneChangeAtATimeOnlyOnceItIsStored)
{
    std::string path = folder.File("record.db");
    sqlite3* other = nullptr;  // another program, which sees what is committed
    ASSERT_TRUE(OpenStoreFile(path) && sqlite3_open(path.c_str(), &other) == SQLITE_OK);
    MatchRecord match = {0, "\x83\x5C\x95\x5C", 17, 1, "O'Brien", 3, 2};
    // +stamp: that match stored, -: the newest deleted by hand, else another program's SQL; then whether
    // it went through, the undo and redo lists, and the rows ('?': not that match).
    const char* steps[][2] = {
        {"undo", "no || "},
        {"+1", "ok 1+ || 1"},
        {"+2", "ok 1+ 2+ || 2 1"},
        {"undo", "ok 1+ |2+ | 1"},  // the newest first
        {"undo", "ok |2+ 1+ | "},
        {"redo", "ok 1+ |2+ | 1"},  // the last undone first
        {"+3", "ok 1+ 3+ || 3 1"},  // a new change empties the redo list
        {"-", "ok 1+ 3+ 3- || 1"},
        {"INSERT INTO vaviradudiz123 VALUES(3, 'x', 0, 0, 'y', 0, 0)", "ok 1+ 3+ 3- || 3? 1"},
        {"undo", "no 1+ 3+ 3- || 3? 1"},  // its time stamp is taken: rolled back
        {"DELETE FROM vaviradudiz123 WHERE timestamp = 3", "ok 1+ 3+ 3- || 1"},
        {"undo", "ok 1+ 3+ |3- | 3 1"},  // with every field
        // A reader that holds the file longer than the tool waits: the COMMIT fails.
        {"BEGIN; SELECT count(*) FROM vaviradudiz123;", "ok 1+ 3+ |3- | 3 1"},
        {"undo", "no 1+ 3+ |3- | 3 1"},
        {"COMMIT", "ok 1+ 3+ |3- | 3 1"},
        {"redo", "ok 1+ 3+ 3- || 1"},
    };
    for (const auto& step : steps) {
        std::string action = step[0], state;
        bool ok = true;
        RecordFilter all = Filter(0);
        if (action == "undo" || action == "redo") {
            ok = action == "undo" ? UndoChange() : RedoChange();
        } else if (action[0] == '+' || action == "-") {
            match.timestamp = atoi(step[0] + 1);
            ASSERT_TRUE(action[0] == '+' || QueryLatestRecord(&all, &match));
            BeginTransaction();
            ok = action[0] == '+' ? InsertRecord(&match) : DeleteRecord(match.timestamp);
            ok = EndTransaction(!ok) && ok;
            RecordChange(action[0] == '+' ? CHANGE_INSERTED : CHANGE_DELETED, &match);
        } else {
            ok = ExecuteSql(other, step[0]);
        }
        for (const GrowArray<ChangeEntry>* list : {&UndoList, &RedoList}) {
            for (uint32_t i = 0; i < list->count; ++i)
                state += std::to_string(list->data[i].record.timestamp) + (list->data[i].kind ? "- " : "+ ");
            state += "|";
        }
        EXPECT_EQ(step[1], (ok ? "ok " : "no ") + state + " " +
                               QueryText(other, "SELECT ifnull(group_concat(timestamp || (CASE WHEN hex(p1name) || p1id"
                                                " || p1win || p2name || p2id || p2win = '835C955C171O''Brien32' THEN '' ELSE"
                                                " '?' END), ' '), '') FROM (SELECT * FROM vaviradudiz123 ORDER BY 1 DESC)"))
            << action;
        EXPECT_TRUE(sqlite3_get_autocommit(RecordConnection())) << action;  // no transaction left open
    }
    sqlite3_close(other);
}

// The countable rows, and the opponent "123" (stored as a number), as SQL reads them from the file.
#define COUNTED "FROM vaviradudiz123 WHERE " COUNTABLE_RESULT_SQL
#define PAIRS_BY_SQL(condition)                                                                                    \
    "iif(EXISTS (SELECT 1 " COUNTED condition " AND NOT (p1id BETWEEN 0 AND 19 AND p2id BETWEEN 0 AND 19)), "     \
    "'<failed>', ifnull((SELECT group_concat(p, ' ') FROM (SELECT p1id || '-' || p2id || ' ' || sum(p1win / 2) || " \
    "':' || sum(p2win / 2) p " COUNTED condition " GROUP BY p1id, p2id HAVING sum(p1win / 2) + sum(p2win / 2) > 0)), "\
    "''))"
const char* const SUMS_BY_SQL =
    "SELECT " PAIRS_BY_SQL("") " || ' | ' || " PAIRS_BY_SQL(" AND p2name = '123'") " || ' | ' || "
    "ifnull((SELECT group_concat(o, ' ') FROM (SELECT p2name || ' ' || sum(p1win / 2) || ':' || sum(p2win / 2) o "
    COUNTED " AND p1id BETWEEN 0 AND 19 AND p2id BETWEEN 0 AND 19 GROUP BY p2name)), '') || ' | ' || "
    "(SELECT count(*) || ' ' || count(*) FILTER (WHERE p1win = 2) || '-' || count(*) FILTER (WHERE p1win < 2 AND "
    "p2win = 2) || ' ' || "
    "ifnull(max(timestamp), 0) " COUNTED " AND p2name = '123') || ' ' || ifnull((SELECT group_concat(r, '') FROM "
    "(SELECT iif(p1win = 2, 'W', 'L') r " COUNTED " AND p2name = '123' AND 2 IN (p1win, p2win) ORDER BY timestamp "
    "DESC LIMIT 5)), '') || ' | ' || ifnull((SELECT group_concat(c, ' ') FROM (SELECT p1id || ':' || count(*) FILTER "
    "(WHERE p1win = 2) || '-' || count(*) FILTER (WHERE p1win < 2) c " COUNTED " AND p2name = '123' AND p1id BETWEEN 0 "
    "AND 19 AND 2 IN (p1win, p2win) GROUP BY p1id ORDER BY count(*) DESC, p1id LIMIT 3)), '') || ' | ' || "
    "(SELECT ifnull(sum(p1win / 2), 0) || '-' || ifnull(sum(p2win / 2), 0) " COUNTED " AND p1id = 1) || ' ' || "
    "(SELECT ifnull(sum(p1win / 2), 0) || '-' || ifnull(sum(p2win / 2), 0) " COUNTED " AND p2id = 3 AND p1id "
    "BETWEEN 0 AND 19)";

// The pair totals of filter as PAIRS_BY_SQL shows them.
std::string PairsOfStore(RecordFilter filter)
{
    PairMatrix pairs;
    std::string text = QueryPairTotals(&filter, pairs) ? "" : "<failed>";
    for (int i = 0; i < MATRIX_SIZE && text != "<failed>"; ++i)
        if (pairs[i].wins + pairs[i].losses)
            text += (text.empty() ? "" : " ") + std::to_string(i / 20) + "-" + std::to_string(i % 20) + " " +
                    std::to_string(pairs[i].wins) + ":" + std::to_string(pairs[i].losses);
    return text;
}

// The same numbers as the store answers them from its sums.
std::string SumsOfStore()
{
    RecordFilter all = Filter(0), named = Filter(FILTER_P2NAME);
    strcpy(named.p2name, "123");
    std::string opponents;
    auto add = [](const MatchRecord* row, void* to) {
        std::string* text = static_cast<std::string*>(to);
        *text += (text->empty() ? "" : " ") + std::string(row->p2name) + " " + std::to_string(row->p1win) + ":" +
                 std::to_string(row->p2win);
    };
    OpponentSummary opponent;
    CharacterSummary character;
    WinLoss against;
    if (!QueryOpponentTotals(&all, add, &opponents) || !SummariseOpponent("123", 0, &opponent) ||
        !SummariseCharacter(1, 0, &character) || !SummariseAgainstCharacter(3, &against))
        return "<failed>";
    auto tally = [](WinLoss t) { return std::to_string(t.wins) + "-" + std::to_string(t.losses); };
    std::string characters;
    for (uint32_t i = 0; i < opponent.characterCount; ++i)
        characters += (i ? " " : "") + std::to_string(opponent.characters[i].p1id) + ":" +
                      tally(opponent.characters[i].results);
    return PairsOfStore(all) + " | " + PairsOfStore(named) + " | " + opponents + " | " +
           std::to_string(opponent.met) + " " + tally(opponent.allTime) + " " + std::to_string(opponent.lastMet) +
           " " + std::string(opponent.last, opponent.lastCount) + " | " + characters + " | " +
           tally(character.allTime) + " " + tally(against);
}

TEST_F(RecordDatabase, TheSumsInMemoryAgreeWithTheFileAfterEveryKindOfChange)
{
    std::string path = folder.File("record.db"), load = folder.File("load.db");
    sqlite3* other = nullptr;  // another program
    ASSERT_TRUE(OpenStoreFile(load) && OpenStoreFile(path) && sqlite3_open(path.c_str(), &other) == SQLITE_OK);
    ASSERT_TRUE(ExecuteSql(other, "INSERT INTO vaviradudiz123 VALUES(10,'me',1,2,'123',3,0),(20,'me',1,1,'b',3,2),"
                                  "(30,'me',1,2,'123',25,2),(40,'me',4,1,'123',3,1),(50,'me',1,2,'b',4,'2')"));
    MatchRecord match = {60, "me", 1, 0, "123", 5, 2};
    sqlite3* store = RecordConnection();
    // A change, then whether it went through; every one is followed by the comparison.
    const std::function<bool()> changes[] = {
        [&] { return true; },  // another program's rows, a stray id among them
        [&] { return StoreMatch(&match, 0) == MATCH_STORED; },
        [&] { BeginTransaction(); return EndTransaction(!DeleteRecord(10)) && DeleteRecord(999); },
        [&] { return UndoChange(); },
        [&] { return RedoChange(); },
        [&] { BeginTransaction(); match.timestamp = 70; InsertRecord(&match); return !EndTransaction(true); },
        [&] { return ExecuteSql(other, "BEGIN; SELECT count(*) FROM vaviradudiz123;") && ++match.timestamp &&
                     StoreMatch(&match, 0) == MATCH_NOT_WRITTEN && ExecuteSql(other, "COMMIT"); },
        [&] { return ExecuteSql(store, "UPDATE vaviradudiz123 SET p2win = 2 WHERE timestamp = 40"); },
        [&] { AddWaitingMatch(&match); return StoreWaitingMatches(0, nullptr) == 1; },  // stored late
        [&] { return ExecuteSql(other, "DELETE FROM vaviradudiz123 WHERE timestamp = 30"); },
        [&] { return OpenStoreFile(load) && OpenStoreFile(path); },
    };
    for (size_t i = 0; i < sizeof changes / sizeof *changes; ++i) {
        ASSERT_TRUE(changes[i]()) << i;
        EXPECT_EQ(QueryText(other, SUMS_BY_SQL), SumsOfStore()) << i;
    }
    sqlite3_close(other);
}
