#include "store/RecordTotals.h"
#include "store/StoreState.h"
#include <sqlite3.h>
#include <stdlib.h>

static const char* const ALL_TOTALS_ROWS =
    "SELECT " TOTALS_COLUMNS " FROM " RECORD_TABLE " WHERE " COUNTABLE_RESULT_SQL;
static const char* const ONE_TOTALS_ROW =
    "SELECT " TOTALS_COLUMNS " FROM " RECORD_TABLE " WHERE timestamp = ?1 AND " COUNTABLE_RESULT_SQL;

// A name as a key: storage class and bytes; numbers as their 8 bytes.
struct NameKey {
    int32_t type;
    const char* bytes;
    uint32_t length;
    char number[8];
};

static void KeyOfValue(sqlite3_value* value, NameKey* key)
{
    key->type = sqlite3_value_type(value);
    key->bytes = key->number;
    key->length = 0;
    if (key->type == SQLITE_INTEGER || key->type == SQLITE_FLOAT) {
        double real = sqlite3_value_double(value);
        int64_t whole = sqlite3_value_int64(value);
        // The column stores a number without fraction as an integer; a
        // looked-up "1e3" must find the 1000 stored.
        if (key->type == SQLITE_FLOAT && (real < -9.2e18 || real > 9.2e18 || real != static_cast<double>(whole))) {
            memcpy(key->number, &real, sizeof real);
        } else {
            key->type = SQLITE_INTEGER;
            memcpy(key->number, &whole, sizeof whole);
        }
        key->length = 8;
    } else if (key->type == SQLITE_TEXT || key->type == SQLITE_BLOB) {
        key->bytes = static_cast<const char*>(key->type == SQLITE_TEXT
                                                  ? static_cast<const void*>(sqlite3_value_text(value))
                                                  : sqlite3_value_blob(value));
        key->length = static_cast<uint32_t>(sqlite3_value_bytes(value));
        if (!key->bytes) {
            key->bytes = key->number;
            key->length = 0;
        }
    }
}

static uint32_t HashKey(const NameKey* key)
{
    uint32_t hash = 2166136261u ^ static_cast<uint32_t>(key->type);
    for (uint32_t i = 0; i < key->length; ++i)
        hash = (hash ^ static_cast<unsigned char>(key->bytes[i])) * 16777619u;
    return hash;
}

static void KeyOfOpponent(RecordTotals* totals, uint32_t index, NameKey* key)
{
    const TotalsOpponent* opponent = &totals->opponents.At(index);
    key->type = opponent->type;
    key->bytes = opponent->keyLength ? &totals->names.At(opponent->name) : key->number;
    key->length = opponent->keyLength;
}

static void PlaceInSlots(RecordTotals* totals, uint32_t index)
{
    NameKey key;
    KeyOfOpponent(totals, index, &key);
    uint32_t mask = totals->slots.count - 1;
    uint32_t slot = HashKey(&key) & mask;
    while (totals->slots.At(slot))
        slot = (slot + 1) & mask;
    totals->slots.At(slot) = index + 1;
}

static bool FindKey(RecordTotals* totals, const NameKey* key, uint32_t* index)
{
    if (!totals->slots.count)
        return false;
    uint32_t mask = totals->slots.count - 1;
    for (uint32_t slot = HashKey(key) & mask; totals->slots.At(slot); slot = (slot + 1) & mask) {
        uint32_t found = totals->slots.At(slot) - 1;
        NameKey other;
        KeyOfOpponent(totals, found, &other);
        if (other.type == key->type && other.length == key->length &&
            memcmp(other.bytes, key->bytes, key->length) == 0) {
            *index = found;
            return true;
        }
    }
    return false;
}

