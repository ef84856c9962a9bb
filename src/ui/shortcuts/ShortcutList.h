#pragma once
#include "base/GrowArray.h"

const uint32_t SHORTCUT_PATH_SIZE = 1025;

// One profile shortcut: a key bound to a record database file.
struct ShortcutEntry {
    char path[SHORTCUT_PATH_SIZE];
    uint16_t key;  // virtual key in the low byte, accelerator flags in the high byte
};

// The bindings of this run, in the order of the settings file.
extern GrowArray<ShortcutEntry> ShortcutList;

// Copies entry index out of the list; false when index is not below the count.
bool GetShortcut(uint32_t index, ShortcutEntry* entry);
