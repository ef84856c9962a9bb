#include "ui/window/FileDialog.h"
#include <commdlg.h>

static void Prepare(OPENFILENAMEA* dialog, HWND owner, const char* filter, const char* extension, DWORD flags,
                    char* path, uint32_t size, const char* folder, const char* title)
{
    *dialog = {};
    dialog->lStructSize = sizeof *dialog;
    dialog->hwndOwner = owner;
    dialog->lpstrFilter = filter;
    dialog->lpstrFile = path;
    dialog->nMaxFile = size;
    dialog->lpstrDefExt = extension;
    dialog->lpstrInitialDir = folder;
    dialog->lpstrTitle = title;
    dialog->Flags = flags | OFN_NOCHANGEDIR;
}

bool ChooseFile(HWND owner, const char* filter, const char* extension, DWORD flags, char* path, uint32_t size,
                const char* folder, const char* title)
{
    OPENFILENAMEA dialog;
    Prepare(&dialog, owner, filter, extension, flags, path, size, folder, title);
    return GetOpenFileNameA(&dialog) != FALSE;
}

bool ChooseNewFile(HWND owner, const char* filter, const char* extension, DWORD flags, char* path, uint32_t size,
                   const char* folder, const char* title)
{
    OPENFILENAMEA dialog;
    Prepare(&dialog, owner, filter, extension, flags, path, size, folder, title);
    return GetSaveFileNameA(&dialog) != FALSE;
}

bool ChooseRecordFile(HWND owner, char* path, uint32_t size)
{
    return ChooseFile(owner, DATABASE_FILTER, "db", OFN_CREATEPROMPT, path, size);
}
