#include "shell/MatchRecording.h"
#include "base/TextUtil.h"
#include "shell/AppState.h"
#include "shell/LiveFiles.h"
#include "shell/PendingMatches.h"
#include "store/RecordQueries.h"
#include "store/TimeStamp.h"
#include "store/CharacterNames.h"
#include "watcher/BattleState.h"

// The game's two network battle scenes and its modes as the recording sees them.
const int32_t SCENE_NETWORK_BATTLE_A = 13;
const int32_t SCENE_NETWORK_BATTLE_B = 14;
const int32_t COMM_MODE_HOST = 4;
const int32_t COMM_MODE_CLIENT = 5;
const int32_t COMM_MODE_NOT_RECORDED = 6;
const uint32_t LIMITER_MAX_IN_A_ROW = 3;

void RunEndOfMatchTest(const MatchEnd* end)
{
    if (end->scene != SCENE_NETWORK_BATTLE_A && end->scene != SCENE_NETWORK_BATTLE_B)
        return;
    RecordFinishedMatch(end);
}

// The user is the right-hand player as the client, else the left-hand one;
// the start of a match and its end take the sides alike.
static bool UserIsRight(int32_t mode)
{
    return mode == COMM_MODE_CLIENT;
}

// True when the limiter lets this match be counted.
static bool LimiterAllows(const MatchEnd* end)
{
    uint32_t opponent;
    if (end->commMode == COMM_MODE_HOST)
        opponent = static_cast<uint32_t>(end->hostPeer);
    else if (end->commMode == COMM_MODE_CLIENT)
        opponent = static_cast<uint32_t>(end->clientPeer);
    else
        opponent = App.limiterLastOpponent + 1;  // no key: always another opponent
    if (opponent != App.limiterLastOpponent) {
        App.limiterCount = 0;
        App.limiterLastOpponent = opponent;
    }
    ++App.limiterCount;
    return App.limiterCount <= LIMITER_MAX_IN_A_ROW;
}

// Copies a profile name of the game into a record field: at most 31 bytes
// of whole characters.
static void KeepProfileName(const char* name, char* field)
{
    memset(field, 0, PROFILE_NAME_SIZE);
    // The game's 32 bytes need not be terminated.
    for (int i = 0; i < PROFILE_NAME_SIZE - 2 && name[i]; ++i)
        field[i] = name[i];
    // A 16-character full-width name would otherwise keep half of its last one.
    CutToWholeCharacters(field, PROFILE_NAME_SIZE - 2);
}

// Empty when unreadable.
static void ReadProfileName(int32_t selector, char* field)
{
    char name[GAME_NAME_SIZE + 1] = {};
    if (!ReadGameName(selector, name))
        name[0] = '\0';
    KeepProfileName(name, field);
}

void RunStartOfMatchTest(int32_t scene)
{
    if (scene != SCENE_NETWORK_BATTLE_A && scene != SCENE_NETWORK_BATTLE_B)
        return;
    int32_t mode = ReadGameValue(CommMode);
    if (mode == COMM_MODE_NOT_RECORDED)
        return;
    bool userIsRight = UserIsRight(mode);
    char opponent[PROFILE_NAME_SIZE];
    ReadProfileName(userIsRight ? LeftProfileName : RightProfileName, opponent);
    // Both characters are chosen before the battle scene begins.
    ShowMatchStart(opponent, ReadGameValue(userIsRight ? RightCharId : LeftCharId),
                   ReadGameValue(userIsRight ? LeftCharId : RightCharId));
}

static void CopyResult(const MatchRecord& record)
{
    if (App.copyMode == COPY_OPPONENT_NAME) {
        CopyTextToClipboard(record.p2name, -1);
    } else if (App.copyMode == COPY_RESULT_LINE) {
        char line[FORMAT_TEXT_LIMIT];
        FormatText(line, "%s(%s) %d-%d %s(%s)", record.p1name, CharacterShortName(record.p1id), record.p1win,
                   record.p2win, record.p2name, CharacterShortName(record.p2id));
        CopyTextToClipboard(line, -1);
    }
}

// How long a result screen may have shown a match that a run before this
// one stored.
const int64_t RESULT_SCREEN_TICKS = 10 * 60 * 10000000LL;

// A tool started on a result screen sees that match end again: it is the
// one stored (or waiting) last when players, characters and score agree and
// it ended shortly before.
static bool StoredBefore(const MatchRecord* match)
{
    MatchRecord last;
    RecordFilter all;
    memset(&all, 0, sizeof all);
    return (NewestWaitingMatch(&last) || QueryLatestRecord(&all, &last)) &&
           lstrcmpA(last.p1name, match->p1name) == 0 && lstrcmpA(last.p2name, match->p2name) == 0 &&
           last.p1id == match->p1id && last.p2id == match->p2id && last.p1win == match->p1win &&
           last.p2win == match->p2win && match->timestamp - last.timestamp <= RESULT_SCREEN_TICKS;
}

void RecordFinishedMatch(const MatchEnd* end)
{
    if (end->commMode == COMM_MODE_NOT_RECORDED)
        return;
    bool userIsRight = UserIsRight(end->commMode);
    MatchRecord record;
    memset(&record, 0, sizeof record);
    record.timestamp = TimestampFromLocalTime(&end->localTime);
    KeepProfileName(userIsRight ? end->rightName : end->leftName, record.p1name);
    record.p1id = userIsRight ? end->rightChar : end->leftChar;
    record.p1win = userIsRight ? end->rightWins : end->leftWins;
    KeepProfileName(userIsRight ? end->leftName : end->rightName, record.p2name);
    record.p2id = userIsRight ? end->leftChar : end->rightChar;
    record.p2win = userIsRight ? end->leftWins : end->rightWins;
    if (end->seenAtAttach && StoredBefore(&record))
        return;
    if (App.limiterOn && !LimiterAllows(end))
        return;
    // Unsigned, so an unreadable -1 fails too.
    if (static_cast<uint32_t>(record.p1win) > 2 || static_cast<uint32_t>(record.p2win) > 2 ||
        static_cast<uint32_t>(record.p1id) > 19 || static_cast<uint32_t>(record.p2id) > 19)
        return;

    // A match that has to wait for the file still goes to the clipboard now:
    // the player pastes it right after the match, and a line that came when
    // the file was free again would replace whatever they had copied since.
    if (StoreFinishedMatch(&record)) {
        CopyResult(record);
        ShowMatchResult(&record);
    }
}
