#pragma once
#include "base/Messages.h"
#include <shellapi.h>

// Copy modes: what goes to the clipboard after a recorded match.
const int32_t COPY_NOTHING = 0;
const int32_t COPY_OPPONENT_NAME = 1;
const int32_t COPY_RESULT_LINE = 2;

// Process-wide state of the application, owned by the main thread.
struct AppState {
    HINSTANCE instance;
    HWND mainWindow;   // hidden; owns the tray icon
    HWND statsWindow;  // modeless statistics window, created hidden
    HMENU trayMenuBar;
    HMENU trayMenu;    // sub-menu 0 of the tray menu resource
    UINT taskbarCreatedMessage;
    int32_t copyMode;
    uint32_t limiterOn;
    uint32_t limiterCount;
    uint32_t limiterLastOpponent;
    uint32_t countingSuspended;
    uint8_t shortcutDialogOpen;  // the shortcut list dialog exists
    bool noteDialogOpen;         // the note on the last opponent (or why there is none) shows
    bool watcherStarted;
    // Set when start-up completed; only then does shutdown save the settings,
    // so a refused start never overwrites them with defaults.
    bool started;
};

extern AppState App;
