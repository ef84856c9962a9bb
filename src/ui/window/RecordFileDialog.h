#pragma once
#include "base/Platform.h"

// The open-file dialog for a record database: "*.db" files, default
// extension "db", asks before a new file is created, never changes the
// current directory. path (size bytes) gives the initial name and receives
// the choice. False on cancel or when the dialog failed (CommDlgExtendedError).
bool ChooseRecordFile(HWND owner, char* path, uint32_t size);
