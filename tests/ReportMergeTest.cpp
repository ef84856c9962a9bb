// The report window's record and live-file menu, through the real window,
// its dialogs and real record files: a merge into a new file, inputs that
// are refused, and the live files' switch in vty.ini.
#include "report/RecordTools.h"
#include "report/ReportWindow.h"
#include "store/RecordMerge.h"
#include "support/ReportTestSupport.h"
#include <map>

namespace {

// Every row of a record file as its RecordText, one a line by time stamp, read
// with a connection of its own; a NULL name as "<null>", apart from ''.
std::string Rows(const std::string& path)
{
    sqlite3* db = OpenRecordReadOnly(path.c_str());
    std::string rows = QueryText(db, "SELECT group_concat(line, char(10)) FROM (SELECT timestamp || ' ' || "
                                     "ifnull(p1name, '<null>') || ' ' || p1id || ' ' || p1win || ' ' || "
                                     "ifnull(p2name, '<null>') || ' ' || p2id || ' ' || p2win AS line "
                                     "FROM vaviradudiz123 ORDER BY timestamp)");
    sqlite3_close(db);
    return rows;
}

// A file's bytes and last write time, to show it unchanged.
std::string Snapshot(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return ReadFileBytes(path) + "@" + std::to_string(data.ftLastWriteTime.dwHighDateTime) + ":" +
           std::to_string(data.ftLastWriteTime.dwLowDateTime);
}

class ReportMerge : public testing::Test {
protected:
    void TearDown() override
    {
        if (window)
            DestroyWindow(window);
        PumpMessages(0);  // takes the quit message that the window's end posts
    }
    // The report window on the record at path, which it names as its record.
    void Open(const std::string& path)
    {
        window = CreateReportWindow(GetModuleHandleA(nullptr), OpenRecordReader(path.c_str()), path.c_str());
        ASSERT_NE(nullptr, window);
    }
    // Chooses the command in the report's menu, answering its dialogs.
    std::vector<DialogSeen> Command(UINT id, std::vector<DialogAction> answers)
    {
        DialogAnswerer answerer(GetCurrentThreadId(), std::move(answers));
        SendMessageA(window, WM_COMMAND, id, 0);
        return answerer.Stop();  // every dialog of the command has come and gone
    }
    // Whether the live files' item is checked once the player opens each popup of the menu bar.
    bool LiveFilesChecked()
    {
        HMENU bar = GetMenu(window);
        for (int i = 0; i < GetMenuItemCount(bar); ++i)
            SendMessageA(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(bar, i)), 0);
        return GetMenuState(bar, ID_TOOLS_LIVE_FILES, MF_BYCOMMAND) & MF_CHECKED;
    }

    TempFolder folder;
    SettingsFileScope settings{folder.File("vty.ini")};
    HWND window = nullptr;
};

