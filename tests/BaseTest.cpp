// Text buffers, paths and arrays, on the real process heap.
#include "base/GrowArray.h"
#include "base/TextBuffer.h"
#include <gtest/gtest.h>
#include <string>

// A buffer may take its own text, whose block moves as it grows or shrinks.
TEST(TextBuffer, TakesItsOwnText)
{
    EXPECT_EQ(932u, GetACP());  // names and paths are code page 932 text
    TextBuffer text;
    text.InitFrom("C:\\games\\th123");
    text.Assign(text.data + 3);
    text.Append(text.data);
    EXPECT_STREQ("games\\th123games\\th123", text.data);
    EXPECT_EQ(22u, text.length);
    EXPECT_EQ(23u, Heap.SizeOf(text.data));
    text.Release();
}

// Exactly one backslash between folder and name, also where the folder ends
// in a double-byte character whose second byte is 0x5C ("表"), and beyond
// MAX_PATH, where paths of the tool may reach 1024 characters.
TEST(TextBuffer, AppendPathPutsExactlyOneBackslash)
{
    const std::string deep = "C:\\" + std::string(400, 'a');
    for (const std::string& folder : {std::string("C:"), deep})
        for (const char* tail : {"\\対戦表", "\\対戦表\\"})
            for (const char* name : {"Default.db", "\\Default.db"}) {
                TextBuffer path;
                path.InitFrom((folder + tail).c_str());
                path.AppendPath(name);
                EXPECT_EQ(folder + "\\対戦表\\Default.db", path.data) << tail << " + " << name;
                EXPECT_EQ(strlen(path.data), path.length);
                EXPECT_EQ(path.length + 1, Heap.SizeOf(path.data));
                path.Release();
            }
}

struct Pair {
    int32_t a;
    int32_t b;
};

TEST(GrowArray, GrowsAndClears)
{
    GrowArray<Pair> array;
    array.Init();
    for (int i = 0; i < 5; ++i)
        array.Append(Pair{i, -i});
    EXPECT_EQ(5u, array.count);
    EXPECT_EQ(3, array.At(3).a);
    EXPECT_EQ(-4, array.At(4).b);
    array.Clear();
    EXPECT_EQ(nullptr, array.data);
    EXPECT_EQ(0u, array.count + array.capacity);
}

// An index at the count ends the process instead of reading past the block.
TEST(GrowArrayDeathTest, IndexAtTheCountEndsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    GrowArray<Pair> array;
    array.Init();
    array.Append(Pair{1, 2});
    // A 64-bit process under Wine reports that it went on past the
    // non-continuable bounds exception.
    auto boundsExceeded = [](int code) {
        DWORD c = static_cast<DWORD>(code);
        return c == EXCEPTION_ARRAY_BOUNDS_EXCEEDED || (sizeof(void*) == 8 && c == EXCEPTION_NONCONTINUABLE_EXCEPTION);
    };
    EXPECT_EXIT(array.At(1), boundsExceeded, "");
    array.Clear();
}
