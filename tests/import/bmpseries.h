// Numbered series of 8-bit test pictures in a scratch folder, for the import
// tests natively and under Wine.
#pragma once

#include "tests/animfile/mrvbytes.h"
#include "tests/import/bmpwriter.h"

#include <string>

inline std::u16string ascii(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

inline std::string narrowAscii(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out += c < 0x80 ? char(c) : '?';
    return out;
}

// ("walk_", 3, 7) gives walk_007.bmp: at least `digits` digits.
inline std::u16string pictureName(const std::string& prefix, int digits, uint32_t n) {
    std::string number = std::to_string(n);
    if (int(number.size()) < digits) number.insert(0, size_t(digits) - number.size(), '0');
    return ascii(prefix + number + ".bmp");
}

// Picture n of every series: the pattern picture with seed 5n.
inline testpicture seriesPicture(uint32_t n, int32_t width, int32_t height) {
    return patternPicture(width, height, uint8_t(5 * n));
}

inline void writePicture(const std::u16string& path, const testpicture& picture) {
    writeFile(path, bmpBytes(picture));
}

// Pictures first ... first + count - 1, all width x height.
inline void writeSeries(const scratchfolder& folder, const std::string& prefix, int digits,
                        uint32_t first, uint32_t count, int32_t width, int32_t height) {
    for (uint32_t n = first; n < first + count; ++n)
        writePicture(folder.file(pictureName(prefix, digits, n).c_str()),
                     seriesPicture(n, width, height));
}
