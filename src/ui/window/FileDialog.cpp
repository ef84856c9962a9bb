#include "ui/window/FileDialog.h"
#include <commdlg.h>

bool ChooseFile(HWND owner, const char* filter, const char* extension, DWORD flags, char* path, uint32_t size)
{
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = path;
    dialog.nMaxFile = size;
    dialog.lpstrDefExt = extension;
    dialog.Flags = flags | OFN_NOCHANGEDIR;
    return GetOpenFileNameA(&dialog) != FALSE;
}

bool ChooseRecordFile(HWND owner, char* path, uint32_t size)
{
    return ChooseFile(owner, DATABASE_FILTER, "db", OFN_CREATEPROMPT, path, size);
}
