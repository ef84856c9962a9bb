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

void RunEndOfMatchTest()
{
    int32_t scene = ReadGameValue(SceneId);
    if (scene != SCENE_NETWORK_BATTLE_A && scene != SCENE_NETWORK_BATTLE_B)
        return;
    RecordFinishedMatch();
}

// The user is the right-hand player as the client, else the left-hand one;
// the start of a match and its end take the sides alike.
static bool UserIsRight(int32_t mode)
{
    return mode == COMM_MODE_CLIENT;
}

// True when the limiter lets this match be counted.
static bool LimiterAllows()
{
    int32_t mode = ReadGameValue(CommMode);
    uint32_t opponent;
    if (mode == COMM_MODE_HOST)
        opponent = static_cast<uint32_t>(ReadGameValue(HostPeerAddress));
    else if (mode == COMM_MODE_CLIENT)
        opponent = static_cast<uint32_t>(ReadGameValue(ClientPeerAddress));
    else
        opponent = App.limiterLastOpponent + 1;  // no key: always another opponent
    if (opponent != App.limiterLastOpponent) {
        App.limiterCount = 0;
        App.limiterLastOpponent = opponent;
    }
    ++App.limiterCount;
    return App.limiterCount <= LIMITER_MAX_IN_A_ROW;
}

// Copies a profile name from the game into a record field: at most 31 bytes
// of whole characters, empty when unreadable.
static void ReadProfileName(int32_t selector, char* field)
{
    memset(field, 0, PROFILE_NAME_SIZE);
    if (ReadGameValue(selector) == GAME_VALUE_UNREADABLE)
        return;
    // The game's 32 bytes need not be terminated.
    const char* name = GameNameBuffer();
    for (int i = 0; i < PROFILE_NAME_SIZE - 2 && name[i]; ++i)
        field[i] = name[i];
    // A 16-character full-width name would otherwise keep half of its last one.
    CutToWholeCharacters(field, PROFILE_NAME_SIZE - 2);
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
    ShowMatchStart(opponent, ReadGameValue(userIsRight ? RightCharId : LeftCharId));
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

void RecordFinishedMatch()
{
    int32_t mode = ReadGameValue(CommMode);
    if (mode == COMM_MODE_NOT_RECORDED)
        return;
    if (App.limiterOn && !LimiterAllows())
        return;

    char leftName[PROFILE_NAME_SIZE];
    char rightName[PROFILE_NAME_SIZE];
    ReadProfileName(LeftProfileName, leftName);
    ReadProfileName(RightProfileName, rightName);
    uint32_t leftWins = static_cast<uint32_t>(ReadGameValue(LeftWinCount));
    uint32_t rightWins = static_cast<uint32_t>(ReadGameValue(RightWinCount));
    uint32_t leftChar = static_cast<uint32_t>(ReadGameValue(LeftCharId));
    uint32_t rightChar = static_cast<uint32_t>(ReadGameValue(RightCharId));
    // Unsigned, so an unreadable -1 fails too.
    if (leftWins > 2 || rightWins > 2 || leftChar > 19 || rightChar > 19)
        return;

    MatchRecord record;
    memset(&record, 0, sizeof record);
    record.timestamp = CurrentTimestamp();
    bool userIsRight = UserIsRight(mode);
    memcpy(record.p1name, userIsRight ? rightName : leftName, PROFILE_NAME_SIZE);
    record.p1id = static_cast<int32_t>(userIsRight ? rightChar : leftChar);
    record.p1win = static_cast<int32_t>(userIsRight ? rightWins : leftWins);
    memcpy(record.p2name, userIsRight ? leftName : rightName, PROFILE_NAME_SIZE);
    record.p2id = static_cast<int32_t>(userIsRight ? leftChar : rightChar);
    record.p2win = static_cast<int32_t>(userIsRight ? leftWins : rightWins);

    // A match that has to wait for the file still goes to the clipboard now:
    // the player pastes it right after the match, and a line that came when
    // the file was free again would replace whatever they had copied since.
    if (StoreFinishedMatch(&record)) {
        CopyResult(record);
        ShowMatchResult(&record);
    }
}
