#include "text/wtext.h"

#include "text/fatal.h"

#include <algorithm>
#include <cstring>
#include <new>

// Storage that cannot be had, or a size beyond 32 bits, ends the process:
// none of the callers could carry on with a text it did not get.
namespace {

constexpr int32_t slack = 128;
constexpr int32_t smallCapacity = 256;

char16_t* allocate(int64_t capacity) {
    if (capacity > INT32_MAX) fatal();
    char16_t* storage = new (std::nothrow) char16_t[static_cast<size_t>(capacity)];
    if (!storage) fatal();
    return storage;
}

int32_t lengthOf(const char16_t* text) {
    if (!text) return 0;
    size_t length = 0;
    while (text[length]) ++length;
    if (length > static_cast<size_t>(INT32_MAX - slack)) fatal();
    return static_cast<int32_t>(length);
}

}  // namespace

wtext::wtext(const char16_t* text) {
    const int32_t length = lengthOf(text);
    put(0, text, length, length < smallCapacity ? smallCapacity : int64_t{length} + slack);
}

wtext::wtext(int32_t capacity)
    : data(allocate(std::max(capacity, 1))), capacity(std::max(capacity, 1)) {
    data[0] = 0;
}

wtext::wtext(wtext&& other) noexcept
    : data(other.data), capacity(other.capacity), length(other.length) {
    other.data = nullptr;
    other.capacity = 0;
    other.length = 0;
}

wtext& wtext::operator=(wtext&& other) noexcept {
    if (this != &other) {
        release();
        std::swap(data, other.data);
        std::swap(capacity, other.capacity);
        std::swap(length, other.length);
    }
    return *this;
}

void wtext::assign(const char16_t* text) {
    const int32_t count = lengthOf(text);
    put(0, text, count, int64_t{count} + slack);
}

void wtext::append(const char16_t* text) {
    const int32_t count = lengthOf(text);
    put(length, text, count, int64_t{capacity} + count + slack);
}

void wtext::append(const wtext& other) {
    put(length, other.data, other.length, int64_t{capacity} + other.capacity);
}

void wtext::formatValues(const char16_t* pattern, std::initializer_list<formatvalue> values) {
    if (capacity < 1) return;
    length = formatBounded(data, capacity, pattern, values);
}

void wtext::release() {
    delete[] data;
    data = nullptr;
    capacity = 0;
    length = 0;
}

// Writes `count` characters of `text` at index `at` and terminates there.
// When they do not fit, the first `at` characters move to new storage of
// `grownCapacity` (or just enough, if that is more). `text` may lie in the
// old storage: it is read before that is freed.
void wtext::put(int32_t at, const char16_t* text, int32_t count, int64_t grownCapacity) {
    const int64_t needed = int64_t{at} + count + 1;
    if (capacity < needed) {
        const int64_t grown = std::max(grownCapacity, needed);
        char16_t* storage = allocate(grown);
        if (at > 0) std::memcpy(storage, data, at * sizeof(char16_t));
        if (count > 0) std::memcpy(storage + at, text, count * sizeof(char16_t));
        delete[] data;
        data = storage;
        capacity = static_cast<int32_t>(grown);
    } else if (count > 0) {
        std::memmove(data + at, text, count * sizeof(char16_t));
    }
    length = at + count;
    data[length] = 0;
}
