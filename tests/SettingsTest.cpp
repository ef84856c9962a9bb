// The settings file through the platform's private-profile functions.
#include "base/ProgramPaths.h"
#include "store/ChangeHistory.h"
#include "base/Settings.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>

class Settings : public testing::Test {
protected:
    TempFolder folder;
    std::string file = folder.File("vty.ini");
    SettingsFileScope scope{file};
};

TEST_F(Settings, MissingFileGivesEveryDefault)
{
    char text[SETTING_PATH_SIZE];
    EXPECT_EQ(0u, ReadSettingText(SECTION_GENERAL, KEY_PROFILE, "", text, sizeof text));
    EXPECT_STREQ("", text);
    EXPECT_EQ(0, ReadSettingInt(SECTION_GENERAL, KEY_TCG_LIMIT, 0));
    EXPECT_EQ(NO_SAVED_POSITION, ReadSettingInt(SECTION_STATS_WINDOW, KEY_WINDOW_X, NO_SAVED_POSITION));
    EXPECT_FALSE(FileExists(file));  // reading never creates the file
}

TEST_F(Settings, WritesCreateTheFileWithDecimalIntegers)
{
    WriteSettingInt(SECTION_STATS_WINDOW, KEY_WINDOW_X, -120);
    WriteSettingInt(SECTION_GENERAL, KEY_TCG_LIMIT, 1);
    WriteSettingText(SECTION_GENERAL, KEY_PROFILE, "C:\\記録\\Default.db");
    WriteSettingInt(SECTION_GENERAL, KEY_INFO_TRANS_WRITE, 2);
    std::string content = ReadFileBytes(file);
    EXPECT_NE(std::string::npos, content.find("[QIBDlg.Display]")) << content;
    EXPECT_NE(std::string::npos, content.find("X=-120")) << content;
    EXPECT_NE(std::string::npos, content.find("tcgLimit=1")) << content;
    EXPECT_NE(std::string::npos, content.find("InfoTrans=2")) << content;
    // The path is stored as its code page 932 bytes.
    EXPECT_NE(std::string::npos, content.find("Profile=C:\\\x8b\x4c\x98\x5e\\Default.db")) << content;

    EXPECT_EQ(-120, ReadSettingInt(SECTION_STATS_WINDOW, KEY_WINDOW_X, NO_SAVED_POSITION));
    EXPECT_EQ(INT32_MIN, ReadSettingInt(SECTION_STATS_WINDOW, KEY_WINDOW_Y, NO_SAVED_POSITION));
    WriteSettingInt(SECTION_STATS_WINDOW, KEY_WINDOW_Y, INT32_MIN);
    EXPECT_EQ(INT32_MIN, ReadSettingInt(SECTION_STATS_WINDOW, KEY_WINDOW_Y, 5));
}

TEST_F(Settings, NamesMatchInAnyLetterCase)
{
    WriteFileBytes(file, "[general]\r\ninfotrans=1\r\nTCGLIMIT=7\r\n");
    EXPECT_EQ(1, ReadSettingInt(SECTION_GENERAL, KEY_INFO_TRANS_READ, 0));
    EXPECT_EQ(7, ReadSettingInt(SECTION_GENERAL, KEY_TCG_LIMIT, 0));
    // The written spelling replaces the value of the same key.
    WriteSettingInt(SECTION_GENERAL, KEY_INFO_TRANS_WRITE, 2);
    EXPECT_EQ(2, ReadSettingInt(SECTION_GENERAL, KEY_INFO_TRANS_READ, 0));
    std::string content = ReadFileBytes(file);
    EXPECT_EQ(std::string::npos, content.find("infotrans=1")) << content;
}

TEST_F(Settings, TextIsCutToItsBuffer)
{
    std::string longPath = "C:\\" + std::string(1100, 'p');
    WriteSettingText(SECTION_GENERAL, KEY_PROFILE, longPath.c_str());
    char text[SETTING_PATH_SIZE];
    EXPECT_EQ(1024u, ReadSettingText(SECTION_GENERAL, KEY_PROFILE, "", text, sizeof text));
    EXPECT_EQ(longPath.substr(0, 1024), std::string(text));

    char small[SETTING_FILE_NAME_SIZE];
    ReadSettingText(SECTION_GENERAL, KEY_PROFILE, "", small, sizeof small);
    EXPECT_EQ(259u, strlen(small));
}

TEST_F(Settings, NoTextDeletesTheKey)
{
    WriteSettingInt(SECTION_SHORTCUT, "Key0", 0x0841);
    WriteSettingText(SECTION_SHORTCUT, "Path0", "a.db");
    WriteSettingText(SECTION_SHORTCUT, "Key0", nullptr);
    EXPECT_EQ(0, ReadSettingInt(SECTION_SHORTCUT, "Key0", 0));
    char text[SETTING_PATH_SIZE];
    ReadSettingText(SECTION_SHORTCUT, "Path0", "", text, sizeof text);
    EXPECT_STREQ("a.db", text);
}
