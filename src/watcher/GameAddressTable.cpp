#include "watcher/GameAddressTable.h"
#include "base/ProgramPaths.h"

GameAddressTable GameAddresses;

static uint32_t ReadAddress(const char* key, uint32_t fallback, const char* path)
{
    return GetPrivateProfileIntA(SECTION_GAME_ADDRESS, key, static_cast<INT>(fallback), path);
}

void LoadGameAddressTable()
{
    TextBuffer path;
    path.InitFrom(ModuleDirectory.data);
    path.AppendPath(GAME_ADDRESS_FILE_NAME);
    const char* file = path.data;

    GameAddressTable& t = GameAddresses;
    GetPrivateProfileStringA(SECTION_GAME_NAME, "SWRS_WINDOW_CLASS", DEFAULT_GAME_WINDOW_CLASS, t.windowClass,
                             GAME_TEXT_SIZE, file);
    GetPrivateProfileStringA(SECTION_GAME_NAME, "SWRS_WINDOW_TEXT", DEFAULT_GAME_WINDOW_TITLE, t.windowTitle,
                             GAME_TEXT_SIZE, file);
    t.windowClass[GAME_TEXT_SIZE - 1] = '\0';
    t.windowTitle[GAME_TEXT_SIZE - 1] = '\0';

    t.battleManagerAddress = ReadAddress("SWRS_ADDR_PBATTLEMGR", DEFAULT_BATTLE_MANAGER_ADDRESS, file);
    t.networkObjectAddress = ReadAddress("SWRS_ADDR_PNETOBJECT", DEFAULT_NETWORK_OBJECT_ADDRESS, file);
    t.commModeAddress = ReadAddress("SWRS_ADDR_COMMMODE", DEFAULT_COMM_MODE_ADDRESS, file);
    t.leftCharIdAddress = ReadAddress("SWRS_ADDR_LCHARID", DEFAULT_LEFT_CHAR_ID_ADDRESS, file);
    t.rightCharIdAddress = ReadAddress("SWRS_ADDR_RCHARID", DEFAULT_RIGHT_CHAR_ID_ADDRESS, file);
    t.sceneIdAddress = ReadAddress("SWRS_ADDR_SCENEID", DEFAULT_SCENE_ID_ADDRESS, file);
    t.leftCharOffset = ReadAddress("SWRS_ADDR_LCHAROFS", DEFAULT_LEFT_CHAR_OFFSET, file);
    t.rightCharOffset = ReadAddress("SWRS_ADDR_RCHAROFS", DEFAULT_RIGHT_CHAR_OFFSET, file);
    t.battleModeOffset = ReadAddress("SWRS_ADDR_BTLMODEOFS", DEFAULT_BATTLE_MODE_OFFSET, file);
    t.leftProfileOffset = ReadAddress("SWRS_ADDR_LPROFOFS", DEFAULT_LEFT_PROFILE_OFFSET, file);
    t.rightProfileOffset = ReadAddress("SWRS_ADDR_RPROFOFS", DEFAULT_RIGHT_PROFILE_OFFSET, file);
    t.peerListOffset = ReadAddress("SWRS_ADDR_ADRBEGOFS", DEFAULT_PEER_LIST_OFFSET, file);
    t.destinationOffset = ReadAddress("SWRS_ADDR_TOADDROFS", DEFAULT_DESTINATION_OFFSET, file);
    t.winCountOffset = ReadAddress("SWRS_ADDR_WINCNTOFS", DEFAULT_WIN_COUNT_OFFSET, file);
    path.Release();
}
