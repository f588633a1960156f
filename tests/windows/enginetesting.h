// What the engine tests on a real window share: frames made from grey levels,
// frame images given back at the end of a scope, and pictures to load.
#pragma once

#include "engines/gengine.h"
#include "import/frameencoder.h"
#include "tests/import/bmpwriter.h"
#include "tests/windows/testwindow.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using greyrows = std::vector<std::vector<uint8_t>>;  // top row first

// The frame payload of `rows`, as the import's encoder writes it.
inline std::vector<uint8_t> payloadOf(const greyrows& rows) {
    const uint32_t width = uint32_t(rows[0].size()), height = uint32_t(rows.size());
    std::vector<uint8_t> stored;  // bottom row first, tightly packed
    for (size_t r = rows.size(); r-- > 0;) stored.insert(stored.end(), rows[r].begin(), rows[r].end());
    std::vector<uint8_t> payload(size_t(payloadBound(width, height)));
    payload.resize(encodeFrame(stored.data(), width, height, width, 8, payload.data()));
    return payload;
}

inline uint32_t grey(uint8_t level) { return level * 0x010101u; }
inline uint8_t channel(uint32_t colour, int shift) { return uint8_t(colour >> shift); }

inline bool closeTo(uint32_t shown, uint32_t expected, int tolerance) {
    for (int shift : {0, 8, 16}) {
        if (std::abs(int(channel(shown, shift)) - int(channel(expected, shift))) > tolerance) return false;
    }
    return true;
}

// Whether `shown` (0x00RRGGBB, rows top-down, `width` a row) is expected(x, y),
// each channel within `tolerance`; a failure names the first pixels that differ.
template <class expectation>
::testing::AssertionResult pictureIs(const std::vector<uint32_t>& shown, int width, expectation expected,
                                     int tolerance = 0) {
    size_t wrong = 0;
    std::string first;
    for (size_t i = 0; i < shown.size(); ++i) {
        const int x = int(i % size_t(width)), y = int(i / size_t(width));
        const uint32_t want = expected(x, y);
        if (closeTo(shown[i], want, tolerance) || wrong++ >= 8) continue;
        char text[80];
        std::snprintf(text, sizeof text, "\n  (%d, %d): shown %06X, expected %06X", x, y, unsigned(shown[i]),
                      unsigned(want));
        first += text;
    }
    if (wrong == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << wrong << " pixels differ by more than " << tolerance << first;
}

// The same for what the window shows. A present may reach the screen a while
// after it was made: then the window is read again for up to `waitMilliseconds`.
template <class expectation>
::testing::AssertionResult showsPicture(const testwindow& window, expectation expected, int tolerance = 0,
                                        DWORD waitMilliseconds = 0) {
    const ULONGLONG until = GetTickCount64() + waitMilliseconds;
    RECT client;
    GetClientRect(window.handle(), &client);
    ::testing::AssertionResult result = pictureIs(window.capture(), client.right, expected, tolerance);
    while (!result && GetTickCount64() < until) {
        window.pump(20);
        result = pictureIs(window.capture(), client.right, expected, tolerance);
    }
    return result;
}

struct framereturn {
    gengine* engine;
    void operator()(frameimage* image) const { engine->destroyFrame(image); }
};
// A frame image given back to its engine at the end of the scope.
using ownedframe = std::unique_ptr<frameimage, framereturn>;
inline ownedframe own(gengine& engine, frameimage* image) { return ownedframe(image, framereturn{&engine}); }

// A frame of `rows` from an engine that keeps its own copy of the payload.
inline ownedframe frameOf(gengine& engine, const greyrows& rows) {
    const std::vector<uint8_t> payload = payloadOf(rows);
    return own(engine, engine.createFrame(payload.data(), uint32_t(payload.size()), int32_t(rows[0].size()),
                                          int32_t(rows.size()), 8));
}

// A 24-bit BMP file; `pixels` are 0x00RRGGBB, rows top-down.
inline std::vector<uint8_t> bmp24(int32_t width, int32_t height, const std::vector<uint32_t>& pixels) {
    const uint32_t stride = (uint32_t(width) * 3 + 3) / 4 * 4;
    std::vector<uint8_t> file;
    auto put16 = [&](uint32_t value) { file.insert(file.end(), {uint8_t(value), uint8_t(value >> 8)}); };
    auto put32 = [&](uint32_t value) { put16(value & 0xFFFF), put16(value >> 16); };
    put16(0x4D42), put32(54 + stride * height), put32(0), put32(54);
    put32(40), put32(width), put32(height), put16(1), put16(24);
    put32(0), put32(stride * height), put32(2835), put32(2835), put32(0), put32(0);
    for (int32_t row = height - 1; row >= 0; --row) {
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t colour = pixels[size_t(row) * width + x];
            file.insert(file.end(), {uint8_t(colour), uint8_t(colour >> 8), uint8_t(colour >> 16)});
        }
        file.resize(file.size() + stride - uint32_t(width) * 3, 0);
    }
    return file;
}

inline std::vector<uint8_t> uniformBmp(uint32_t colour) { return bmp24(4, 4, std::vector<uint32_t>(16, colour)); }

// An entry of a colour table that is nothing like grey level `i`.
inline RGBQUAD colourful(int i) { return {BYTE(255 - i), 0x40, BYTE(i * 7), 0}; }

// The BMP file of `picture` with that colour table.
inline std::vector<uint8_t> colourfulBmp(const testpicture& picture) {
    std::vector<uint8_t> file = bmpBytes(picture);
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD entry = colourful(i);
        std::copy_n(reinterpret_cast<const uint8_t*>(&entry), 4, file.data() + 54 + 4 * i);
    }
    return file;
}
