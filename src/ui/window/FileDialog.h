#pragma once
#include "base/Platform.h"

// The record database files, as the open-file dialog's filter.
#define DATABASE_FILTER "Vaviradudiz Database (*.db)\0*.db\0"

// The open-file dialog owned by owner, never changing the current directory:
// filter and default extension as given, flags added (OFN_*). path (size
// bytes) gives the initial name and receives the choice. False on cancel or
// when the dialog failed (CommDlgExtendedError).
bool ChooseFile(HWND owner, const char* filter, const char* extension, DWORD flags, char* path, uint32_t size);

// A record database to open: asks before a new file is created.
bool ChooseRecordFile(HWND owner, char* path, uint32_t size);
