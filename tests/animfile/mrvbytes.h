// Animation files for the tests, built byte by byte apart from the code under
// test, and a scratch folder to put them in.
#pragma once

#include "platform/file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

using bytes = std::vector<uint8_t>;

inline void put32(bytes& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(uint8_t(value >> shift));
}

inline bytes headerBytes(uint32_t count, int32_t width, int32_t height, uint32_t bits = 8) {
    bytes out = {'M', 'o', 'R', 'v'};
    put32(out, count);
    put32(out, uint32_t(width));
    put32(out, uint32_t(height));
    put32(out, bits);
    return out;
}

// A header for entries.size() frames, the entries as given, then `rest`.
inline bytes fileBytes(int32_t width, int32_t height,
                       const std::vector<std::pair<uint32_t, uint32_t>>& entries,
                       const bytes& rest, uint32_t bits = 8) {
    bytes out = headerBytes(uint32_t(entries.size()), width, height, bits);
    for (const auto& [offset, size] : entries) {
        put32(out, offset);
        put32(out, size);
    }
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

// The file the system writes for these payloads: back to back after the index.
inline bytes soundFile(int32_t width, int32_t height, const std::vector<bytes>& payloads) {
    std::vector<std::pair<uint32_t, uint32_t>> entries;
    bytes area;
    uint32_t offset = 20 + 8 * uint32_t(payloads.size());
    for (const bytes& payload : payloads) {
        entries.emplace_back(offset, uint32_t(payload.size()));
        offset += uint32_t(payload.size());
        area.insert(area.end(), payload.begin(), payload.end());
    }
    return fileBytes(width, height, entries, area);
}

inline bytes randomBytes(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    bytes out(count);
    for (uint8_t& byte : out) byte = uint8_t(random());
    return out;
}

inline bytes contentOf(const std::u16string& path) {
    filehandle file = openExistingFile(path.c_str(), fileaccess::read, fileshare::read);
    uint64_t length = 0;
    if (!file.isOpen() || !file.size(length)) return {};
    bytes out(length);
    out.resize(file.readAt(0, out.data(), uint32_t(length)));
    return out;
}

inline void writeFile(const std::u16string& path, const bytes& content) {
    filehandle file = createFile(path.c_str(), fileshare::none);
    ASSERT_TRUE(file.isOpen());
    ASSERT_EQ(file.writeAt(0, content.data(), uint32_t(content.size())), content.size());
}

inline bool exists(const std::u16string& path) {
    return std::filesystem::exists(std::filesystem::path(path));
}

// A new, empty folder in the temporary folder, removed with all it holds.
struct scratchfolder {
    std::u16string folder;

    scratchfolder() {
        const std::u16string name = makeUniqueFile(temporaryFolder(), u"ANM");
        removeFile(name.c_str());
        std::filesystem::create_directory(std::filesystem::path(name));
        folder = name + u"/";
    }
    ~scratchfolder() {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(folder), ignored);
    }

    std::u16string file(const char16_t* name) const { return folder + name; }

    std::vector<std::u16string> names() const {
        std::vector<std::u16string> out;
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(folder)))
            out.push_back(entry.path().filename().u16string());
        return out;
    }
};
