// Where the user's settings live: values under HKEY_CURRENT_USER, in the
// program's own key.
#pragma once

#include "app/settings.h"

extern const wchar_t* const settingsKey;  // below HKEY_CURRENT_USER

// The value `name`, or an empty one (type 0) when there is none.
storedvalue readSetting(const wchar_t* name);
// Failures are not reported: the program then starts as at a first run.
void writeSetting(const wchar_t* name, const storedvalue& value);
