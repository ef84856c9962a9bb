#include "base/TextUtil.h"
#include <stdarg.h>

bool CopyTextToClipboard(const char* text, int length)
{
    if (length < 0)
        length = static_cast<int>(strlen(text));
    if (!OpenClipboard(nullptr))
        return false;
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(length) + 1);
    if (!block) {
        CloseClipboard();
        return false;
    }
    char* copy = static_cast<char*>(block);
    memcpy(copy, text, static_cast<size_t>(length));
    copy[length] = '\0';
    EmptyClipboard();
    // The clipboard owns the block only when it took it.
    bool taken = SetClipboardData(CF_TEXT, block) != nullptr;
    if (!taken)
        GlobalFree(block);
    CloseClipboard();
    return taken;
}

char* FormatText(char* output, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    wvnsprintfA(output, FORMAT_TEXT_LIMIT, format, args);
    va_end(args);
    return output;
}

int32_t CutToWholeCharacters(char* text, int32_t limit)
{
    int32_t length = 0;
    while (length < limit && text[length]) {
        int32_t size = IsDBCSLeadByteEx(932, static_cast<BYTE>(text[length])) ? 2 : 1;
        if (length + size > limit || (size == 2 && !text[length + 1]))
            break;
        length += size;
    }
    text[length] = '\0';
    return length;
}
