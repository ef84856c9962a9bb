#pragma once
#include "base/Platform.h"

// The record database files, as the open-file dialog's filter.
#define DATABASE_FILTER "Vaviradudiz Database (*.db)\0*.db\0"

// The open-file dialog owned by owner, never changing the current directory:
// filter and default extension as given, flags added (OFN_*). path (size
// bytes) gives the initial name and receives the choice. folder (where it
// starts) and title may be null. False on cancel or when the dialog failed
// (CommDlgExtendedError).
bool ChooseFile(HWND owner, const char* filter, const char* extension, DWORD flags, char* path, uint32_t size,
                const char* folder = nullptr, const char* title = nullptr);
// The save-file dialog, alike.
bool ChooseNewFile(HWND owner, const char* filter, const char* extension, DWORD flags, char* path, uint32_t size,
                   const char* folder, const char* title);

// A record database to open: asks before a new file is created.
bool ChooseRecordFile(HWND owner, char* path, uint32_t size);
