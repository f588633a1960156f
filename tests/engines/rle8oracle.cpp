#include "tests/engines/rle8oracle.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace {

const char* const convertPath = "/usr/bin/convert";

void put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

}  // namespace

std::vector<uint8_t> rle8BmpFile(const std::vector<uint8_t>& payload, int32_t width,
                                 int32_t height) {
    const uint32_t headerBytes = 14 + 40 + 256 * 4;
    std::vector<uint8_t> file;
    file.push_back('B');
    file.push_back('M');
    put32(file, headerBytes + uint32_t(payload.size()));
    put32(file, 0);  // reserved
    put32(file, headerBytes);
    put32(file, 40);
    put32(file, uint32_t(width));
    put32(file, uint32_t(height));
    put16(file, 1);  // planes
    put16(file, 8);  // bits per pixel
    put32(file, 1);  // BI_RLE8
    put32(file, uint32_t(payload.size()));
    put32(file, 0);
    put32(file, 0);
    put32(file, 256);  // colours used
    put32(file, 0);
    for (uint32_t level = 0; level < 256; ++level) put32(file, level * 0x010101);
    file.insert(file.end(), payload.begin(), payload.end());
    return file;
}

bool imageMagickAvailable() {
#ifdef _WIN32
    return false;
#else
    return std::filesystem::exists(convertPath);
#endif
}

std::vector<uint8_t> decodeWithImageMagick(const std::vector<uint8_t>& payload, int32_t width,
                                           int32_t height) {
    namespace fs = std::filesystem;
    static int serial = 0;
    std::string stem = "rle8oracle-" + std::to_string(std::random_device{}()) + "-" + std::to_string(++serial);
    fs::path bmpPath = fs::temp_directory_path() / (stem + ".bmp");
    fs::path rawPath = fs::temp_directory_path() / (stem + ".raw");
    {
        std::vector<uint8_t> file = rle8BmpFile(payload, width, height);
        std::ofstream bmp(bmpPath, std::ios::binary);
        bmp.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    }
    std::string command = std::string(convertPath) + " '" + bmpPath.string() +
                          "' -depth 8 'gray:" + rawPath.string() + "' 2>/dev/null";
    std::vector<uint8_t> topDown;
    if (std::system(command.c_str()) == 0) {
        std::ifstream raw(rawPath, std::ios::binary);
        topDown.assign(std::istreambuf_iterator<char>(raw), std::istreambuf_iterator<char>());
    }
    fs::remove(bmpPath);
    fs::remove(rawPath);
    size_t rowBytes = size_t(width);
    if (topDown.size() != rowBytes * size_t(height)) return {};
    std::vector<uint8_t> bottomUp(topDown.size());
    for (size_t row = 0; row < size_t(height); ++row) {
        std::copy_n(topDown.begin() + (size_t(height) - 1 - row) * rowBytes, rowBytes,
                    bottomUp.begin() + row * rowBytes);
    }
    return bottomUp;
}