// Adds the opponent of column 1 of statement with no rows yet.
static uint32_t AddOpponent(RecordTotals* totals, const NameKey* key, sqlite3_stmt* statement)
{
    TotalsOpponent opponent;
    memset(&opponent, 0, sizeof opponent);
    opponent.name = totals->names.count;
    opponent.keyLength = key->length;
    opponent.type = key->type;
    for (uint32_t i = 0; i < key->length; ++i)
        totals->names.Append(key->bytes[i]);
    // Only now: the text of a blob may move the bytes that the key points at.
    const char* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 1));
    opponent.textLength = text ? static_cast<uint32_t>(strnlen(text, PROFILE_NAME_SIZE - 1)) : 0;
    for (uint32_t i = 0; i < opponent.textLength; ++i)
        totals->names.Append(text[i]);
    totals->opponents.Append(opponent);
    // Half full at most, so that a look-up finds a free slot soon.
    if (totals->opponents.count * 2 > totals->slots.count) {
        uint32_t size = totals->slots.count ? totals->slots.count * 2 : 256;
        totals->slots.count = 0;
        totals->slots.Reserve(size);
        for (uint32_t i = 0; i < size; ++i)
            totals->slots.Append(0);
        for (uint32_t i = 0; i < totals->opponents.count; ++i)
            PlaceInSlots(totals, i);
    } else {
        PlaceInSlots(totals, totals->opponents.count - 1);
    }
    return totals->opponents.count - 1;
}

static int8_t CharacterId(sqlite3_int64 id)
{
    return id >= 0 && id < CHARACTER_COUNT ? static_cast<int8_t>(id) : NO_CHARACTER;
}

// A row of TOTALS_COLUMNS, its opponent found or added.
static void ReadRow(RecordTotals* totals, sqlite3_stmt* statement, TotalsRow* row)
{
    row->timestamp = sqlite3_column_int64(statement, 0);
    NameKey key;
    KeyOfValue(sqlite3_column_value(statement, 1), &key);
    if (!FindKey(totals, &key, &row->opponent))
        row->opponent = AddOpponent(totals, &key, statement);
    row->p1id = CharacterId(sqlite3_column_int64(statement, 2));
    row->p2id = CharacterId(sqlite3_column_int64(statement, 3));
    row->won = static_cast<int8_t>(sqlite3_column_int(statement, 4));
    row->lost = static_cast<int8_t>(sqlite3_column_int(statement, 5));
}

// Adds (sign 1) or takes away (-1) a row's numbers, not the row itself.
static void CountRow(RecordTotals* totals, const TotalsRow* row, int32_t sign)
{
    TotalsOpponent* opponent = &totals->opponents.At(row->opponent);
    opponent->rows += sign;
    if (row->won)
        opponent->results.wins += sign;
    else if (row->lost)
        opponent->results.losses += sign;
    if (row->p1id != NO_CHARACTER) {
        totals->characters[row->p1id].wins += sign * row->won;
        totals->characters[row->p1id].losses += sign * row->lost;
    }
    if (row->p1id == NO_CHARACTER || row->p2id == NO_CHARACTER) {
        totals->strayRows += sign;
        return;
    }
    PairResult* pair = &totals->pairs[row->p1id * CHARACTER_COUNT + row->p2id];
    pair->wins += sign * row->won;
    pair->losses += sign * row->lost;
    opponent->tableRows += sign;
    opponent->table.wins += sign * row->won;
    opponent->table.losses += sign * row->lost;
}

