#pragma once
#include "base/Platform.h"

// The report's menu for record files and live files: joining the record with
// a backup or another PC's record into a new file, repairing a damaged record
// into a new file, and the switch and folder of the live files that vty.exe
// writes for stream programs.

// The report window's property naming the record it shows (code page text).
// Without it the merge asks for the first record as well.
#define RECORD_PATH_PROPERTY "VtyRecordPath"

const UINT ID_TOOLS_MERGE = 40110;
const UINT ID_TOOLS_LIVE_FILES = 40111;
const UINT ID_TOOLS_LIVE_FOLDER_OPEN = 40112;
const UINT ID_TOOLS_LIVE_FOLDER_CHOOSE = 40113;
const UINT ID_TOOLS_REPAIR = 40114;

// Appends the popup to the report's menu bar.
void AppendRecordToolsMenu(HMENU bar);
// Runs one of the commands above for the report window; false when id is
// none of them.
bool HandleRecordToolsCommand(HWND window, UINT id);
// Sets the live files' check mark and folder text as vty.ini has them now;
// before the popup opens (any other menu is left as it is).
void UpdateRecordToolsMenu(HMENU menu);

// Repairs the damaged record at path (code page text) into a new file that
// the player names: its readable rows joined with its newest good backup.
// Asks before it writes, and tells what came from where; neither the
// damaged file nor the backup is changed. owner may be null.
void RepairRecord(HWND owner, const char* path);
