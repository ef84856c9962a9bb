#pragma once
#include "base/HeapAllocator.h"

// Text of the system code page in a block sized exactly to it: every change
// resizes the block to length + 1 bytes. Plain record; Init before use,
// Release after. Two buffers never share a block.
struct TextBuffer {
    Allocator* allocator;
    char* data;         // always terminated once initialised
    uint32_t capacity;  // bytes of data, terminator included
    uint32_t length;    // characters, terminator excluded

    void Init();
    void InitFrom(const char* text);
    void Assign(const char* text);
    void Append(const char* text);
    // Appends a path component with exactly one backslash before it.
    void AppendPath(const char* component);
    void Release();
};

// 16-bit text; only the temporary of the database path conversion.
struct WideTextBuffer {
    Allocator* allocator;
    wchar_t* data;
    uint32_t capacity;  // characters, terminator included
    uint32_t length;

    void Init();
    // Makes room for exactly count characters (terminator included).
    void Resize(uint32_t count);
    void Release();
};
