// Text buffers and the paths they join, on the real process heap.
#include "base/GrowArray.h"
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

// A reserved block is kept while appends fill it, and a full one doubles:
// a million appends resize the block about fourteen times, not a million.
TEST(GrowArray, ReservesAndDoubles)
{
    GrowArray<int64_t> list;
    list.Init();
    list.Reserve(100);
    list.Reserve(10);
    int64_t* reserved = list.data;
    for (int64_t i = 0; i < 100; ++i)
        list.Append(i);
    EXPECT_EQ(reserved, list.data);
    EXPECT_EQ(100u, list.capacity);
    uint32_t resizes = 0;
    for (int64_t i = 100; i < 1000000; ++i) {
        uint32_t before = list.capacity;
        list.Append(i);
        resizes += list.capacity != before;
    }
    EXPECT_LE(resizes, 16u);
    EXPECT_EQ(999999, list.At(999999));
    list.Trim();
    EXPECT_EQ(1000000u * sizeof(int64_t), Heap.SizeOf(list.data));
    list.Clear();
}
