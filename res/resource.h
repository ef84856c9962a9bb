// Resource ids shared by the resource script and the code.
#pragma once

// Icons: the program's own, and the tray pictures by watcher state.
#define IDI_VANTORY 120
#define IDI_TRAY_SEARCHING 121
#define IDI_TRAY_WATCHING 122
#define IDI_TRAY_LIMITED 123

// Tray menu (its sub-menu 0 is the popup) and its commands.
#define IDM_TRAY 201
#define ID_SHOW_STATS 40003
#define ID_EXIT 40004
#define ID_LIMITER 40008
#define ID_SHORTCUT_SETTINGS 40017
#define ID_SUSPEND_COUNTING 40019
#define ID_COPY_NOTHING 40024
#define ID_COPY_EVERYTHING 40026
#define ID_COPY_OPPONENT 40027
#define ID_AUTORUN_GAME 40028
#define ID_GAME_PATH 40029
#define ID_AUTORUN_REPORT 40030
#define ID_REPORT_PATH 40031
#define ID_AUTO_EXIT 40032
#define ID_TRAY_FIRST ID_SHOW_STATS
#define ID_TRAY_LAST ID_AUTO_EXIT

// Statistics window.
#define IDD_STATS 108
#define IDC_STATS_LIST 5003

// Custom range dialog: check boxes and their partners.
#define IDD_CUSTOM_RANGE 109
#define IDC_RANGE_OPPONENT_CHECK 5008
#define IDC_RANGE_OPPONENT 5009
#define IDC_RANGE_START_CHECK 5010
#define IDC_RANGE_START 5011
#define IDC_RANGE_END_CHECK 5012
#define IDC_RANGE_END 5013

// System menu entries of the statistics window.
#define IDM_LOAD_PROFILE 0xB000
#define IDM_PERIOD_FIRST 0xD000  // + period: all, today, yesterday, custom
#define IDM_PERIOD_CUSTOM 0xD003
#define IDM_UNDO 0xC000
#define IDM_REDO 0xC001
#define IDM_OPPONENT_TABLE 0xE000
#define IDM_HISTORY 0xE001
#define IDM_COPY_TABLE 0xE010

// System menu entries of a detail window.
#define IDM_DETAIL_REFRESH 0xDEAD
#define IDM_DETAIL_UNDO 0xBEEF
#define IDM_DETAIL_REDO 0xBEAF
#define IDM_DETAIL_COPY 0xFF00

// Commands of the profile shortcut keys: entry i sends ID_SHORTCUT_FIRST + i.
#define ID_SHORTCUT_FIRST 50000
#define ID_SHORTCUT_LAST 50031

// Profile shortcut key dialogs: the list and the edit dialog.
#define IDD_SHORTCUT_LIST 112
#define IDD_SHORTCUT_EDIT 113
#define IDC_SHORTCUT_LIST 5002
#define IDC_SHORTCUT_HOTKEY 5020
#define IDC_SHORTCUT_PATH 5021
#define IDC_SHORTCUT_BROWSE 5022
#define IDC_SHORTCUT_DELETE 5029
#define IDC_SHORTCUT_EDIT 5030
#define IDC_SHORTCUT_ADD 5031

// Match history window, its filter dialog and the opponent profile table
// (which is built on the statistics window's template).
#define IDD_HISTORY_FILTER 114
#define IDD_HISTORY 115
#define IDC_HISTORY_LIST 5032
#define IDC_FILTER_COUNT_SPIN 5002
#define IDC_FILTER_OPPONENT_NAME_CHECK 5008
#define IDC_FILTER_OPPONENT_NAME 5009
#define IDC_FILTER_START_CHECK 5010
#define IDC_FILTER_START 5011
#define IDC_FILTER_END_CHECK 5012
#define IDC_FILTER_END 5013
#define IDC_FILTER_OWN_NAME_CHECK 5023
#define IDC_FILTER_OWN_CHARACTER_CHECK 5024
#define IDC_FILTER_OWN_CHARACTER 5025
#define IDC_FILTER_OWN_NAME 5026
#define IDC_FILTER_OPPONENT_CHARACTER_CHECK 5027
#define IDC_FILTER_OPPONENT_CHARACTER 5028
#define IDC_FILTER_COUNT_CHECK 5030
#define IDC_FILTER_COUNT 5031
#define IDM_REFRESH_OPPONENTS 0xEE00
#define IDC_HISTORY_TOTALS 5033

// The note on one opponent, and where it is written from.
#define IDD_OPPONENT_NOTE 116
#define IDC_NOTE_NAME 5040
#define IDC_NOTE_TEXT 5041
#define IDC_SHORTCUT_NOTE_KEY 5042
#define IDM_OPPONENT_NOTE 0xEE10
#define ID_LAST_OPPONENT_NOTE 40020
