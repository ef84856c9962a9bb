// The game address table read from SWRSAddr.ini beside the executable.
#include "support/StandInGame.h"
#include "support/TestSupport.h"
#include "watcher/GameAddressTable.h"
#include <gtest/gtest.h>
#include <vector>

namespace {

const char* const KEYS[] = {"SWRS_ADDR_PBATTLEMGR", "SWRS_ADDR_PNETOBJECT", "SWRS_ADDR_COMMMODE", "SWRS_ADDR_LCHARID",
                            "SWRS_ADDR_RCHARID",    "SWRS_ADDR_SCENEID",    "SWRS_ADDR_LCHAROFS", "SWRS_ADDR_RCHAROFS",
                            "SWRS_ADDR_BTLMODEOFS", "SWRS_ADDR_LPROFOFS",   "SWRS_ADDR_RPROFOFS", "SWRS_ADDR_ADRBEGOFS",
                            "SWRS_ADDR_TOADDROFS",  "SWRS_ADDR_WINCNTOFS"};

// The numbers of the table in the order of KEYS.
std::vector<uint32_t> Numbers(const GameAddressTable& t)
{
    return {t.battleManagerAddress, t.networkObjectAddress, t.commModeAddress,   t.leftCharIdAddress,
            t.rightCharIdAddress,   t.sceneIdAddress,       t.leftCharOffset,    t.rightCharOffset,
            t.battleModeOffset,     t.leftProfileOffset,    t.rightProfileOffset, t.peerListOffset,
            t.destinationOffset,    t.winCountOffset};
}

}  // namespace

// The built-in values are those the stand-in sits at (BattleStateTest reads
// them); here each key present replaces its own field, and only that one.
TEST(AddressTable, EachKeyOfTheFileReplacesItsOwnFieldOnly)
{
    GameAddressTable builtIn;
    {
        TempFolder empty;
        ModuleDirectoryScope scope(empty.Path());
        LoadGameAddressTable();
        EXPECT_FALSE(FileExists(empty.File("SWRSAddr.ini")));  // reading never creates it
        builtIn = GameAddresses;
    }
    // Every other key, then the others: a key read into another field, or a
    // missing key read as 0, shows either way.
    for (int first = 0; first < 2; ++first) {
        SCOPED_TRACE(first);
        TempFolder folder;
        ModuleDirectoryScope scope(folder.Path());
        std::string ini = folder.File("SWRSAddr.ini");
        std::vector<uint32_t> want = Numbers(builtIn);
        for (int i = first; i < 14; i += 2) {
            want[i] = 1000 + i;
            ASSERT_TRUE(WritePrivateProfileStringA("SWRSAddress", KEYS[i], std::to_string(want[i]).c_str(),
                                                   ini.c_str()));
        }
        // The window class from the first file; from the second a title, cut to 255 bytes.
        std::string name = first ? std::string(300, 't') : "th123_110";
        ASSERT_TRUE(WritePrivateProfileStringA("SWRSName", first ? "SWRS_WINDOW_TEXT" : "SWRS_WINDOW_CLASS",
                                               name.c_str(), ini.c_str()));
        memset(&GameAddresses, 0xCC, sizeof GameAddresses);  // an earlier load must not pass for this one
        LoadGameAddressTable();
        EXPECT_EQ(want, Numbers(GameAddresses));
        EXPECT_EQ(first ? builtIn.windowClass : name, std::string(GameAddresses.windowClass));
        EXPECT_EQ(first ? name.substr(0, 255) : builtIn.windowTitle, std::string(GameAddresses.windowTitle));
    }
}
