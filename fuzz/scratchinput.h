// Each input as a real file in /dev/shm, one per process.
#pragma once

#include "platform/file.h"

#include <unistd.h>

#include <string>

inline const std::u16string& inputPath(const char* extension) {
    static const std::string name = "/dev/shm/morva-fuzz-" + std::to_string(getpid()) + extension;
    static const std::u16string path(name.begin(), name.end());
    return path;
}

inline void writeInput(const std::u16string& path, const uint8_t* data, size_t size) {
    createFile(path.c_str(), fileshare::none).writeAt(0, data, uint32_t(size));
}
