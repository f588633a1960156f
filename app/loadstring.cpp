#include "app/loadstring.h"

#include <windows.h>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 text is UTF-16");

wtext loadString(uint32_t id) {
    wtext text(100);
    const int loaded = LoadStringW(GetModuleHandleW(nullptr), id,
                                   reinterpret_cast<wchar_t*>(text.data), text.capacity);
    text.length = loaded > 0 ? loaded : 0;
    text.data[text.length] = 0;
    return text;
}
