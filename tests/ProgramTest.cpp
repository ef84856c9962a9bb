// vty.exe as a process of its own, in a folder of its own.
#include "support/TestSupport.h"
#include <gtest/gtest.h>

namespace {

class Program : public testing::Test {
protected:
    TempFolder folder;
    void SetUp() override
    {
        for (const char* file : {"vty.exe", "sqlite3.dll"})
            ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\" + file).c_str(), folder.File(file).c_str(), FALSE))
                << file;
    }
    long Run() { return RunProgram("\"" + folder.File("vty.exe") + "\"", folder.Path(), 60000); }
    std::string Profile()
    {
        char text[1025];
        GetPrivateProfileStringA("General", "Profile", "<none>", text, sizeof text, folder.File("vty.ini").c_str());
        return text;
    }
};

}  // namespace

TEST_F(Program, FirstStartCreatesDefaultDatabaseAndRemembersIt)
{
    EXPECT_EQ(0, Run());
    EXPECT_TRUE(FileExists(folder.File("Default.db")));
    EXPECT_EQ(folder.File("Default.db"), Profile());
    std::string db = ReadFileBytes(folder.File("Default.db"));
    EXPECT_EQ(0u, db.find("SQLite format 3"));
}

TEST_F(Program, StartsOnTheProfileNamedInTheSettings)
{
    std::string other = folder.File("戦績.db");
    WritePrivateProfileStringA("General", "Profile", other.c_str(), folder.File("vty.ini").c_str());
    EXPECT_EQ(0, Run());
    EXPECT_TRUE(FileExists(other));
    EXPECT_FALSE(FileExists(folder.File("Default.db")));
    EXPECT_EQ(other, Profile());
}
