// Text buffers, arrays and the two text utilities, on the real process heap.
#include "base/GrowArray.h"
#include "base/TextBuffer.h"
#include "base/TextUtil.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>
#include <string>

TEST(CodePage, WineRunsInCodePage932AndLiteralsAreShiftJis)
{
    EXPECT_EQ(932u, GetACP());
    // "表" is 0x95 0x5C in code page 932: the second byte is a backslash.
    EXPECT_STREQ("\x95\x5c\x83\x5e\x83\x43\x83\x67\x83\x8b", "表タイトル");
}

// Text, length and block size in one line: the block is always sized exactly.
static std::string Shape(const TextBuffer& text)
{
    return std::string(text.data) + "|" + std::to_string(text.length) + "|" + std::to_string(text.capacity) + "|" +
           std::to_string(Heap.SizeOf(text.data));
}

TEST(TextBuffer, BlockIsAlwaysSizedExactly)
{
    TextBuffer text;
    text.Init();
    EXPECT_EQ("|0|1|1", Shape(text));
    text.Append("abc");
    EXPECT_EQ("abc|3|4|4", Shape(text));
    text.Append("defgh");
    EXPECT_EQ("abcdefgh|8|9|9", Shape(text));
    text.Assign("xy");  // a shorter text shrinks the block
    EXPECT_EQ("xy|2|3|3", Shape(text));
    text.Assign("");
    EXPECT_EQ("|0|1|1", Shape(text));
    text.Release();
    text.InitFrom("頭文字");
    EXPECT_EQ("頭文字|6|7|7", Shape(text));
    text.Release();
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
    // The process ends by the non-continuable bounds exception. A 64-bit
    // process under Wine reports instead that it went on past that exception.
    auto boundsExceeded = [](int code) {
        DWORD c = static_cast<DWORD>(code);
        return c == EXCEPTION_ARRAY_BOUNDS_EXCEEDED || (sizeof(void*) == 8 && c == EXCEPTION_NONCONTINUABLE_EXCEPTION);
    };
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
