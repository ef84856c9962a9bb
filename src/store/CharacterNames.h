#pragma once
#include "store/RecordQueries.h"

// Names of character ids 0..19; callers pass only those ids.
const char* CharacterFullName(int32_t id);
const char* CharacterShortName(int32_t id);