// Rows in one record, in the other, the same in both (once) and one conflict:
// both of its rows kept, the second moved to the nearest tick that neither
// record uses. The new file has vty.exe's schema and every row; the save
// dialog refuses an input and any existing file; the inputs stay as they were.
TEST_F(ReportMerge, JoinsTwoRecordsIntoANewFile)
{
    const int64_t t = Day(2024, 5, 10) + 21 * 60 * MINUTE;
    std::string first = folder.File("Default.db"), second = folder.File("Laptop.db"),
                output = folder.File("Joined.db"), other = folder.File("Other.db");
    ASSERT_TRUE(MakeRecord(first, {{t, "me", 0, 2, "a'b", 1, 1},
                                   {t + MINUTE, "me", 0, 2, "bob", 1, 0},
                                   {t + 2 * MINUTE, "me", 0, 2, "bob", 1, 1},
                                   {t + 2 * MINUTE + 2, "me", 2, 0, "eve", 3, 2},
                                   {t + 3 * MINUTE, "me", 4, 1, "bob", 5, 2}}));
    std::string source = folder.File("Source.db");
    ASSERT_TRUE(MakeRecord(source, {{t + MINUTE, "me", 0, 2, "bob", 1, 0},
                                    {t + 2 * MINUTE, "me", 0, 0, "bob", 2, 2},
                                    {t + 2 * MINUTE + 1, "me", 6, 2, "sue", 7, 0},
                                    {t + 3 * MINUTE, "me", 4, 1, "bob", 5, 2}}));
    // The second input in WAL mode, its last match still in its -wal, as a
    // writer that stopped left it: its -shm is read, never rewritten.
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(source.c_str(), &db));
    ASSERT_TRUE(ExecuteSql(db, ("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; INSERT INTO vaviradudiz123 "
                                "VALUES(" + std::to_string(t + 4 * MINUTE) + ", 'me', 8, 2, NULL, 9, 1)").c_str()));
    for (const char* ending : {"", "-wal", "-shm"})
        ASSERT_TRUE(CopyFileA((source + ending).c_str(), (second + ending).c_str(), FALSE));
    sqlite3_close(db);
    ASSERT_TRUE(MakeRecord(other, {}));
    // Left by merges killed while writing: one long ago goes, one being written stays.
    WriteFileBytes(folder.File("Old.db" MERGE_PART_SUFFIX), "part");
    WriteFileBytes(folder.File("New.db" MERGE_PART_SUFFIX), "part");
    HANDLE old = CreateFileA(folder.File("Old.db" MERGE_PART_SUFFIX).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    const FILETIME longAgo = {0, 30000000};  // in 2009
    SetFileTime(old, nullptr, nullptr, &longAgo);
    CloseHandle(old);
    std::string firstBefore = Snapshot(first), secondBefore = Snapshot(second) + Snapshot(second + "-wal") +
                                                             Snapshot(second + "-shm");
    Open(first);

    // While the player reads the summary, vty.exe could store a match in the record (a
    // WAL input never keeps a writer out, and a writer would rewrite its -shm).
    std::string writable;
    auto summary = [&](HWND) {
        sqlite3* writer = nullptr;
        sqlite3_open(first.c_str(), &writer);
        writable = ExecuteSql(writer, "BEGIN EXCLUSIVE; ROLLBACK") ? "yes" : "no";
        sqlite3_close(writer);
        return IDOK;
    };
    auto seen = Command(ID_TOOLS_MERGE, {Choose(second), summary, Choose(first), Press(IDOK), Choose(other),
                                         Press(IDOK), Choose(output), Press(IDOK), Press(IDNO), Press(IDCANCEL)});
    ASSERT_EQ(9u, seen.size());  // the last asks whether to join the notes too: none lie beside the second
    EXPECT_EQ("yes", writable);
    EXPECT_EQ("2つのプロファイルを合わせると、次のようになります。\r\n1つ目: " + first + "\r\n2つ目: " + second +
                  "\r\n\r\n1つ目だけにある対戦: 2 件\r\n2つ目だけにある対戦: 2 件\r\n"
                  "両方にある同じ対戦: 2 件（1件として数えます）\r\n食い違う対戦: 1 組（同じ時刻で内容が違う対戦。"
                  "どちらも残し、2つ目の方は時刻を 0.1 マイクロ秒後ろにずらします）\r\n  2024/05/10 21:02:00.000\r\n"
                  "    1つ目: me(霊夢) 2-1 bob(魔理沙)\r\n    2つ目: me(霊夢) 0-2 bob(咲夜)\r\n\r\n合わせた記録: 8 件\r\n\r\nどちらのファイルも変更しません。"
                  "OK を押すと、保存する新しいファイルの名前を選べます。",
              seen[1].text);
    EXPECT_EQ(LoadIconA(nullptr, IDI_ASTERISK), seen[1].icon);
    EXPECT_EQ("合わせる元のプロファイルには保存できません。新しい名前を選んでください。\r\n" + first, seen[3].text);
    EXPECT_EQ("すでにあるファイルには保存しません。新しい名前を選んでください。\r\n" + other, seen[5].text);
    EXPECT_EQ(LoadIconA(nullptr, IDI_EXCLAMATION), seen[5].icon);
    EXPECT_EQ(0u, seen[7].text.find("合わせた記録（8 件、検査済み）を新しいファイルに保存しました。\r\n" + output +
                                    "\r\n食い違った対戦 1 組は両方とも入っています（2つ目の方は時刻を 0.1 マイクロ秒ずらしています）。"
                                    "\r\n\r\n使うには: vty.exe の対戦表"))
        << seen[7].text;

    auto at = [&](int64_t offset) { return std::to_string(t + offset); };
    EXPECT_EQ(at(0) + " me 0 2 a'b 1 1\n" + at(MINUTE) + " me 0 2 bob 1 0\n" + at(2 * MINUTE) + " me 0 2 bob 1 1\n" +
                  at(2 * MINUTE + 1) + " me 6 2 sue 7 0\n" + at(2 * MINUTE + 2) + " me 2 0 eve 3 2\n" +
                  at(2 * MINUTE + 3) + " me 0 0 bob 2 2\n" + at(3 * MINUTE) + " me 4 1 bob 5 2\n" + at(4 * MINUTE) +
                  " me 8 2 <null> 9 1",
              Rows(output));
    sqlite3* joined = OpenRecordReadOnly(output.c_str());
    EXPECT_EQ(std::string(RECORD_TABLE_SCHEMA) + ";" + RECORD_INDEX_SCHEMA,
              QueryText(joined, "SELECT group_concat(sql, ';') FROM (SELECT sql FROM sqlite_master ORDER BY name)"));
    EXPECT_EQ("ok", QueryText(joined, "PRAGMA integrity_check"));
    sqlite3_close(joined);
    EXPECT_TRUE(OpenStoreFile(output));  // vty.exe takes it as a record to store matches in
    CloseRecordDatabase();
    EXPECT_EQ(firstBefore, Snapshot(first));
    EXPECT_EQ(secondBefore, Snapshot(second) + Snapshot(second + "-wal") + Snapshot(second + "-shm"));
    EXPECT_EQ("Default.db Joined.db Laptop.db Laptop.db-shm Laptop.db-wal New.db.vty-part Other.db Source.db ",
              FolderNames(folder.Path()));
}

