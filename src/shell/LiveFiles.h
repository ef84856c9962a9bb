#pragma once
#include "store/RecordDatabase.h"

// Small UTF-8 text files for stream programs (OBS "read from file" text
// sources) in the folder of the settings' [LiveFiles], and the opponent card
// as a balloon of the tray icon at a match start; nothing at all unless
// [LiveFiles] Enabled is 1, read at each moment. Each file is replaced whole,
// so a reader never sees half of one; one that a reader holds open gets its
// new text once it lets go. Failures are dropped silently: the recording
// never depends on them.

// The hidden main window's timer that replaces files a reader held.
const UINT_PTR LIVE_RETRY_TIMER = 2;
// Moves the texts that wait beside held files over them.
void RetryHeldLiveFiles();

// The opponent card: name, matches, wins, losses and rate over all time and
// the last 30 days, the day last met, the last five results newest first (or
// the first meeting); then the player's three characters most played against
// it, and the record against the opponent's character over all opponents.
#define LIVE_OPPONENT_FILE "opponent.txt"
// The last recorded match: outcome and the result line.
#define LIVE_RESULT_FILE "result.txt"
// The current session: matches, wins, losses, rate, current streak.
#define LIVE_SESSION_FILE "session.txt"
// The record of the character the player plays now, all time and 30 days.
#define LIVE_CHARACTER_FILE "character.txt"

// At the start of a network match that will be recorded: the card with the
// record as it stands before the match (file and balloon), the session, and
// ownCharacter's record; an id outside 0..19 (either side) skips its lines.
void ShowMatchStart(const char* opponentName, int32_t ownCharacter, int32_t opponentCharacter);
// After a recorded match: the result, the session and the character's record.
void ShowMatchResult(const MatchRecord* record);
