#include "codec/frameinfo.h"

frameinfo buildFrameInfo(int32_t width, int32_t height, uint32_t size) {
    frameinfo info{};  // resolutions and colour counts stay 0
    storeLittle32(uint32_t(dibHeaderSize), info.bytes + 0);
    storeLittle32(uint32_t(width), info.bytes + 4);
    storeLittle32(uint32_t(height), info.bytes + 8);
    storeLittle16(1, info.bytes + 12);  // planes
    storeLittle16(8, info.bytes + 14);  // bits per pixel
    storeLittle32(dibCompressionRle8, info.bytes + 16);
    storeLittle32(size, info.bytes + 20);
    for (uint32_t level = 0; level < 256; ++level) {
        uint8_t* entry = info.bytes + dibHeaderSize + 4 * level;
        entry[0] = entry[1] = entry[2] = uint8_t(level);  // blue, green, red; reserved stays 0
    }
    return info;
}

dibshape readDibShape(const uint8_t* header) {
    return {int32_t(loadLittle32(header + 4)), int32_t(loadLittle32(header + 8)),
            loadLittle16(header + 14), loadLittle32(header + 16)};
}

bool wholeRowsFit(const dibshape& shape, uint32_t size) {
    if (shape.bitsPerPixel != 8 || shape.compression != dibCompressionRgb || shape.width <= 0 ||
        shape.height == 0 || shape.height == INT32_MIN) {
        return false;
    }
    const uint64_t stride = rowStride(uint64_t(shape.width));
    const uint64_t rows = uint64_t(shape.height < 0 ? -int64_t(shape.height) : shape.height);
    return !frameTooLarge(shape.width, shape.height) && stride * rows <= size;
}