// Files that are no record are refused with a message, before anything is
// written; a record left with a hot journal is not rolled back here.
TEST_F(ReportMerge, RefusesDamagedInputsAndWritesNothing)
{
    std::string good = folder.File("Default.db");
    std::vector<MatchRecord> rows;
    for (int i = 0; i < 300; ++i)
        rows.push_back({Day(2024, 5, 1) + i * MINUTE, "me", i % 20, 2, "相手のプロファイル", 3, i % 2});
    ASSERT_TRUE(MakeRecord(good, rows));
    std::string bytes = ReadFileBytes(good);
    sqlite3* db = OpenRecordReadOnly(good.c_str());
    int indexPage = std::stoi(QueryText(db, "SELECT rootpage FROM sqlite_master WHERE type='index'"));
    sqlite3_close(db);
    WriteFileBytes(folder.File("Text.db"), "name,character\r\nme,霊夢\r\n");
    WriteFileBytes(folder.File("Cut.db"), bytes.substr(0, bytes.size() / 2));
    WriteFileBytes(folder.File("BadIndex.db"),
                   std::string(bytes).replace((indexPage - 1) * 4096 + 8, 100, std::string(100, '\xA5')));
    WriteFileBytes(folder.File("Empty.db"), "");
    ASSERT_EQ(SQLITE_OK, sqlite3_open(folder.File("Other.db").c_str(), &db));
    ASSERT_TRUE(ExecuteSql(db, "CREATE TABLE vaviradudiz123(timestamp, p1name)"));
    sqlite3_close(db);
    ASSERT_TRUE(CopyWithHotJournal(good, folder.File("Hot.db")));
    const std::string damaged = "このプロファイルは壊れているため合わせられません（SQLite のデータベースでないか、"
                                "整合性の検査で問題が見つかりました）。\r\n",
                      untouched = "\r\n\r\n新しいファイルは作っていません。どのファイルも変更していません。",
                      noRecord = "このファイルには対戦の記録がありません（空のファイルか、プロファイルではないデータベース"
                                 "です）。\r\n";
    struct {
        const char* name;
        std::string message;
        LPCSTR icon;
    } cases[] = {{"Text.db", damaged, IDI_HAND},
                 {"Cut.db", damaged, IDI_HAND},
                 {"BadIndex.db", damaged, IDI_HAND},
                 {"Empty.db", noRecord, IDI_HAND},
                 {"Other.db", noRecord, IDI_HAND},
                 {"Hot.db",
                  "プロファイルを今は読めません（ほかのプログラムが使用中か、vty.exe が記録の保存の途中で止まっています）。"
                  "\r\n",
                  IDI_EXCLAMATION}};
    Open(good);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = folder.File(c.name), names = FolderNames(folder.Path());
        std::string before = Snapshot(path) + Snapshot(path + "-journal");
        auto seen = Command(ID_TOOLS_MERGE, {Choose(path), Press(IDOK), Press(IDCANCEL), Press(IDCANCEL)});
        ASSERT_EQ(2u, seen.size());  // no summary, no save dialog
        std::string after = c.icon == IDI_HAND ? untouched
                                               : "\r\n\r\nファイルはそのままにして、しばらくしてからもう一度試してください。";
        EXPECT_EQ(c.message + path + after, seen[1].text);
        EXPECT_EQ(LoadIconA(nullptr, c.icon), seen[1].icon);
        EXPECT_EQ(before, Snapshot(path) + Snapshot(path + "-journal"));
        EXPECT_EQ(names, FolderNames(folder.Path()));
    }
    // A window that names no record asks for the first one too.
    RemovePropA(window, RECORD_PATH_PROPERTY);
    auto seen = Command(ID_TOOLS_MERGE, {Choose(folder.File("Text.db")), Choose(good), Press(IDOK), Press(IDCANCEL)});
    ASSERT_EQ(3u, seen.size());
    EXPECT_EQ(damaged + folder.File("Text.db") + untouched, seen[2].text);
}

