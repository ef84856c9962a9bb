// Text buffers and the paths they join, on the real process heap.
#include "base/TextBuffer.h"
#include <gtest/gtest.h>

// A buffer may take its own text, whose block moves as it grows or shrinks.
TEST(TextBuffer, TakesItsOwnText)
{
    TextBuffer text;
    text.InitFrom("C:\\games\\th123");
    text.Assign(text.data + 3);
    text.Append(text.data);
    EXPECT_EQ(std::string("games\\th123games\\th123"), std::string(text.data, text.length));
    EXPECT_EQ(23u, Heap.SizeOf(text.data));
    text.Release();
}

// One backslash between folder and name, also after a character whose second
// byte is 0x5C ("表"), and beyond MAX_PATH: paths may reach 1024 characters.
TEST(TextBuffer, AppendPathPutsExactlyOneBackslash)
{
    ASSERT_EQ(932u, GetACP());
    for (const std::string& folder : {std::string("C:"), "C:\\" + std::string(400, 'a')})
        for (const char* tail : {"\\対戦表", "\\対戦表\\"})
            for (const char* name : {"Default.db", "\\Default.db"}) {
                TextBuffer path;
                path.InitFrom((folder + tail).c_str());
                path.AppendPath(name);
                EXPECT_EQ(folder + "\\対戦表\\Default.db", std::string(path.data, path.length)) << tail << name;
                EXPECT_EQ(path.length + 1, Heap.SizeOf(path.data));
                path.Release();
            }
}
