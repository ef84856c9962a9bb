#include "ui/shortcuts/ShortcutList.h"

GrowArray<ShortcutEntry> ShortcutList;
