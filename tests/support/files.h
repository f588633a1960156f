// The tests' inputs: animation files, BMP pictures, series, scratch folders.
#pragma once

#include "platform/file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using bytes = std::vector<uint8_t>;
using lines = std::vector<std::string>;
using text16 = std::u16string;

inline void put(bytes& out, uint32_t value, int size = 4) {
    for (int i = 0; i < size; ++i) out.push_back(uint8_t(value >> 8 * i));
}

inline bytes randomBytes(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    bytes out(count);
    for (uint8_t& byte : out) byte = uint8_t(random());
    return out;
}

inline bytes joined(const std::vector<bytes>& parts) {
    bytes all;
    for (const bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

using entries = std::vector<std::pair<uint32_t, uint32_t>>;

// A header counting `count` frames (the entries' unless given), the entries, `rest`.
inline bytes mrvBytes(int32_t width, int32_t height, const entries& index, const bytes& rest,
                      uint32_t bits = 8, int64_t count = -1) {
    bytes out = {'M', 'o', 'R', 'v'};
    put(out, uint32_t(count < 0 ? int64_t(index.size()) : count));
    for (int32_t field : {width, height, int32_t(bits)}) put(out, uint32_t(field));
    for (const auto& [offset, size] : index) put(out, offset), put(out, size);
    return joined({out, rest});
}

// The file the program writes for these payloads.
inline bytes soundMrv(int32_t width, int32_t height, const std::vector<bytes>& payloads) {
    entries index;
    uint32_t at = uint32_t(20 + 8 * payloads.size());
    for (const bytes& payload : payloads)
        index.emplace_back(at, uint32_t(payload.size())), at += payload.size();
    return mrvBytes(width, height, index, joined(payloads));
}

// A sound uncompressed 8-bit picture unless a field says otherwise.
struct testpicture {
    int32_t width = 0, height = 0;
    bytes rows;  // padding included, bottom row first
    uint16_t bfType = 0x4D42, biBitCount = 8;
    uint32_t bfOffBits = 1078, biSize = 40, biCompression = 0, biClrUsed = 256;
    int64_t bfSize = -1, biSizeImage = -1;  // -1: from the rows
    size_t truncateTo = SIZE_MAX;
};

inline uint32_t testStride(int32_t width) { return (uint32_t(width) + 3) / 4 * 4; }

// Padding bytes are 0xEE.
inline testpicture patternPicture(int32_t width, int32_t height, uint8_t seed = 0) {
    const uint32_t stride = testStride(width);
    testpicture picture{width, height, bytes(size_t(stride) * uint32_t(height), 0xEE)};
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            picture.rows[y * stride + x] = uint8_t(seed + 7 * x + 13 * y);
    return picture;
}

// Each pixel cut to its top `depth` bits.
inline bytes cutPixels(const testpicture& picture, uint32_t depth) {
    bytes out;
    for (int32_t y = 0; y < picture.height; ++y)
        for (int32_t x = 0; x < picture.width; ++x)
            out.push_back(picture.rows[y * testStride(picture.width) + x] & 0xFF00 >> depth);
    return out;
}

inline bytes bmpBytes(const testpicture& p) {
    const uint32_t size = uint32_t(p.rows.size());
    bytes file;
    put(file, p.bfType, 2);
    for (uint32_t field :
         {p.bfSize >= 0 ? uint32_t(p.bfSize) : p.bfOffBits + size, 0u, p.bfOffBits, p.biSize,
          uint32_t(p.width), uint32_t(p.height), 1u | p.biBitCount << 16, p.biCompression,
          p.biSizeImage >= 0 ? uint32_t(p.biSizeImage) : size, 2835u, 2835u, p.biClrUsed, 0u})
        put(file, field);
    file.resize(14 + std::max<uint32_t>(40, p.biSize), 0);
    for (uint32_t level = 0; level < 256; ++level) put(file, level * 0x010101);
    file.resize(std::max<size_t>(p.bfOffBits, file.size()), 0xEE);
    file.insert(file.end(), p.rows.begin(), p.rows.end());
    file.resize(std::min(p.truncateTo, file.size()));
    return file;
}

inline bytes readFile(const text16& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), {});
}

inline void writeFile(const text16& path, const bytes& content) {
    filehandle file = createFile(path.c_str(), fileshare::none);
    ASSERT_TRUE(file.isOpen());
    ASSERT_EQ(file.writeAt(0, content.data(), uint32_t(content.size())), content.size());
}

#ifndef _WIN32
// The descriptors this process holds: a reader's close gives its file back.
inline long openFiles() { return long(std::distance(fs::directory_iterator("/proc/self/fd"), {})); }

// TMPDIR set while it lasts.
struct tmpdirset {
    const std::string kept = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    explicit tmpdirset(const std::string& folder) { setenv("TMPDIR", folder.c_str(), 1); }
    ~tmpdirset() { setenv("TMPDIR", kept.c_str(), 1); }
};
#endif

// A new folder (`name` inside a unique one when given), removed with all it holds.
struct scratchfolder {
    text16 root = makeUniqueFile(temporaryFolder(), u"ANM"), folder;

    explicit scratchfolder(const text16& name = u"") {
        removeFile(root.c_str());
        const char16_t separator = fs::path::preferred_separator;
        folder = name.empty() ? root : root + separator + name;
        fs::create_directories(folder);
        folder += separator;
    }
    ~scratchfolder() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    scratchfolder(const scratchfolder&) = delete;

    text16 file(const text16& name) const { return folder + name; }

    std::vector<text16> names() const {
        std::vector<text16> out;
        for (const auto& entry : fs::directory_iterator(folder))
            out.push_back(entry.path().filename().u16string());
        return out;
    }
};

inline testpicture seriesPicture(uint32_t n, int32_t width, int32_t height) {
    return patternPicture(width, height, uint8_t(5 * n));
}

// Pictures first ... first + count - 1 named prefix, n in `digits` digits or more.
inline void writeSeries(const scratchfolder& folder, const text16& prefix, int digits,
                        uint32_t first, uint32_t count, int32_t width, int32_t height) {
    for (uint32_t n = first; n < first + count; ++n) {
        const std::string number = std::to_string(n);
        const text16 name = text16(std::max(0, digits - int(number.size())), u'0') +
                            text16(number.begin(), number.end());
        writeFile(folder.file(prefix + name + u".bmp"), bmpBytes(seriesPicture(n, width, height)));
    }
}

inline std::string utf8(const text16& text) { return fs::path(text).u8string(); }

inline lines logLines(const text16& text) {
    lines out;
    for (size_t start = 0;;) {
        const size_t end = text.find(u"\r\n", start);
        out.push_back(utf8(text.substr(start, end - start)));
        if (end == text16::npos) return out;
        start = end + 2;
    }
}
