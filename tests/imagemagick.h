// ImageMagick as an independent oracle, in the native build only: it writes
// pictures in the forms other tools write, and decodes what this program
// writes. Its full path: /usr/local/bin/convert may be a stand-in.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline bool imageMagickHere() {
#ifdef _WIN32
    return false;  // Wine runs no Linux programs
#else
    return std::filesystem::exists("/usr/bin/convert");
#endif
}

// Runs convert with `arguments`; false when it fails. Its standard output
// (a picture written to "FORMAT:-") goes to `output`.
inline bool convert(const std::string& arguments, std::vector<uint8_t>* output = nullptr) {
#ifdef _WIN32
    (void)arguments, (void)output;
    return false;
#else
    FILE* pipe = popen(("/usr/bin/convert " + arguments + " 2>/dev/null").c_str(), "r");
    if (!pipe) return false;
    std::vector<uint8_t> bytes;
    for (int c; (c = std::fgetc(pipe)) != EOF;) bytes.push_back(uint8_t(c));
    if (output) *output = std::move(bytes);
    return pclose(pipe) == 0;
#endif
}

// Every frame of a picture file as ImageMagick sees it: grey levels, rows
// top-down, frames one after another.
inline std::vector<uint8_t> greyLevels(const std::filesystem::path& picture) {
    std::vector<uint8_t> levels;
    if (!convert("'" + picture.string() + "' -depth 8 gray:-", &levels)) levels.clear();
    return levels;
}

inline std::vector<uint8_t> fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}
