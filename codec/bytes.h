// The arithmetic every reader and writer of bitmaps and animation files
// shares: little-endian fields, the row stride and the largest frame.
#pragma once

#include <cstdint>

inline uint16_t loadLittle16(const uint8_t* bytes) { return uint16_t(bytes[0] | bytes[1] << 8); }

inline uint32_t loadLittle32(const uint8_t* bytes) {
    return loadLittle16(bytes) | uint32_t(loadLittle16(bytes + 2)) << 16;
}

inline void storeLittle16(uint16_t value, uint8_t* bytes) {
    bytes[0] = uint8_t(value);
    bytes[1] = uint8_t(value >> 8);
}

inline void storeLittle32(uint32_t value, uint8_t* bytes) {
    storeLittle16(uint16_t(value), bytes);
    storeLittle16(uint16_t(value >> 16), bytes + 2);
}

// The bytes of one row of 8-bit pixels: bitmap rows are padded to whole
// 32-bit words.
constexpr uint64_t rowStride(uint64_t width) { return (width + 3) & ~uint64_t(3); }

// The most pixels any frame or picture of the program has: 2^28, as many as
// 16384 x 16384. A run-length stream can describe any size in a few bytes, so
// a size read from a file is held to this before anything is allocated.
constexpr uint64_t maxFramePixels = uint64_t(1) << 28;

// Whichever way the rows run: a negative height is as many rows top-down.
inline bool frameTooLarge(int64_t width, int64_t height) {
    const uint64_t columns = uint64_t(width < 0 ? -width : width);
    const uint64_t rows = uint64_t(height < 0 ? -height : height);
    return columns * rows > maxFramePixels;  // both below 2^32: no overflow
}
