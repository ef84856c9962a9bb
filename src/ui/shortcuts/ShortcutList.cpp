#include "ui/shortcuts/ShortcutList.h"
#include "base/Settings.h"
#include "base/TextUtil.h"
#include "res/resource.h"

GrowArray<ShortcutEntry> ShortcutList;
HACCEL ShortcutAccelerators;
uint16_t NoteShortcutKey;
bool NoteShortcutActive;

uint16_t ShortcutKeyFromHotKey(uint16_t hotKey)
{
    uint16_t flags = static_cast<uint16_t>(((hotKey >> 8) << 2) & 0xFF);
    return static_cast<uint16_t>((flags << 8) | (hotKey & 0xFF));
}

uint16_t HotKeyFromShortcutKey(uint16_t key)
{
    return static_cast<uint16_t>(((key >> 10) << 8) | (key & 0xFF));
}

// MOD_NOREPEAT, from Windows 7 on; older ones refuse the flag.
const UINT HOT_KEY_NO_REPEAT = 0x4000;

// A key code as RegisterHotKey takes it; no repeats while the key is held.
static bool RegisterNoteKey(HWND window, uint16_t key)
{
    UINT modifiers = ((key >> 8) & SHORTCUT_SHIFT ? MOD_SHIFT : 0) | ((key >> 8) & SHORTCUT_CTRL ? MOD_CONTROL : 0) |
                     ((key >> 8) & SHORTCUT_ALT ? MOD_ALT : 0);
    return RegisterHotKey(window, NOTE_HOTKEY_ID, modifiers | HOT_KEY_NO_REPEAT, key & 0xFF) ||
           RegisterHotKey(window, NOTE_HOTKEY_ID, modifiers, key & 0xFF);
}

bool SetNoteShortcut(HWND window, uint16_t key)
{
    UnregisterHotKey(window, NOTE_HOTKEY_ID);
    if (key && !RegisterNoteKey(window, key)) {
        if (NoteShortcutActive)
            RegisterNoteKey(window, NoteShortcutKey);
        return false;
    }
    NoteShortcutKey = key;
    NoteShortcutActive = key != 0;
    return true;
}

void LoadShortcuts(HWND window)
{
    NoteShortcutKey = static_cast<uint16_t>(ReadSettingInt(SECTION_SHORTCUT, KEY_SHORTCUT_NOTE, 0));
    NoteShortcutActive = NoteShortcutKey && RegisterNoteKey(window, NoteShortcutKey);
    GrowArray<ShortcutEntry> entries;
    entries.Init();
    for (uint32_t i = 0; i < SHORTCUT_LIMIT; ++i) {
        char name[FORMAT_TEXT_LIMIT];
        ShortcutEntry entry;
        entry.key = static_cast<uint16_t>(ReadSettingInt(SECTION_SHORTCUT, FormatText(name, KEY_SHORTCUT_KEY, i), 0));
        if (entry.key == 0)
            break;
        if (ReadSettingText(SECTION_SHORTCUT, FormatText(name, KEY_SHORTCUT_PATH, i), "", entry.path,
                            sizeof entry.path) == 0)
            break;
        entries.Append(entry);
    }
    RebuildShortcuts(entries.data, entries.count);
    entries.Clear();
}

void SaveShortcuts()
{
    char name[FORMAT_TEXT_LIMIT];
    uint32_t count = ShortcutList.count;
    if (NoteShortcutKey)
        WriteSettingInt(SECTION_SHORTCUT, KEY_SHORTCUT_NOTE, NoteShortcutKey);
    else
        WriteSettingText(SECTION_SHORTCUT, KEY_SHORTCUT_NOTE, nullptr);
    for (uint32_t i = 0; i < count; ++i) {
        const ShortcutEntry& entry = ShortcutList.At(i);
        WriteSettingInt(SECTION_SHORTCUT, FormatText(name, KEY_SHORTCUT_KEY, i), entry.key);
        WriteSettingText(SECTION_SHORTCUT, FormatText(name, KEY_SHORTCUT_PATH, i), entry.path);
    }
    // The next load stops at the gap; longer old lists beyond it are never read.
    WriteSettingText(SECTION_SHORTCUT, FormatText(name, KEY_SHORTCUT_KEY, count), nullptr);
    WriteSettingText(SECTION_SHORTCUT, FormatText(name, KEY_SHORTCUT_PATH, count), nullptr);
}

bool RebuildShortcuts(const ShortcutEntry* entries, uint32_t count)
{
    HACCEL table = nullptr;
    if (count > 0) {
        GrowArray<ACCEL> accelerators;
        accelerators.Init();
        for (uint32_t i = 0; i < count; ++i) {
            ACCEL accelerator;
            accelerator.fVirt = static_cast<BYTE>((entries[i].key >> 8) | FVIRTKEY | FNOINVERT);
            accelerator.key = static_cast<WORD>(entries[i].key & 0xFF);
            accelerator.cmd = static_cast<WORD>(ID_SHORTCUT_FIRST + i);
            accelerators.Append(accelerator);
        }
        table = CreateAcceleratorTableA(accelerators.data, static_cast<int>(count));
        accelerators.Clear();
        if (!table)
            return false;
    }
    DestroyShortcutTable();
    ShortcutAccelerators = table;
    ShortcutList.Clear();
    for (uint32_t i = 0; i < count; ++i)
        ShortcutList.Append(entries[i]);
    return true;
}

void DestroyShortcutTable()
{
    if (ShortcutAccelerators)
        DestroyAcceleratorTable(ShortcutAccelerators);
    ShortcutAccelerators = nullptr;
}

bool GetShortcut(uint32_t index, ShortcutEntry* entry)
{
    if (index >= ShortcutList.count)
        return false;
    *entry = ShortcutList.At(index);
    return true;
}

// Appends the layout's name of a virtual key; false when it has none.
static bool AppendKeyName(UINT virtualKey, TextBuffer* name)
{
    char text[32] = "";
    LONG scanCode = static_cast<LONG>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
    if (GetKeyNameTextA(scanCode << 16, text, sizeof text) <= 0 || text[0] == '\0')
        return false;
    name->Append(text);
    return true;
}

bool ShortcutKeyName(uint16_t key, TextBuffer* name)
{
    uint16_t flags = key >> 8;
    const struct {
        uint16_t flag;
        UINT virtualKey;
    } modifiers[] = {{SHORTCUT_CTRL, VK_CONTROL}, {SHORTCUT_ALT, VK_MENU}, {SHORTCUT_SHIFT, VK_SHIFT}};
    for (const auto& modifier : modifiers) {
        if (!(flags & modifier.flag))
            continue;
        if (!AppendKeyName(modifier.virtualKey, name))
            return false;
        name->Append(" + ");
    }
    return AppendKeyName(key & 0xFF, name);
}
