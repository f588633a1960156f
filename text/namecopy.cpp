#include "text/namecopy.h"

namespace {

constexpr uint32_t largestCapacity = 0x7FFFFFFF;

}  // namespace

namecopy copyName(const char16_t* name, char16_t* buffer, uint32_t capacity) {
    if (buffer == nullptr || capacity == 0 || capacity > largestCapacity) return {0, false};
    uint32_t length = 0;
    while (name[length] != u'\0' && length < capacity - 1) {
        buffer[length] = name[length];
        ++length;
    }
    bool complete = name[length] == u'\0';
    buffer[length] = u'\0';
    return {length, complete};
}

namecopy copyChoiceName(const char16_t* const* names, uint32_t count, uint32_t index,
                        char16_t* buffer, uint32_t capacity) {
    return copyName(index < count ? names[index] : u"", buffer, capacity);
}
