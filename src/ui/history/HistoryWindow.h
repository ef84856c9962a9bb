#pragma once
#include "store/RecordDatabase.h"

// The user's history criteria, carried from the filter dialog and the
// opponent table to the next history window. One record for the whole run,
// all off at start, never saved. Side 1 of a stored match is the user.
struct HistoryFilterSettings {
    bool ownNameOn;
    char ownName[PROFILE_NAME_SIZE];
    bool ownCharacterOn;
    int8_t ownCharacter;
    bool opponentNameOn;
    char opponentName[PROFILE_NAME_SIZE];
    bool opponentCharacterOn;
    int8_t opponentCharacter;
    bool startOn;
    int64_t start;  // time stamp, inclusive
    bool endOn;
    int64_t end;    // time stamp, inclusive
    bool countOn;
    int32_t count;  // only the newest count matches
};
extern HistoryFilterSettings HistoryFilter;

// Opens a match history window of the matches that HistoryFilter selects,
// owned by owner, filled and shown before it returns; a snapshot that never
// reads the record again, which its bottom line says. With opponentNamePart
// a non-empty opponent name selects every name that holds it. False when
// the window could not be made.
bool OpenHistoryWindow(HWND owner, bool opponentNamePart = false);

// The text of a character cell: the short name of ids 0 to 19, and the id
// in brackets, such as "(25)", for any other stored id. text holds 16 bytes.
void CharacterCellText(int32_t id, char* text);
