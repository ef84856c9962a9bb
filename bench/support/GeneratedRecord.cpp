#include "bench/support/GeneratedRecord.h"
#include "store/TimeStamp.h"
#include <sqlite3.h>
#include <stdio.h>
#include <algorithm>

static uint32_t randomState = 2463534242u;

uint32_t NextRandom()
{
    randomState ^= randomState << 13;
    randomState ^= randomState >> 17;
    randomState ^= randomState << 5;
    return randomState;
}

static int PlayedCharacter(PlayerShape shape)
{
    static const int mains[] = {2, 2, 2, 2, 14, 14, 14, 7, 7, 17};
    static const int three[] = {2, 14, 7};
    uint32_t roll = NextRandom();
    if (shape == SHAPE_THREE)
        return three[roll % 3];
    if (shape == SHAPE_EVEN)
        return static_cast<int>(roll % 20);
    return roll % 50 == 0 ? static_cast<int>(NextRandom() % 20) : mains[roll % 10];
}

bool GenerateRecord(sqlite3* db, int matches, PlayerShape shape, int opponentNames, int64_t step)
{
    const int64_t millisecond = 10000;
    step = step / millisecond * millisecond;
    int64_t first = CurrentTimestamp() / millisecond * millisecond - static_cast<int64_t>(matches) * step;
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(db, "insert into vaviradudiz123 values (?, ?, ?, ?, ?, ?, ?);", -1, &insert, nullptr) !=
        SQLITE_OK)
        return false;
    bool ok = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    for (int i = 0; ok && i < matches; ++i) {
        int64_t stamp = first + i * step + (NextRandom() % static_cast<uint32_t>(step / millisecond)) * millisecond;
        char opponent[32];
        snprintf(opponent, sizeof opponent, "player%04u", NextRandom() % static_cast<uint32_t>(opponentNames));
        bool won = NextRandom() % 100 < 52;
        int loserRounds = static_cast<int>(NextRandom() % 2);
        sqlite3_reset(insert);
        sqlite3_bind_int64(insert, 1, stamp);
        sqlite3_bind_text(insert, 2, "me", -1, SQLITE_STATIC);
        sqlite3_bind_int(insert, 3, PlayedCharacter(shape));
        sqlite3_bind_int(insert, 4, won ? 2 : loserRounds);
        sqlite3_bind_text(insert, 5, opponent, -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 6, static_cast<int>(NextRandom() % 20));
        sqlite3_bind_int(insert, 7, won ? loserRounds : 2);
        ok = sqlite3_step(insert) == SQLITE_DONE;
    }
    sqlite3_finalize(insert);
    return sqlite3_exec(db, ok ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
}

double Seconds()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void EmptyFolder(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    while (search != INVALID_HANDLE_VALUE) {
        DeleteFileA((folder + "\\" + found.cFileName).c_str());
        if (!FindNextFileA(search, &found))
            break;
    }
    FindClose(search);
}

std::string BenchFolder(const char* name)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "vty-" + name + "-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}
