#include "ui/shortcuts/ShortcutList.h"

GrowArray<ShortcutEntry> ShortcutList;

bool GetShortcut(uint32_t index, ShortcutEntry* entry)
{
    if (index >= ShortcutList.count)
        return false;
    *entry = ShortcutList.At(index);
    return true;
}
