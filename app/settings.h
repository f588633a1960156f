// What the program remembers for the user between runs: the data depth, the
// engine and where the main window was. Each value is taken only when it is
// sound; anything else in the store (a damaged or foreign value) is ignored,
// and the program starts as it would the first time.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// A value as the store keeps it: its type (as the registry numbers them)
// and its bytes.
struct storedvalue {
    uint32_t type = 0;
    std::vector<uint8_t> bytes;
};

constexpr uint32_t storedBinary = 3;  // REG_BINARY
constexpr uint32_t storedNumber = 4;  // REG_DWORD, little-endian

// The main window's place on the desktop, outside its maximised state.
struct windowplace {
    int32_t left, top, right, bottom;
    bool maximized;
};

storedvalue numberValue(uint32_t number);
storedvalue placeValue(const windowplace& place);

std::optional<int32_t> rememberedDepth(const storedvalue& value);   // 1 to 8
std::optional<int32_t> rememberedEngine(const storedvalue& value);  // 0 GDI, 1 GDI+, 2 Direct2D
std::optional<windowplace> rememberedPlace(const storedvalue& value);
