#pragma once
#include "base/GrowArray.h"
#include "base/TextBuffer.h"

const uint32_t SHORTCUT_PATH_SIZE = 1025;
// Entry i is bound to command ID_SHORTCUT_FIRST + i.
const uint32_t SHORTCUT_LIMIT = 32;

// Modifier flags in the high byte of a key code, as the accelerator table has them.
const uint16_t SHORTCUT_SHIFT = 0x04;
const uint16_t SHORTCUT_CTRL = 0x08;
const uint16_t SHORTCUT_ALT = 0x10;
const uint16_t SHORTCUT_EXTENDED = 0x20;

// One profile shortcut: a key bound to a record database file.
struct ShortcutEntry {
    char path[SHORTCUT_PATH_SIZE];
    uint16_t key;  // virtual key in the low byte, accelerator flags in the high byte; 0 is no key
};

// The bindings of this run, in the order of the settings file.
extern GrowArray<ShortcutEntry> ShortcutList;
// The accelerator table built from the list; null while the list is empty.
extern HACCEL ShortcutAccelerators;
// The key that opens the note on the last opponent from any program (the
// player is in the game then), as a key code; 0 is none.
extern uint16_t NoteShortcutKey;
// The key is registered: another program may have held it at the start.
extern bool NoteShortcutActive;
// The hot key's id on the window that gets its WM_HOTKEY.
const int NOTE_HOTKEY_ID = 1;

// Between a key code and the hot-key control's value, whose high byte holds
// Shift 0x01, Ctrl 0x02, Alt 0x04, extended 0x08.
uint16_t ShortcutKeyFromHotKey(uint16_t hotKey);
uint16_t HotKeyFromShortcutKey(uint16_t key);

// Reads [Shortcut] Key0/Path0 ... up to the first missing pair (at most 32)
// and puts them into force, and the note key as hot key of window (one that
// another program holds stays the setting, unused).
void LoadShortcuts(HWND window);
// Writes the list to [Shortcut] and deletes the pair after the last entry.
void SaveShortcuts();
// Makes key (0: none) the note key, as hot key of window. False, the old key
// kept as it was, when it cannot be registered (another program has it).
bool SetNoteShortcut(HWND window, uint16_t key);
// Builds the accelerator table for entries and makes them the list. When the
// table cannot be built, the old table and list stay; returns false then.
bool RebuildShortcuts(const ShortcutEntry* entries, uint32_t count);
// Destroys the accelerator table (at shutdown); the list stays.
void DestroyShortcutTable();

// Copies entry index out of the list; false when index is not below the count.
bool GetShortcut(uint32_t index, ShortcutEntry* entry);

// Appends the display text of a key code to name: "Ctrl + Alt + Shift + key"
// in that order, with the keyboard layout's own key names. False when a name
// could not be had; name then holds what came before it.
bool ShortcutKeyName(uint16_t key, TextBuffer* name);
