#pragma once
#include "base/Platform.h"

// Where the game keeps the values the watcher reads, and how its main window
// is found. Read once per run from SWRSAddr.ini beside the executable, so
// that players can follow a new build of the game without a new tool.

#define GAME_ADDRESS_FILE_NAME "SWRSAddr.ini"
#define SECTION_GAME_NAME "SWRSName"
#define SECTION_GAME_ADDRESS "SWRSAddress"

// Window class and title, terminator included.
const uint32_t GAME_TEXT_SIZE = 256;

// Built-in values, those of th123.exe version 1.03.
#define DEFAULT_GAME_WINDOW_CLASS "th123_103"
// The wave sign is written as its code page 932 bytes 0x81 0x60.
#define DEFAULT_GAME_WINDOW_TITLE "東方非想天則 \x81\x60 超弩級ギニョルの謎を追え Ver1.03"
const uint32_t DEFAULT_BATTLE_MANAGER_ADDRESS = 0x860164;
const uint32_t DEFAULT_NETWORK_OBJECT_ADDRESS = 0x860220;
const uint32_t DEFAULT_COMM_MODE_ADDRESS = 0x860210;
const uint32_t DEFAULT_LEFT_CHAR_ID_ADDRESS = 0x861890;
const uint32_t DEFAULT_RIGHT_CHAR_ID_ADDRESS = 0x8618B0;
const uint32_t DEFAULT_SCENE_ID_ADDRESS = 0x867BCC;
const uint32_t DEFAULT_LEFT_CHAR_OFFSET = 0xC;
const uint32_t DEFAULT_RIGHT_CHAR_OFFSET = 0x10;
const uint32_t DEFAULT_BATTLE_MODE_OFFSET = 0x88;
const uint32_t DEFAULT_LEFT_PROFILE_OFFSET = 4;
const uint32_t DEFAULT_RIGHT_PROFILE_OFFSET = 0x24;
const uint32_t DEFAULT_PEER_LIST_OFFSET = 0x4C8;
const uint32_t DEFAULT_DESTINATION_OFFSET = 0x3F8;
const uint32_t DEFAULT_WIN_COUNT_OFFSET = 0x563;

// Addresses are in the game's 32-bit address space; offsets are added to
// pointers read from there.
struct GameAddressTable {
    char windowClass[GAME_TEXT_SIZE];      // code page 932, exact match
    char windowTitle[GAME_TEXT_SIZE];      // code page 932, exact match
    uint32_t battleManagerAddress;         // holds a pointer to the battle manager
    uint32_t networkObjectAddress;         // holds a pointer to the network object
    uint32_t commModeAddress;
    uint32_t leftCharIdAddress;
    uint32_t rightCharIdAddress;
    uint32_t sceneIdAddress;
    uint32_t leftCharOffset;               // battle manager: pointer to the left player
    uint32_t rightCharOffset;              // battle manager: pointer to the right player
    uint32_t battleModeOffset;             // battle manager: battle mode
    uint32_t leftProfileOffset;            // network object: left name, 32 bytes
    uint32_t rightProfileOffset;           // network object: right name, 32 bytes
    uint32_t peerListOffset;               // network object: pointer to the first peer entry
    uint32_t destinationOffset;            // network object: address record connected to
    uint32_t winCountOffset;               // player object: round wins, one byte
};

// The one table; filled by LoadGameAddressTable before the watcher runs and
// only read afterwards.
extern GameAddressTable GameAddresses;

// Fills GameAddresses from ModuleDirectory\SWRSAddr.ini; each missing file,
// section or key gives its built-in value. Texts longer than 255 bytes are
// cut. Values are not checked: a wrong one only makes reads fail.
void LoadGameAddressTable();
