#pragma once
#include "base/Platform.h"

// Called when the game's battle mode has changed to 5: records the match when
// the game is in a network battle scene.
void RunEndOfMatchTest();

// Called when the game's scene has changed: at the start of a network match
// in a mode that is recorded, shows the opponent's record (LiveFiles.h).
void RunStartOfMatchTest(int32_t scene);

// Reads the finished match from the game and stores it with the user on side 1,
// unless communication mode 6 or the limiter says otherwise. Out-of-range
// values drop the match silently.
void RecordFinishedMatch();
