#include "engines/frameinfo.h"

namespace {

void put16(uint8_t* at, uint16_t value) {
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
}

void put32(uint8_t* at, uint32_t value) {
    put16(at, uint16_t(value));
    put16(at + 2, uint16_t(value >> 16));
}

uint16_t get16(const uint8_t* at) { return uint16_t(at[0] | at[1] << 8); }

uint32_t get32(const uint8_t* at) { return get16(at) | uint32_t(get16(at + 2)) << 16; }

}  // namespace

frameinfo buildFrameInfo(int32_t width, int32_t height, uint32_t size) {
    frameinfo info{};  // resolutions and colour counts stay 0
    put32(info.bytes + 0, uint32_t(dibHeaderSize));
    put32(info.bytes + 4, uint32_t(width));
    put32(info.bytes + 8, uint32_t(height));
    put16(info.bytes + 12, 1);  // planes
    put16(info.bytes + 14, 8);  // bits per pixel
    put32(info.bytes + 16, dibCompressionRle8);
    put32(info.bytes + 20, size);
    for (uint32_t level = 0; level < 256; ++level) {
        uint8_t* entry = info.bytes + dibHeaderSize + 4 * level;
        entry[0] = entry[1] = entry[2] = uint8_t(level);  // blue, green, red; reserved stays 0
    }
    return info;
}

dibshape readDibShape(const uint8_t* header) {
    return {int32_t(get32(header + 4)), int32_t(get32(header + 8)), get16(header + 14),
            get32(header + 16)};
}

bool wholeRowsFit(const dibshape& shape, uint32_t size) {
    if (shape.bitsPerPixel != 8 || shape.compression != dibCompressionRgb || shape.width <= 0 ||
        shape.height == 0 || shape.height == INT32_MIN) {
        return false;
    }
    const uint64_t stride = (uint64_t(shape.width) + 3) & ~uint64_t(3);
    const uint64_t rows = uint64_t(shape.height < 0 ? -int64_t(shape.height) : shape.height);
    return !frameTooLarge(shape.width, shape.height) && stride * rows <= size;
}
