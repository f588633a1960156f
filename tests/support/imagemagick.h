// ImageMagick as an independent decoder; /usr/local/bin/convert may be a stand-in.
#pragma once

#ifndef _WIN32
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

inline bool convert(const std::string& arguments, std::vector<uint8_t>* output = nullptr) {
    FILE* pipe = popen(("/usr/bin/convert " + arguments + " 2>/dev/null").c_str(), "r");
    if (!pipe) return false;
    std::vector<uint8_t> bytes;
    for (int c; (c = std::fgetc(pipe)) != EOF;) bytes.push_back(uint8_t(c));
    if (output) *output = std::move(bytes);
    return pclose(pipe) == 0;
}

// Every frame's grey levels, rows top-down; empty when unreadable.
inline std::vector<uint8_t> greyLevels(const std::string& picture) {
    std::vector<uint8_t> levels;
    if (!convert("'" + picture + "' -depth 8 gray:-", &levels)) levels.clear();
    return levels;
}
#endif
