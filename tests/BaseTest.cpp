// Text buffers, arrays and the two text utilities, on the real process heap.
#include "base/GrowArray.h"
#include "base/TextBuffer.h"
#include "base/TextUtil.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <string>

TEST(CodePage, WineRunsWithTheJapaneseAnsiCodePage)
{
    EXPECT_EQ(932u, GetACP());
}

TEST(CodePage, LiteralsAreCompiledToShiftJis)
{
    // "表" is 0x95 0x5C in code page 932: the second byte is a backslash.
    const char* text = "表";
    ASSERT_EQ(2u, strlen(text));
    EXPECT_EQ(0x95, static_cast<unsigned char>(text[0]));
    EXPECT_EQ(0x5C, static_cast<unsigned char>(text[1]));
    EXPECT_STREQ("\x83\x5e\x83\x43\x83\x67\x83\x8b", "タイトル");
}

TEST(TextBuffer, BlockIsAlwaysSizedExactly)
{
    TextBuffer text;
    text.Init();
    EXPECT_EQ(1u, text.capacity);
    EXPECT_EQ(0u, text.length);
    EXPECT_STREQ("", text.data);

    text.Append("abc");  // on a fresh buffer: the appended text alone
    EXPECT_STREQ("abc", text.data);
    EXPECT_EQ(4u, text.capacity);
    EXPECT_EQ(4u, Heap.SizeOf(text.data));

    text.Append("defgh");
    EXPECT_STREQ("abcdefgh", text.data);
    EXPECT_EQ(8u, text.length);
    EXPECT_EQ(9u, Heap.SizeOf(text.data));

    text.Assign("xy");  // a shorter text shrinks the block
    EXPECT_STREQ("xy", text.data);
    EXPECT_EQ(3u, text.capacity);
    EXPECT_EQ(3u, Heap.SizeOf(text.data));

    text.Assign("");
    EXPECT_STREQ("", text.data);
    EXPECT_EQ(0u, text.length);
    EXPECT_EQ(1u, text.capacity);
    EXPECT_EQ(1u, Heap.SizeOf(text.data));
    text.Release();

    TextBuffer copy;
    copy.InitFrom("頭文字");
    EXPECT_EQ(6u, copy.length);
    EXPECT_EQ(7u, copy.capacity);
    copy.Release();
}

TEST(TextBuffer, AssignAndAppendOfItsOwnText)
{
    TextBuffer text;
    text.InitFrom("C:\\games\\th123");
    text.Assign(text.data + 3);
    EXPECT_STREQ("games\\th123", text.data);
    text.Append(text.data);
    EXPECT_STREQ("games\\th123games\\th123", text.data);
    EXPECT_EQ(22u, text.length);
    text.Release();
}

TEST(TextBuffer, AppendPathPutsExactlyOneBackslash)
{
    struct Case {
        const char* folder;
        const char* component;
        const char* expected;
    } cases[] = {
        {"C:\\Vantory", "vty.ini", "C:\\Vantory\\vty.ini"},
        {"C:\\Vantory\\", "vty.ini", "C:\\Vantory\\vty.ini"},
        {"C:\\Vantory", "\\Default.db", "C:\\Vantory\\Default.db"},
        // The folder ends in a double-byte character whose second byte is 0x5C.
        {"C:\\対戦表", "Default.db", "C:\\対戦表\\Default.db"},
        {"C:\\対戦表\\", "Default.db", "C:\\対戦表\\Default.db"},
    };
    for (const Case& c : cases) {
        TextBuffer path;
        path.InitFrom(c.folder);
        path.AppendPath(c.component);
        EXPECT_STREQ(c.expected, path.data) << c.folder << " + " << c.component;
        EXPECT_EQ(strlen(c.expected), path.length);
        EXPECT_EQ(path.length + 1, Heap.SizeOf(path.data));
        path.Release();
    }
}

TEST(TextBuffer, AppendPathBeyondMaxPathKeepsTheWholePath)
{
    // Paths of the tool may hold up to 1024 characters.
    for (const char* tail : {"", "\\"}) {
        std::string folder = "C:\\" + std::string(400, 'a') + "\\表" + tail;
        TextBuffer path;
        path.InitFrom(folder.c_str());
        path.AppendPath("vty.ini");
        std::string expected = "C:\\" + std::string(400, 'a') + "\\表\\vty.ini";
        EXPECT_EQ(expected, path.data);
        EXPECT_EQ(expected.size(), path.length);
        EXPECT_EQ(expected.size() + 1, path.capacity);
        path.Release();
    }
}

