// Writes BMP files for the reader tests: a sound 8-bit picture by default,
// any header field overridable to make damaged ones.
#pragma once

#include "import/frameencoder.h"
#include "platform/file.h"

#include <cstdint>
#include <string>
#include <vector>

struct testpicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rows;  // stride x height bytes, padding included

    uint16_t bfType = 0x4D42;
    uint32_t bfOffBits = 1078;
    int64_t bfSize = -1;       // -1: bfOffBits + pixel bytes written
    uint32_t biSize = 40;
    uint16_t biBitCount = 8;
    uint32_t biCompression = 0;
    int64_t biSizeImage = -1;  // -1: the pixel bytes written
    size_t truncateTo = SIZE_MAX;  // cut the file after this many bytes
};

inline uint32_t testStride(int32_t width) { return (uint32_t(width) + 3) / 4 * 4; }

// A width x height picture whose pixel (x, y) is `seed + 7x + 13y` and whose
// padding bytes are 0xEE.
inline testpicture patternPicture(int32_t width, int32_t height, uint8_t seed = 0) {
    testpicture picture;
    picture.width = width;
    picture.height = height;
    const uint32_t stride = testStride(width);
    picture.rows.assign(size_t(stride) * uint32_t(height), 0xEE);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            picture.rows[size_t(y) * stride + x] = uint8_t(seed + 7 * x + 13 * y);
    return picture;
}

// The frame payload of `picture` at `depth`, as the encoder writes it.
inline std::vector<uint8_t> encoded(const testpicture& picture, uint32_t depth) {
    std::vector<uint8_t> out(payloadBound(uint32_t(picture.width), uint32_t(picture.height)));
    out.resize(encodeFrame(picture.rows.data(), uint32_t(picture.width), uint32_t(picture.height),
                           testStride(picture.width), depth, out.data()));
    return out;
}

inline std::vector<uint8_t> bmpBytes(const testpicture& picture) {
    std::vector<uint8_t> file;
    auto put16 = [&](uint32_t value) { file.insert(file.end(), {uint8_t(value), uint8_t(value >> 8)}); };
    auto put32 = [&](uint32_t value) {
        put16(value & 0xFFFF);
        put16(value >> 16);
    };
    const uint32_t pixelBytes = uint32_t(picture.rows.size());
    put16(picture.bfType);
    put32(picture.bfSize >= 0 ? uint32_t(picture.bfSize) : picture.bfOffBits + pixelBytes);
    put32(0);
    put32(picture.bfOffBits);
    put32(picture.biSize);
    put32(uint32_t(picture.width));
    put32(uint32_t(picture.height));
    put16(1);
    put16(picture.biBitCount);
    put32(picture.biCompression);
    put32(picture.biSizeImage >= 0 ? uint32_t(picture.biSizeImage) : pixelBytes);
    put32(2835);
    put32(2835);
    put32(256);
    put32(0);
    for (uint32_t level = 0; level < 256; ++level) put32(level * 0x010101);
    file.resize(picture.bfOffBits > file.size() ? picture.bfOffBits : file.size(), 0xEE);
    file.insert(file.end(), picture.rows.begin(), picture.rows.end());
    if (picture.truncateTo < file.size()) file.resize(picture.truncateTo);
    return file;
}

// A file in the temporary folder, removed when the test ends.
struct scratchbmp {
    std::u16string path = makeUniqueFile(temporaryFolder(), u"BMP");

    explicit scratchbmp(const std::vector<uint8_t>& content) {
        filehandle file = createFile(path.c_str(), fileshare::none);
        if (!content.empty()) file.writeAt(0, content.data(), uint32_t(content.size()));
    }
    explicit scratchbmp(const testpicture& picture) : scratchbmp(bmpBytes(picture)) {}
    ~scratchbmp() { removeFile(path.c_str()); }
    scratchbmp(const scratchbmp&) = delete;
    scratchbmp& operator=(const scratchbmp&) = delete;
};