uint32_t FirstTotalsRow(int64_t timestamp)
{
    GrowArray<TotalsRow>* rows = &RecordStore.totals.rows;
    uint32_t low = 0, high = rows->count;
    while (low < high) {
        uint32_t middle = low + (high - low) / 2;
        if (rows->At(middle).timestamp < timestamp)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

// Puts a row in its place or takes it out. A row that is there already, or
// missing, means the sums went astray: they are read again.
static void ApplyRow(RecordTotals* totals, const TotalsRow* row, int32_t sign)
{
    GrowArray<TotalsRow>* rows = &totals->rows;
    uint32_t at = rows->count && rows->At(rows->count - 1).timestamp < row->timestamp
                      ? rows->count
                      : FirstTotalsRow(row->timestamp);
    bool there = at < rows->count && rows->At(at).timestamp == row->timestamp;
    if (there != (sign < 0)) {
        totals->current = false;
        return;
    }
    if (sign > 0) {
        rows->Append(*row);
        memmove(&rows->At(at) + 1, &rows->At(at), (rows->count - 1 - at) * sizeof(TotalsRow));
        rows->At(at) = *row;
    } else {
        memmove(&rows->At(at), &rows->At(at) + 1, (rows->count - 1 - at) * sizeof(TotalsRow));
        --rows->count;
    }
    CountRow(totals, row, sign);
}

static void EmptyTotals(RecordTotals* totals)
{
    GrowArray<TotalsRow>* rows = &totals->rows;
    if (!rows->allocator) {
        rows->Init();
        totals->opponents.Init();
        totals->names.Init();
        totals->slots.Init();
        totals->pending.Init();
    }
    rows->Clear();
    totals->opponents.Clear();
    totals->names.Clear();
    totals->slots.Clear();
    totals->pending.Clear();
    memset(totals->pairs, 0, sizeof totals->pairs);
    memset(totals->characters, 0, sizeof totals->characters);
    totals->strayRows = 0;
    totals->current = false;
    totals->touched = false;
}

void ReleaseTotals()
{
    RecordTotals* totals = &RecordStore.totals;
    EmptyTotals(totals);
    sqlite3_finalize(totals->version);
    sqlite3_finalize(totals->row);
    totals->version = nullptr;
    totals->row = nullptr;
}

// Prepares a statement kept for the connection's life.
static sqlite3_stmt* Kept(sqlite3_stmt** statement, const char* sql)
{
    if (!*statement && sqlite3_prepare_v2(RecordStore.connection, sql, -1, statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(*statement);
        *statement = nullptr;
    }
    return *statement;
}

static bool ReadDataVersion(int64_t* version)
{
    sqlite3_stmt* statement = Kept(&RecordStore.totals.version, "PRAGMA data_version");
    bool ok = statement && sqlite3_step(statement) == SQLITE_ROW;
    if (ok)
        *version = sqlite3_column_int64(statement, 0);
    sqlite3_reset(statement);
    return ok;
}

bool ReadTotals()
{
    RecordTotals* totals = &RecordStore.totals;
    sqlite3* connection = RecordStore.connection;
    EmptyTotals(totals);
    // The stamps first: a change that slips in during the read makes
    // them differ at the next look, and the sums are read once more.
    int64_t version = 0;
    if (!connection || !ReadDataVersion(&version))
        return false;
    int64_t changes = sqlite3_total_changes64(connection);
    sqlite3_stmt* statement = nullptr;
    int result = sqlite3_prepare_v2(connection, ALL_TOTALS_ROWS, -1, &statement, nullptr);
    while (result == SQLITE_OK || result == SQLITE_ROW) {
        result = sqlite3_step(statement);
        if (result == SQLITE_ROW) {
            TotalsRow row;
            ReadRow(totals, statement, &row);
            // A table scan runs in time stamp order; anything else is put in its place.
            if (!totals->rows.count || totals->rows.At(totals->rows.count - 1).timestamp < row.timestamp) {
                totals->rows.Append(row);
                CountRow(totals, &row, 1);
            } else {
                ApplyRow(totals, &row, 1);
            }
        }
    }
    sqlite3_finalize(statement);
    if (result != SQLITE_DONE) {
        EmptyTotals(totals);
        return false;
    }
    totals->current = true;
    totals->dataVersion = version;
    totals->changes = changes;
    // Read with uncommitted changes of one's own: a rollback makes them wrong.
    totals->touched = sqlite3_txn_state(connection, "main") == SQLITE_TXN_WRITE;
    return true;
}

static int SumInAtCommit(void*)
{
    RecordTotals* totals = &RecordStore.totals;
    for (uint32_t i = 0; i < totals->pending.count; ++i)
        ApplyRow(totals, &totals->pending.At(i).row, totals->pending.At(i).sign);
    // The COMMIT may still fail (a reader holds the file): until the
    // transaction is over, its rollback makes the sums wrong.
    totals->touched = totals->touched || totals->pending.count;
    totals->pending.count = 0;
    return 0;
}

static void DropAtRollback(void*)
{
    RecordTotals* totals = &RecordStore.totals;
    totals->pending.count = 0;
    if (totals->touched)
        totals->current = false;
    totals->touched = false;
}

void WatchTotals(sqlite3* connection)
{
    sqlite3_commit_hook(connection, SumInAtCommit, nullptr);
    sqlite3_rollback_hook(connection, DropAtRollback, nullptr);
}

bool CurrentTotals()
{
    RecordTotals* totals = &RecordStore.totals;
    sqlite3* connection = RecordStore.connection;
    if (!connection)
        return false;
    if (sqlite3_get_autocommit(connection))
        totals->touched = false;
    // A change of the open transaction not summed in yet is read with the rest.
    if (totals->current && !totals->pending.count) {
        int64_t version = 0;
        if (!ReadDataVersion(&version))
            return false;
        if (version == totals->dataVersion && sqlite3_total_changes64(connection) == totals->changes)
            return true;
    }
    return ReadTotals();
}

bool ReadTotalsRow(int64_t timestamp, TotalsRow* row)
{
    RecordTotals* totals = &RecordStore.totals;
    if (!totals->current)
        return false;
    sqlite3_stmt* statement = Kept(&totals->row, ONE_TOTALS_ROW);
    int result = SQLITE_ERROR;
    if (statement) {
        sqlite3_bind_int64(statement, 1, timestamp);
        result = sqlite3_step(statement);
        if (result == SQLITE_ROW)
            ReadRow(totals, statement, row);
        sqlite3_reset(statement);
    }
    if (result != SQLITE_ROW && result != SQLITE_DONE)
        totals->current = false;
    return result == SQLITE_ROW;
}

void NoteTotalsChange(int64_t changesBefore, int32_t sign, const TotalsRow* row)
{
    RecordTotals* totals = &RecordStore.totals;
    sqlite3* connection = RecordStore.connection;
    if (!totals->current)
        return;
    // Other SQL on the connection meanwhile leaves the stamp behind: read again.
    if (totals->changes == changesBefore)
        totals->changes = sqlite3_total_changes64(connection);
    if (!sign)
        return;
    if (sqlite3_get_autocommit(connection)) {
        ApplyRow(totals, row, sign);
        return;
    }
    TotalsChange change = {sign, *row};
    totals->pending.Append(change);
}

bool FindTotalsOpponent(const char* name, uint32_t* index)
{
    // Bound text meets the column's affinity as in "p2name = ?": digits
    // find the number stored for them.
    sqlite3_stmt* statement = nullptr;
    bool found = false;
    if (sqlite3_prepare_v2(RecordStore.connection, "SELECT ?1", -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(statement, 1, name, static_cast<int>(strnlen(name, PROFILE_NAME_SIZE)), SQLITE_STATIC);
        if (sqlite3_step(statement) == SQLITE_ROW) {
            sqlite3_value* value = sqlite3_column_value(statement, 0);
            sqlite3_value_numeric_type(value);
            NameKey key;
            KeyOfValue(value, &key);
            found = FindKey(&RecordStore.totals, &key, index);
        }
    }
    sqlite3_finalize(statement);
    return found;
}

int32_t SumTotalsPairs(const RecordFilter* filter, PairResult* working)
{
    uint32_t flags = filter->flags;
    if ((flags & (FILTER_P1NAME | FILTER_P1WIN | FILTER_P2WIN)) ||
        ((flags & FILTER_P1ID) && CharacterId(filter->p1id) == NO_CHARACTER) ||
        ((flags & FILTER_P2ID) && CharacterId(filter->p2id) == NO_CHARACTER) || !CurrentTotals())
        return TOTALS_UNANSWERED;
    RecordTotals* totals = &RecordStore.totals;
    // An opponent never met has no rows to count.
    uint32_t opponent = 0;
    if ((flags & FILTER_P2NAME) && !FindTotalsOpponent(filter->p2name, &opponent))
        return TOTALS_SUMMED;
    bool limited = (flags & FILTER_LIMIT) && filter->limit >= 0;  // SQL takes a negative limit as none
    if (!(flags & (FILTER_BEGIN | FILTER_END | FILTER_P1ID | FILTER_P2ID | FILTER_P2NAME)) && !limited) {
        if (totals->strayRows)
            return TOTALS_FAILED;
        memcpy(working, totals->pairs, sizeof totals->pairs);
        return TOTALS_SUMMED;
    }
    uint32_t first = (flags & FILTER_BEGIN) ? FirstTotalsRow(filter->begin) : 0;
    uint32_t end = (flags & FILTER_END) && filter->end < INT64_MAX ? FirstTotalsRow(filter->end + 1) : totals->rows.count;
    int32_t taken = 0;
    for (uint32_t i = end; i > first && !(limited && taken >= filter->limit);) {
        const TotalsRow* row = &totals->rows.At(--i);
        if (((flags & FILTER_P1ID) && row->p1id != filter->p1id) ||
            ((flags & FILTER_P2ID) && row->p2id != filter->p2id) || ((flags & FILTER_P2NAME) && row->opponent != opponent))
            continue;
        ++taken;
        if (row->p1id == NO_CHARACTER || row->p2id == NO_CHARACTER)
            return TOTALS_FAILED;
        PairResult* pair = &working[row->p1id * CHARACTER_COUNT + row->p2id];
        pair->wins += row->won;
        pair->losses += row->lost;
    }
    return TOTALS_SUMMED;
}

static int32_t TypeRank(int32_t type)
{
    return type == SQLITE_NULL ? 0 : type == SQLITE_TEXT ? 2 : type == SQLITE_BLOB ? 3 : 1;
}

static int64_t WholeOf(const NameKey* key)
{
    int64_t whole;
    memcpy(&whole, key->bytes, sizeof whole);
    return whole;
}

static long double NumberOf(const NameKey* key)
{
    if (key->type == SQLITE_INTEGER)
        return static_cast<long double>(WholeOf(key));
    double real;
    memcpy(&real, key->bytes, sizeof real);
    return real;
}

// SQLite's order of the names: NULL, numbers, text, then blobs; bytes as memcmp.
static int CompareOpponents(const void* a, const void* b)
{
    NameKey x, y;
    KeyOfOpponent(&RecordStore.totals, *static_cast<const uint32_t*>(a), &x);
    KeyOfOpponent(&RecordStore.totals, *static_cast<const uint32_t*>(b), &y);
    int32_t rank = TypeRank(x.type);
    if (rank != TypeRank(y.type))
        return rank < TypeRank(y.type) ? -1 : 1;
    // Long digit names exceed a double's precision: whole numbers compare whole.
    if (rank == 1 && x.type == SQLITE_INTEGER && y.type == SQLITE_INTEGER)
        return WholeOf(&x) < WholeOf(&y) ? -1 : WholeOf(&x) > WholeOf(&y) ? 1 : 0;
    if (rank == 1)
        return NumberOf(&x) < NumberOf(&y) ? -1 : NumberOf(&x) > NumberOf(&y) ? 1 : 0;
    int order = memcmp(x.bytes, y.bytes, x.length < y.length ? x.length : y.length);
    return order ? order : x.length < y.length ? -1 : x.length > y.length ? 1 : 0;
}

bool ListTotalsOpponents(RecordRowHandler handler, void* context)
{
    if (!CurrentTotals())
        return false;
    RecordTotals* totals = &RecordStore.totals;
    GrowArray<uint32_t> order;
    order.Init();
    for (uint32_t i = 0; i < totals->opponents.count; ++i)
        if (totals->opponents.At(i).tableRows)
            order.Append(i);
    if (order.count)
        qsort(order.data, order.count, sizeof(uint32_t), CompareOpponents);
    for (uint32_t i = 0; i < order.count; ++i) {
        const TotalsOpponent* opponent = &totals->opponents.At(order.At(i));
        MatchRecord row;
        memset(&row, 0, sizeof row);
        if (opponent->textLength)
            memcpy(row.p2name, &totals->names.At(opponent->name + opponent->keyLength), opponent->textLength);
        row.p1win = opponent->table.wins;
        row.p2win = opponent->table.losses;
        handler(&row, context);
    }
    order.Clear();
    return true;
}
