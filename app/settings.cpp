#include "app/settings.h"

namespace {

constexpr size_t placeSize = 20;        // left, top, right, bottom, flags
constexpr int32_t largestSide = 32768;  // no desktop is larger

void put(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(uint8_t(value >> shift));
}

uint32_t get(const std::vector<uint8_t>& bytes, size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

std::optional<int32_t> numberIn(const storedvalue& value, uint32_t lowest, uint32_t highest) {
    if (value.type != storedNumber || value.bytes.size() != 4) return std::nullopt;
    const uint32_t number = get(value.bytes, 0);
    if (number < lowest || number > highest) return std::nullopt;
    return int32_t(number);
}

}  // namespace

storedvalue numberValue(uint32_t number) {
    storedvalue value{storedNumber, {}};
    put(value.bytes, number);
    return value;
}

storedvalue placeValue(const windowplace& place) {
    storedvalue value{storedBinary, {}};
    for (int32_t side : {place.left, place.top, place.right, place.bottom}) put(value.bytes, uint32_t(side));
    put(value.bytes, place.maximized ? 1 : 0);
    return value;
}

std::optional<int32_t> rememberedDepth(const storedvalue& value) { return numberIn(value, 1, 8); }

std::optional<int32_t> rememberedEngine(const storedvalue& value) { return numberIn(value, 0, 2); }

std::optional<windowplace> rememberedPlace(const storedvalue& value) {
    if (value.type != storedBinary || value.bytes.size() != placeSize) return std::nullopt;
    const windowplace place = {int32_t(get(value.bytes, 0)), int32_t(get(value.bytes, 4)),
                               int32_t(get(value.bytes, 8)), int32_t(get(value.bytes, 12)),
                               get(value.bytes, 16) == 1};
    const int64_t width = int64_t(place.right) - place.left, height = int64_t(place.bottom) - place.top;
    if (get(value.bytes, 16) > 1 || width <= 0 || height <= 0 || width > largestSide || height > largestSide ||
        place.left < -largestSide || place.top < -largestSide || place.left > largestSide || place.top > largestSide)
        return std::nullopt;
    return place;
}
