// How the engines hand out setting and choice names: into the caller's
// UTF-16 buffer, cut to fit and always terminated.
#pragma once

#include <cstdint>

struct namecopy {
    uint32_t length;  // units written before the terminator
    bool complete;    // the whole name fitted
};

// Copies `name` up to its terminator or until capacity - 1 units are
// written, then terminates. A capacity of 0, or one above 2^31 - 1 (a
// negative count seen as unsigned), or a null buffer writes nothing.
namecopy copyName(const char16_t* name, char16_t* buffer, uint32_t capacity);

// The name of choice `index` from a table of `count` names; an index at or
// beyond the count copies the empty name.
namecopy copyChoiceName(const char16_t* const* names, uint32_t count, uint32_t index,
                        char16_t* buffer, uint32_t capacity);
