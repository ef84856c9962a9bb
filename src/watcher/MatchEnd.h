#pragma once
#include "watcher/BattleState.h"

// What the game shows at the moment the watcher sees a match end, read on
// the watcher thread at once: by the time the main thread handles the
// report, the game may be in the next match.
struct MatchEnd {
    SYSTEMTIME localTime;  // when the end was seen
    int32_t scene;
    int32_t commMode;
    int32_t hostPeer;
    int32_t clientPeer;
    int32_t leftWins;   // -1 where unreadable, as ReadGameValue gives it
    int32_t rightWins;
    int32_t leftChar;
    int32_t rightChar;
    char leftName[GAME_NAME_SIZE + 1];  // terminated; empty when unreadable
    char rightName[GAME_NAME_SIZE + 1];
    bool seenAtAttach;  // the game already sat at this end when the watcher found it
};

// Reads every value of the match from the game now.
void CaptureMatchEnd(bool seenAtAttach, MatchEnd* end);
