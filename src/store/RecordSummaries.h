#pragma once
#include "store/RecordDatabase.h"

// Short summaries of the record for the moments of play: against one
// opponent profile, with one character of the player, and the current
// session. Read at a match start and after a match, on the main thread, from
// the record's sums in memory; without a connection, or when the sums cannot
// be read (another program holds the file), they return false.

// Days counted as recent, up to the moment of the look-up.
const int32_t RECENT_DAYS = 30;
// Newest results kept against an opponent.
const uint32_t LAST_RESULTS_KEPT = 5;
// The player's characters kept against an opponent.
const uint32_t OWN_CHARACTERS_KEPT = 3;

// A match is won when the player took two rounds, lost when the opponent
// did; others (an interrupted 1-1, 0-0) count as neither, as in the windows.
struct WinLoss {
    int32_t wins;
    int32_t losses;
};

struct CharacterResults {
    int32_t p1id;
    WinLoss results;
};

struct OpponentSummary {
    uint32_t met;        // countable matches against it: 0 at a first meeting
    WinLoss allTime;
    WinLoss recent;      // the last RECENT_DAYS days
    int64_t lastMet;     // time stamp of the newest match against it; 0 when never met
    uint32_t lastCount;  // results in last
    char last[LAST_RESULTS_KEPT];  // newest first: 'W' won, 'L' lost
    uint32_t characterCount;       // entries in characters
    // The player's characters that won or lost against it: most such
    // matches first, then the lower id.
    CharacterResults characters[OWN_CHARACTERS_KEPT];
};

struct CharacterSummary {
    WinLoss allTime;
    WinLoss recent;
};

struct CurrentSession {
    WinLoss results;
    int32_t streak;  // the newest results alike: wins above 0, losses below
};

// Matches against the profile name (code page bytes, compared as stored).
bool SummariseOpponent(const char* name, int64_t now, OpponentSummary* summary);
// Matches the player played with character p1id; false for an id that is no character.
bool SummariseCharacter(int32_t p1id, int64_t now, CharacterSummary* summary);
// Matches against the opponent character p2id, any opponent, counted as in
// the statistics window; false for an id that is no character.
bool SummariseAgainstCharacter(int32_t p2id, WinLoss* results);
// The newest matches back to the first gap of SESSION_GAP or more; empty
// when the newest is that long before now.
bool SummariseSession(int64_t now, CurrentSession* summary);
