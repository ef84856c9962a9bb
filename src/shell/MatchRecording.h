#pragma once
#include "watcher/MatchEnd.h"

// Called with the values the watcher took when the game's battle mode changed
// to 5: records the match when the game was in a network battle scene.
void RunEndOfMatchTest(const MatchEnd* end);

// Called when the game's scene has changed: at the start of a network match
// in a mode that is recorded, shows the opponent's record (LiveFiles.h).
void RunStartOfMatchTest(int32_t scene);

// Stores the finished match with the user on side 1, unless communication
// mode 6 or the limiter says otherwise, or the watcher found the game on the
// result screen of a match that is stored already. Out-of-range values drop
// the match silently.
void RecordFinishedMatch(const MatchEnd* end);
