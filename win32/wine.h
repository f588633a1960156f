// Whether the program runs under Wine. Where Wine's rendition of a drawing
// interface makes the usual way of using it wrong or very slow, an engine
// takes another way there (see the engines).
#pragma once

#include <windows.h>

inline bool runningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// How an engine presents its picture: chosen once, where engines are made,
// so that either way can run anywhere.
enum class presentway { windows, wine };

inline presentway platformWay() {
    return runningUnderWine() ? presentway::wine : presentway::windows;
}