// The time stamps of the rows on a page of a record file's table, read from its
// bytes: a table leaf (type 13) lists its cells, each a payload size and a key.
std::vector<int64_t> KeysOnPage(const std::string& bytes, int page)
{
    auto byte = [&](size_t at) { return static_cast<unsigned char>(bytes[at]); };
    auto varint = [&](size_t& at) {
        int64_t value = 0;
        for (int i = 0; i < 9; ++i) {
            unsigned char b = byte(at++);
            value = i == 8 ? value << 8 | b : value << 7 | (b & 0x7F);
            if (i < 8 && b < 0x80)
                break;
        }
        return value;
    };
    size_t start = static_cast<size_t>(page - 1) * 4096, header = start + (page == 1 ? 100 : 0);
    std::vector<int64_t> keys;
    for (int cell = 0; byte(header) == 13 && cell < (byte(header + 3) << 8 | byte(header + 4)); ++cell) {
        size_t at = start + (byte(header + 8 + 2 * cell) << 8 | byte(header + 9 + 2 * cell));
        varint(at);
        keys.push_back(varint(at));
    }
    return keys;
}

// A record with pages overwritten (a few of its table's leaves, an index page;
// or its table's top page, which leaves every leaf without its parent) and a
// backup of some days before: the new file holds each row of the pages left
// whole, exactly, and every row of the backup, a row that differs both; the
// summary tells what came from where. The damaged file and the backup stay
// as they were, and the copy of a later day that is no record is passed over.
TEST_F(ReportMerge, RepairsADamagedRecordWithItsBackup)
{
    std::string record = folder.File("Default.db"), damaged = folder.File("Damaged.db"),
                backup = folder.File("backup\\Damaged_2024-05-09.db"), output = folder.File("Damaged_修復.db");
    const int64_t t = Day(2024, 5, 1);
    std::vector<MatchRecord> rows, backupRows;
    for (int i = 0; i < 3000; ++i) {
        MatchRecord row = {t + i * MINUTE, "me", i % 20, 2 - i % 3 / 2, "", (i * 7) % 20, i % 2 * 2};
        lstrcpyA(row.p2name, std::string("相手", 0, 4 + i % 3 * 2).append(std::to_string(i % 50)).c_str());
        if (i != 2900)
            rows.push_back(row);
        // Days ago: the older half; a match since removed, and one the record now holds otherwise.
        if (i < 1500 || i == 2900)
            backupRows.push_back(row);
    }
    backupRows[10].p2win = 1;
    ASSERT_TRUE(MakeRecord(record, rows));
    CreateDirectoryA(folder.File("backup").c_str(), nullptr);
    ASSERT_TRUE(MakeRecord(backup, backupRows));
    WriteFileBytes(folder.File("backup\\Damaged_2024-05-10.db"), "not a record");
    std::string bytes = ReadFileBytes(record);
    sqlite3* db = OpenRecordReadOnly(record.c_str());
    int root = std::stoi(QueryText(db, "SELECT rootpage FROM sqlite_master WHERE type='table'")),
        index = std::stoi(QueryText(db, "SELECT rootpage FROM sqlite_master WHERE type='index'"));
    sqlite3_close(db);
    std::vector<int> leaves;
    for (int page = 2; page <= static_cast<int>(bytes.size() / 4096); ++page)
        if (page != root && !KeysOnPage(bytes, page).empty())
            leaves.push_back(page);
    ASSERT_GT(leaves.size(), 20u);
    std::vector<int> cases[] = {{leaves[1], leaves[7], leaves[leaves.size() - 1], index}, {root, leaves[3]}};
    Open(record);
    for (const std::vector<int>& pages : cases) {  // the pages overwritten
        std::string broken = bytes;
        std::map<int64_t, MatchRecord> expected;
        for (const MatchRecord& row : rows)
            expected[row.timestamp] = row;
        for (int page : pages) {
            for (int64_t key : KeysOnPage(bytes, page))
                expected.erase(key);
            broken.replace(static_cast<size_t>(page - 1) * 4096, 4096, std::string(4096, '\xA5'));
        }
        int recovered = static_cast<int>(expected.size()), onlyInBackup = 0, both = 0;
        for (MatchRecord row : backupRows) {
            bool in = expected.count(row.timestamp);
            bool same = in && RecordText(expected[row.timestamp]) == RecordText(row);
            onlyInBackup += !in;
            both += same;
            row.timestamp += in && !same;  // a conflict: the backup's row a tick later
            expected.insert({row.timestamp, row});
        }
        WriteFileBytes(damaged, broken);
        std::string damagedBefore = Snapshot(damaged), backupBefore = Snapshot(backup);
        DeleteFileA(output.c_str());

        auto seen = Command(ID_TOOLS_REPAIR, {Choose(damaged), Press(IDOK), Choose(output), Press(IDOK)});
        ASSERT_EQ(4u, seen.size());
        char counts[300];
        wsprintfA(counts,
                  "\r\n\r\n壊れたファイルから読み出せた対戦: %d 件\r\n  そのうちバックアップにない対戦: %d 件\r\n"
                  "バックアップだけにある対戦: %d 件\r\n両方にある同じ対戦: %d 件（1件として数えます）\r\n食い違う対戦: 1 組",
                  recovered, recovered - both - 1, onlyInBackup, both);
        EXPECT_EQ("壊れたプロファイルを修復すると、次のようになります。\r\n壊れたファイル: " + damaged +
                      "\r\nバックアップ: " + backup + counts,
                  seen[1].text.substr(0, seen[1].text.find("（同じ時刻")));
        EXPECT_EQ(0u, seen[3].text.find("修復した記録（" + std::to_string(expected.size()) +
                                        " 件、検査済み）を新しいファイルに保存しました。\r\n" + output))
            << seen[3].text;
        std::string lines;
        for (const auto& row : expected)
            lines += (lines.empty() ? "" : "\n") + RecordText(row.second);
        EXPECT_EQ(lines, Rows(output));  // written as a merge's, whose schema and check JoinsTwoRecords pins
        EXPECT_EQ(damagedBefore, Snapshot(damaged));
        EXPECT_EQ(backupBefore, Snapshot(backup));
        EXPECT_EQ("Damaged.db Damaged_修復.db Default.db backup ", FolderNames(folder.Path()));
    }
}

