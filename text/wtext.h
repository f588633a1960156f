// A growable UTF-16 text, always terminated: paths, file names, resource
// strings, the window title and log lines. Lengths and capacities count
// UTF-16 units; the capacity includes the terminator.
#pragma once

#include "text/wideformat.h"

#include <cstdint>
#include <initializer_list>

class wtext {
public:
    // Capacity 256, or the text's length + 128 when it is longer; a null
    // text counts as empty.
    explicit wtext(const char16_t* text);
    // Empty, with room for capacity - 1 characters (never less than none).
    explicit wtext(int32_t capacity);
    ~wtext() { release(); }

    wtext(wtext&& other) noexcept;
    wtext& operator=(wtext&& other) noexcept;
    wtext(const wtext&) = delete;
    wtext& operator=(const wtext&) = delete;

    // Growing keeps at least 128 characters of slack, so that repeated
    // appends do not reallocate each time. A null text counts as empty.
    void assign(const char16_t* text);
    void append(const char16_t* text);
    void append(const wtext& other);

    // Formats into the present storage (see wideformat.h), never growing it:
    // a longer result is cut to capacity - 1 characters.
    //   t.format(u"Total %d files exists.", total);
    template <class... Values>
    void format(const char16_t* pattern, const Values&... values) {
        formatValues(pattern, {values...});
    }

    // Frees the storage: data becomes null, capacity and length 0. The
    // operations above work on a released text as on an empty one without
    // room (format then writes nothing).
    void release();

    char16_t* data = nullptr;
    int32_t capacity = 0;
    int32_t length = 0;

private:
    void formatValues(const char16_t* pattern, std::initializer_list<formatvalue> values);
    void put(int32_t at, const char16_t* text, int32_t count, int64_t grownCapacity);
};
