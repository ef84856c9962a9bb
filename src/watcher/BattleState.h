#pragma once
#include "base/Platform.h"

// Reads single values of the running game through the watcher's process
// handle, following the game's pointers by the game address table. Every
// read goes to the game at the moment of the call; nothing is cached.

// What ReadGameValue reads. 9 is unused and always unreadable.
enum GameValue : int32_t {
    SceneId = 0,             // u32; 13 and 14 are the network battle scenes
    CommMode = 1,            // u32; 4 host (left side), 5 client (right side), 6 never recorded
    BattleMode = 2,          // u32 in the battle manager; turns 5 when a match ends
    LeftCharId = 3,          // u32
    RightCharId = 4,         // u32
    LeftWinCount = 5,        // u8 in the left player object, widened without sign
    RightWinCount = 6,       // u8 in the right player object
    HostPeerAddress = 7,     // u32: IPv4 address of the first peer entry
    ClientPeerAddress = 8,   // u32: IPv4 address connected to, else the host peer
    LeftProfileName = 10,    // 32 bytes of code page 932 text
    RightProfileName = 11,
};

// BattleMode's value once a match has ended.
const int32_t BATTLE_MODE_MATCH_ENDED = 5;

// Result of an unreadable value. A value of 0xFFFFFFFF in the game reads the same.
const int32_t GAME_VALUE_UNREADABLE = -1;
// Bytes of a profile name in the game; shorter names are terminated within them.
const uint32_t GAME_NAME_SIZE = 32;

// The value of one selector, or -1 when there is no game, the selector is
// not one of 0..8, 10, 11, or any read of its chain fails. For the names the
// result is the address of GameNameBuffer, which holds the 32 bytes just read
// (0 in a 64-bit build, whose addresses do not fit).
int32_t ReadGameValue(int32_t selector);

// Reads a profile name (selector 10 or 11) into name, 32 bytes not
// necessarily terminated; any thread. False when it cannot be read.
bool ReadGameName(int32_t selector, char* name);

// The one process-wide name buffer: 32 bytes, not necessarily terminated.
// The next name read overwrites it, so copy it at once. Main thread only.
const char* GameNameBuffer();