// After the records, the notes beside the second record join this PC's (beside the
// program): a name only there is added, the same text kept once, differing texts both
// kept, this PC's first; one too long to join is not written and is named. Joined again,
// nothing more is added. The other file is never written; a held notes file, a damaged
// one (chosen when none lies beside the record) and a refusal change nothing.
TEST_F(ReportMerge, JoinsTheNotesOfTheOtherPC)
{
    PathScope program{folder.Path(), ModuleDirectory};
    CreateDirectoryA(folder.File("pc2").c_str(), nullptr);
    std::string first = folder.File("Default.db"), second = folder.File("pc2\\Laptop.db"),
                own = folder.File("vty_notes.db"), other = folder.File("pc2\\vty_notes.db");
    ASSERT_TRUE(MakeRecord(first, {{Day(2024, 5, 10), "me", 0, 2, "bob", 1, 1}}) && MakeRecord(second, {}));
    const std::string odd = "q'\"%s%d\x81", longName = "長い'%n\xFF", sep = "\r\n――――\r\n";
    const std::string e(500, 'e'), f(511, 'f'), a(600, 'a');  // e, the separator and f: 1023 bytes, the most that fit
    // "back" came from here to the other PC once: only its new piece joins.
    ASSERT_TRUE(MakeNotes(own, {{"same", "x", 5}, {"both", "mine", 5}, {"edge", e, 7}, {longName, a, 5}, {"back", "m", 5}}));
    ASSERT_TRUE(MakeNotes(other, {{"same", "x", 3}, {"both", "theirs\x81", 9}, {"edge", f, 6}, {odd, "new %s", 4},
                                  {longName, std::string(600, 'b'), 6}, {"back", "t" + sep + "m", 8}}));
    std::string otherBefore = Snapshot(other);
    Open(first);
    auto merge = [&](std::string output, std::vector<DialogAction> notes) {
        std::vector<DialogAction> answers = {Choose(second), Press(IDOK), Choose(folder.File(output)), Press(IDOK)};
        answers.insert(answers.end(), notes.begin(), notes.end());
        return Command(ID_TOOLS_MERGE, answers);
    };
    std::string counts = "\r\n\r\n追加したメモ: 1 件\r\n同じ内容で1つにしたメモ: 1 件\r\n両方の内容をつないだメモ: 3 件\r\n";
    for (const char* output : {"J1.db", "J2.db"}) {
        auto seen = merge(output, {Press(IDYES), Press(IDOK)});
        ASSERT_EQ(6u, seen.size());
        EXPECT_EQ("2つ目のプロファイルと同じフォルダーに相手メモがあります。\r\n" + other +
                      "\r\n\r\nこの相手メモを、このPCの相手メモに合わせますか？\r\nこのPCの相手メモ: " + own +
                      "\r\n\r\n同じ相手のメモの内容が違うときは、このPCのメモのあとに線をはさんで両方を残します。"
                      "合わせる相手メモのファイルは変更しません。",
                  seen[4].text);
        EXPECT_EQ("相手メモを合わせました。\r\nこのPCの相手メモ: " + own + "\r\n合わせた相手メモ: " + other + counts +
                      "つなぐと長すぎるため合わせなかったメモ: 1 件（このPCのメモはそのままです）\r\n  長い'%n?\r\n\r\n"
                      "合わせた相手メモのファイルは変更していません。",
                  seen[5].text);
        EXPECT_EQ("back=m" + sep + "t@8blobblob\nboth=mine" + sep + "theirs\x81@9blobblob\nedge=" + e + sep + f + "@7blobblob\n" + odd +
                      "=new %s@4blobblob\nsame=x@5blobblob\n" + longName + "=" + a + "@5blobblob",
                  Notes(own));
        counts = "\r\n\r\n追加したメモ: 0 件\r\n同じ内容で1つにしたメモ: 5 件\r\n両方の内容をつないだメモ: 0 件\r\n";
    }
    EXPECT_EQ(otherBefore, Snapshot(other));
    // Held by vty.exe's write: nothing changes, and the player is told so.
    std::string ownBefore = Snapshot(own);
    sqlite3* holder = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(own.c_str(), &holder));
    ASSERT_TRUE(ExecuteSql(holder, "BEGIN EXCLUSIVE"));
    auto seen = merge("J3.db", {Press(IDYES), Press(IDOK)});
    sqlite3_close(holder);
    ASSERT_EQ(6u, seen.size());
    EXPECT_EQ("このPCの相手メモを今は変更できません（vty.exe かほかのプログラムが使用中です）。\r\n" + own +
                  "\r\n\r\n相手メモはどちらも変更していません。しばらくしてから、もう一度プロファイルを合わせると"
                  "相手メモも合わせられます。",
              seen[5].text);
    EXPECT_EQ(LoadIconA(nullptr, IDI_EXCLAMATION), seen[5].icon);
    // None beside the record: the player chooses one, here a damaged file; or says no.
    std::string bytes = ReadFileBytes(other);
    ASSERT_TRUE(DeleteFileA(other.c_str()));
    WriteFileBytes(folder.File("bad.db"), bytes.replace(4096, 4096, std::string(4096, '\xA5')));
    seen = merge("J4.db", {Press(IDYES), Choose(folder.File("bad.db")), Press(IDOK)});
    ASSERT_EQ(7u, seen.size());
    EXPECT_EQ(0u, seen[4].text.find("相手メモ（vty_notes.db）も合わせますか？「はい」を押すと")) << seen[4].text;
    EXPECT_EQ("このファイルは相手メモとして読めません（壊れているか、相手メモのファイルではありません）。\r\n" +
                  folder.File("bad.db") + "\r\n\r\n相手メモはどちらも変更していません。",
              seen[6].text);
    EXPECT_EQ(LoadIconA(nullptr, IDI_HAND), seen[6].icon);
    EXPECT_EQ(5u, merge("J5.db", {Press(IDNO), Press(IDCANCEL)}).size());
    EXPECT_EQ(ownBefore, Snapshot(own));
}

// The check item writes the switch into vty.ini and shows what the file
// says each time the popup opens; the folder is shown beside it.
TEST_F(ReportMerge, LiveFilesSwitch)
{
    std::string record = folder.File("Default.db");
    ASSERT_TRUE(MakeRecord(record, {}));
    Open(record);
    std::string ini = folder.File("vty.ini");
    WritePrivateProfileStringA("LiveFiles", "Folder", "D:\\配信&録画", ini.c_str());
    for (int expected : {1, 0, 1}) {
        EXPECT_EQ(expected == 0, LiveFilesChecked());
        SendMessageA(window, WM_COMMAND, ID_TOOLS_LIVE_FILES, 0);
        EXPECT_EQ(expected, static_cast<int>(GetPrivateProfileIntA("LiveFiles", "Enabled", -1, ini.c_str())));
    }
    // Switched off by hand in the file: the mark follows the file.
    WritePrivateProfileStringA("LiveFiles", "Enabled", "0", ini.c_str());
    EXPECT_FALSE(LiveFilesChecked());
    char text[300] = "";
    GetMenuStringA(GetMenu(window), ID_TOOLS_LIVE_FOLDER_OPEN, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ("配信用フォルダーを開く: D:\\配信&&録画", text);
}

}  // namespace