struct Pair {
    int32_t a;
    int32_t b;
};

TEST(GrowArray, GrowsOneElementAtATimeAndClears)
{
    GrowArray<Pair> array;
    array.Init();
    array.Clear();  // never held anything: nothing happens
    EXPECT_EQ(nullptr, array.data);
    EXPECT_EQ(0u, array.count);

    for (int i = 0; i < 5; ++i) {
        array.Append(Pair{i, -i});
        EXPECT_EQ(static_cast<uint32_t>(i + 1), array.count);
        EXPECT_EQ(array.count, array.capacity);
        EXPECT_EQ(array.count * sizeof(Pair), Heap.SizeOf(array.data));
    }
    EXPECT_EQ(3, array.At(3).a);
    EXPECT_EQ(-4, array.At(4).b);

    // Reserve tests against the count, not the capacity.
    array.count = 2;
    array.Reserve(2);
    EXPECT_EQ(5u, array.capacity);
    array.Reserve(3);
    EXPECT_EQ(3u, array.capacity);
    EXPECT_EQ(3 * sizeof(Pair), Heap.SizeOf(array.data));
    EXPECT_EQ(1, array.At(1).a);

    array.Clear();
    EXPECT_EQ(nullptr, array.data);
    EXPECT_EQ(0u, array.count);
    EXPECT_EQ(0u, array.capacity);
}

TEST(GrowArrayDeathTest, IndexAtTheCountEndsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    GrowArray<Pair> array;
    array.Init();
    array.Append(Pair{1, 2});
    auto boundsExceeded = [](int code) { return static_cast<DWORD>(code) == EXCEPTION_ARRAY_BOUNDS_EXCEEDED; };
    EXPECT_EXIT(array.At(1), boundsExceeded, "");
    array.Clear();
}

TEST(FormatText, CutsLongResultsAt998Characters)
{
    char output[FORMAT_TEXT_LIMIT + 16];
    memset(output, 'X', sizeof output);
    std::string long1200(1200, 'z');
    FormatText(output, "%s", long1200.c_str());
    EXPECT_EQ(998u, strlen(output));
    EXPECT_EQ('\0', output[998]);
    EXPECT_EQ('X', output[999]);  // nothing written past the limit

    EXPECT_STREQ("Alice(霊夢) 2-1 Bob(魔理沙)",
                 FormatText(output, "%s(%s) %d-%d %s(%s)", "Alice", "霊夢", 2, 1, "Bob", "魔理沙"));
}

TEST(Clipboard, CopiesPlainTextReplacingTheContent)
{
    ASSERT_TRUE(CopyTextToClipboard("Alice(霊夢) 2-1 Bob(魔理沙)", -1));
    EXPECT_EQ("Alice(霊夢) 2-1 Bob(魔理沙)", ClipboardText());

    ASSERT_TRUE(CopyTextToClipboard("Bob and more", 3));
    EXPECT_EQ("Bob", ClipboardText());

    ASSERT_TRUE(CopyTextToClipboard("", -1));
    EXPECT_EQ("", ClipboardText());
}

struct ClipboardHold {
    HANDLE opened, release;
};

static DWORD WINAPI HoldClipboard(LPVOID parameter)
{
    ClipboardHold* hold = static_cast<ClipboardHold*>(parameter);
    HWND owner = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    OpenClipboard(owner);
    SetEvent(hold->opened);
    WaitForSingleObject(hold->release, INFINITE);
    CloseClipboard();
    DestroyWindow(owner);
    return 0;
}

TEST(Clipboard, FailsWhileAnotherThreadHoldsItOpen)
{
    ASSERT_TRUE(CopyTextToClipboard("before", -1));
    // The clipboard belongs to one thread at a time; hold it from another one.
    HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ClipboardHold hold = {opened, release};
    HANDLE thread = CreateThread(nullptr, 0, HoldClipboard, &hold, 0, nullptr);
    WaitForSingleObject(opened, INFINITE);
    EXPECT_FALSE(CopyTextToClipboard("after", -1));
    SetEvent(release);
    WaitForSingleObject(thread, INFINITE);
    EXPECT_EQ("before", ClipboardText());
    CloseHandle(thread);
    CloseHandle(opened);
    CloseHandle(release);
}
