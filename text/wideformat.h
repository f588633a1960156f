// Bounded printf-style formatting of UTF-16 text, with the conventions of the
// Windows runtime's _vsnwprintf: "%s" takes a UTF-16 string, "%d"/"%i" a
// 32-bit int, "%u" a 32-bit unsigned, "%%" gives '%'; the flags '-' and '0'
// and a decimal width may come between '%' and the conversion.
// The values travel as a typed list, so a pattern that asks for more values
// than were given, or for the wrong kind, cannot read beyond them: such a
// conversion, like any conversion this formatter does not know, is copied to
// the output as it stands and uses no value.
#pragma once

#include <cstdint>
#include <initializer_list>

class formatvalue {
public:
    formatvalue(const char16_t* text) : text(text), isText(true) {}
    formatvalue(int32_t number) : number(static_cast<uint32_t>(number)) {}
    formatvalue(uint32_t number) : number(number) {}

    const char16_t* text = nullptr;
    // The bits of the number; the conversion decides whether they are signed,
    // as with a C variadic argument.
    uint32_t number = 0;
    bool isText = false;
};

// Formats `pattern` into `out`, writing at most capacity - 1 characters and a
// terminator behind them; a longer result is cut. Returns the number of
// characters before the terminator. Writes nothing when capacity < 1.
int32_t formatBounded(char16_t* out, int32_t capacity, const char16_t* pattern,
                      std::initializer_list<formatvalue> values);
