// The program's string resources, read into texts.
#pragma once

#include "text/wtext.h"

#include <cstdint>

// String resource `id` of the program, in a text of capacity 100: cut at 99
// characters, empty when there is no such string.
wtext loadString(uint32_t id);
