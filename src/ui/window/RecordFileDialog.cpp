#include "ui/window/RecordFileDialog.h"
#include <commdlg.h>

#define DATABASE_FILTER "Vaviradudiz Database (*.db)\0*.db\0"

bool ChooseRecordFile(HWND owner, char* path, uint32_t size)
{
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = DATABASE_FILTER;
    dialog.lpstrFile = path;
    dialog.nMaxFile = size;
    dialog.lpstrDefExt = "db";
    dialog.Flags = OFN_CREATEPROMPT | OFN_NOCHANGEDIR;
    return GetOpenFileNameA(&dialog) != FALSE;
}
