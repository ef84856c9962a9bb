#pragma once
#include "base/ProgramPaths.h"

// The settings file beside the executable (SettingsPath), read and written one key
// at a time at the moment a value is needed; nothing is cached.

#define SECTION_GENERAL "General"
#define KEY_PROFILE "Profile"
#define KEY_TCG_LIMIT "tcgLimit"
#define KEY_INFO_TRANS_READ "infoTrans"
#define KEY_INFO_TRANS_WRITE "InfoTrans"

#define SECTION_SHORTCUT "Shortcut"
#define KEY_SHORTCUT_KEY "Key%d"
#define KEY_SHORTCUT_PATH "Path%d"
#define KEY_SHORTCUT_NOTE "NoteKey"

#define SECTION_AUTORUN "Autorun"

// Text files for stream programs (OBS "read from file" sources), off unless
// switched on; written by vty.exe, switched from the report tool.
#define SECTION_LIVE_FILES "LiveFiles"
#define KEY_LIVE_ENABLED "Enabled"  // 1 on, anything else off
#define KEY_LIVE_FOLDER "Folder"    // empty or missing: "live" beside the executable
#define DEFAULT_LIVE_FOLDER_NAME "live"
#define KEY_LIVE_SHOW_NOTES "ShowNotes"  // 1: the note on the opponent in opponent.txt too

// The warning at start on a Windows whose code page is not 932: "0" once
// the player asked not to see it again; missing, it is shown.
#define KEY_CODE_PAGE_WARNING "CodePageWarning"

#define SECTION_STATS_WINDOW "QIBDlg.Display"
#define KEY_WINDOW_X "X"
#define KEY_WINDOW_Y "Y"
// Read for X and Y when the window has no saved position.
const int32_t NO_SAVED_POSITION = INT32_MIN;

// Text buffer sizes of the values, terminator included.
const uint32_t SETTING_PATH_SIZE = PROGRAM_PATH_SIZE;
const uint32_t SETTING_FILE_NAME_SIZE = 260;

// text null deletes the key. Failures are not reported.
void WriteSettingText(const char* section, const char* key, const char* text);
void WriteSettingInt(const char* section, const char* key, int32_t value);

// Reads into output (size bytes), cutting a longer text; returns its length.
uint32_t ReadSettingText(const char* section, const char* key, const char* fallback,
                         char* output, uint32_t size);
// Decimal with optional sign; fallback when the key or file is missing.
int32_t ReadSettingInt(const char* section, const char* key, int32_t fallback);

// Whether the live files are switched on, read now.
bool LiveFilesEnabled();
// The live files' folder (the setting, or the default beside the executable)
// into output; returns its length.
uint32_t ReadLiveFolder(char* output, uint32_t size);
