// The game address table read from SWRSAddr.ini beside the executable.
#include "support/StandInGame.h"
#include "support/TestSupport.h"
#include "watcher/GameAddressTable.h"
#include <gtest/gtest.h>

namespace {

// "東方非想天則 ～ 超弩級ギニョルの謎を追え Ver1.03" in code page 932, byte by byte.
const char GAME_TITLE_CP932[] =
    "\x93\x8c\x95\xfb\x94\xf1\x91\x7a\x93\x56\x91\xa5\x20\x81\x60\x20\x92\xb4\x9c\x57\x8b\x89\x83\x4d\x83\x6a"
    "\x83\x87\x83\x8b\x82\xcc\x93\xe4\x82\xf0\x92\xc7\x82\xa6\x20\x56\x65\x72\x31\x2e\x30\x33";

class AddressTable : public testing::Test {
protected:
    TempFolder folder;
    ModuleDirectoryScope scope{folder.Path()};
    std::string file = folder.File("SWRSAddr.ini");

    void SetUp() override
    {
        // Whatever an earlier load left must not pass for a value read now.
        memset(&GameAddresses, 0xCC, sizeof GameAddresses);
    }
    void Write(const char* section, const char* key, const std::string& value)
    {
        ASSERT_TRUE(WritePrivateProfileStringA(section, key, value.c_str(), file.c_str()));
    }
};

void ExpectDefaultsExceptSceneId(const GameAddressTable& t)
{
    EXPECT_STREQ("th123_103", t.windowClass);
    EXPECT_STREQ(GAME_TITLE_CP932, t.windowTitle);
    EXPECT_EQ(8782180u, t.battleManagerAddress);
    EXPECT_EQ(8782368u, t.networkObjectAddress);
    EXPECT_EQ(8782352u, t.commModeAddress);
    EXPECT_EQ(8788112u, t.leftCharIdAddress);
    EXPECT_EQ(8788144u, t.rightCharIdAddress);
    EXPECT_EQ(12u, t.leftCharOffset);
    EXPECT_EQ(16u, t.rightCharOffset);
    EXPECT_EQ(136u, t.battleModeOffset);
    EXPECT_EQ(4u, t.leftProfileOffset);
    EXPECT_EQ(36u, t.rightProfileOffset);
    EXPECT_EQ(1224u, t.peerListOffset);
    EXPECT_EQ(1016u, t.destinationOffset);
    EXPECT_EQ(1379u, t.winCountOffset);
}

}  // namespace

TEST_F(AddressTable, WithoutTheFileEveryFieldHasTheValueOfTheGame103)
{
    LoadGameAddressTable();
    ExpectDefaultsExceptSceneId(GameAddresses);
    EXPECT_EQ(8813516u, GameAddresses.sceneIdAddress);
    EXPECT_EQ(48u, strlen(GameAddresses.windowTitle));
    EXPECT_FALSE(FileExists(file));  // reading never creates it
}

TEST_F(AddressTable, AFileWithOnlyTheSceneIdChangesThatOneField)
{
    Write("SWRSAddress", "SWRS_ADDR_SCENEID", "1234567");
    LoadGameAddressTable();
    EXPECT_EQ(1234567u, GameAddresses.sceneIdAddress);
    ExpectDefaultsExceptSceneId(GameAddresses);
}

TEST_F(AddressTable, EachKeyFillsItsOwnField)
{
    const char* keys[] = {"SWRS_ADDR_PBATTLEMGR", "SWRS_ADDR_PNETOBJECT", "SWRS_ADDR_COMMMODE",
                          "SWRS_ADDR_LCHARID",    "SWRS_ADDR_RCHARID",    "SWRS_ADDR_SCENEID",
                          "SWRS_ADDR_LCHAROFS",   "SWRS_ADDR_RCHAROFS",   "SWRS_ADDR_BTLMODEOFS",
                          "SWRS_ADDR_LPROFOFS",   "SWRS_ADDR_RPROFOFS",   "SWRS_ADDR_ADRBEGOFS",
                          "SWRS_ADDR_TOADDROFS",  "SWRS_ADDR_WINCNTOFS"};
    for (int i = 0; i < 14; ++i)
        Write("SWRSAddress", keys[i], std::to_string(1000 + i));
    Write("SWRSName", "SWRS_WINDOW_CLASS", "th123_110");
    Write("SWRSName", "SWRS_WINDOW_TEXT", "東方非想天則 Ver1.10");
    LoadGameAddressTable();
    const GameAddressTable& t = GameAddresses;
    uint32_t got[] = {t.battleManagerAddress, t.networkObjectAddress, t.commModeAddress, t.leftCharIdAddress,
                      t.rightCharIdAddress,   t.sceneIdAddress,       t.leftCharOffset,  t.rightCharOffset,
                      t.battleModeOffset,     t.leftProfileOffset,    t.rightProfileOffset, t.peerListOffset,
                      t.destinationOffset,    t.winCountOffset};
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(1000u + i, got[i]) << keys[i];
    EXPECT_STREQ("th123_110", t.windowClass);
    EXPECT_STREQ("\x93\x8c\x95\xfb\x94\xf1\x91\x7a\x93\x56\x91\xa5 Ver1.10", t.windowTitle);
}

TEST_F(AddressTable, LongTextsAreCutTo255Bytes)
{
    std::string title(300, 't');
    std::string windowClass(260, 'c');
    Write("SWRSName", "SWRS_WINDOW_TEXT", title);
    Write("SWRSName", "SWRS_WINDOW_CLASS", windowClass);
    LoadGameAddressTable();
    EXPECT_EQ(title.substr(0, 255), std::string(GameAddresses.windowTitle));
    EXPECT_EQ(windowClass.substr(0, 255), std::string(GameAddresses.windowClass));
}
