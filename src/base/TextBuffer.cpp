#include "base/TextBuffer.h"

static void ResizeText(TextBuffer* buffer, uint32_t capacity)
{
    buffer->data = static_cast<char*>(buffer->allocator->Reallocate(buffer->data, capacity));
    buffer->capacity = capacity;
}

void TextBuffer::Init()
{
    allocator = &Heap;
    data = static_cast<char*>(allocator->Allocate(1));
    data[0] = '\0';
    capacity = 1;
    length = 0;
}

void TextBuffer::InitFrom(const char* text)
{
    allocator = &Heap;
    length = static_cast<uint32_t>(strlen(text));
    capacity = length + 1;
    data = static_cast<char*>(allocator->Allocate(capacity));
    memcpy(data, text, capacity);
}

void TextBuffer::Assign(const char* text)
{
    uint32_t n = static_cast<uint32_t>(strlen(text));
    // The text may live inside this very buffer: move it before the block can move.
    if (text >= data && text < data + capacity) {
        memmove(data, text, n + 1);
        ResizeText(this, n + 1);
    } else {
        ResizeText(this, n + 1);
        memcpy(data, text, n + 1);
    }
    length = n;
}

void TextBuffer::Append(const char* text)
{
    uint32_t n = static_cast<uint32_t>(strlen(text));
    if (text >= data && text < data + capacity) {
        TextBuffer copy;
        copy.InitFrom(text);
        Append(copy.data);
        copy.Release();
        return;
    }
    ResizeText(this, length + n + 1);
    memcpy(data + length, text, n + 1);
    length += n;
}

void TextBuffer::AppendPath(const char* component)
{
    uint32_t n = static_cast<uint32_t>(strlen(component));
    ResizeText(this, length + n + 2);
    if (length + n + 2 <= MAX_PATH) {
        PathAppendA(data, component);
    } else {
        // PathAppendA gives up past MAX_PATH (and empties the text), but paths
        // here may hold 1024 characters: join them the same way by hand.
        while (*component == '\\')
            ++component;
        // The last character may be a double-byte one whose second byte is
        // 0x5C (as in "表"): only a real single-byte backslash counts.
        char* end = data + length;
        const char* last = CharPrevA(data, end);
        if (end > data && !(last == end - 1 && *last == '\\'))
            *end++ = '\\';
        strcpy(end, component);
    }
    length = static_cast<uint32_t>(strlen(data));
    if (length + 1 != capacity)
        ResizeText(this, length + 1);
}

void TextBuffer::Release()
{
    allocator->Free(data);
    data = nullptr;
    capacity = 0;
    length = 0;
}

void WideTextBuffer::Init()
{
    allocator = &Heap;
    data = static_cast<wchar_t*>(allocator->Allocate(sizeof(wchar_t)));
    data[0] = L'\0';
    capacity = 1;
    length = 0;
}

void WideTextBuffer::Resize(uint32_t count)
{
    data = static_cast<wchar_t*>(allocator->Reallocate(data, count * sizeof(wchar_t)));
    capacity = count;
    if (length >= count)
        length = count - 1;
    data[length] = L'\0';
}

void WideTextBuffer::Release()
{
    allocator->Free(data);
    data = nullptr;
    capacity = 0;
    length = 0;
}
