#include "codec/rle8decoder.h"

#include <cstring>

namespace {

constexpr uint8_t escape = 0x00;
constexpr uint8_t endOfLine = 0x00;
constexpr uint8_t endOfBitmap = 0x01;
constexpr uint8_t delta = 0x02;

// Bytes a frame of this shape occupies in the output, or false when the shape
// is impossible or its size does not fit in size_t.
bool frameBytes(int32_t width, int32_t height, size_t stride, size_t& bytes) {
    if (width < 0 || height < 0 || stride < size_t(width)) return false;
    if (height == 0) {
        bytes = 0;
        return true;
    }
    size_t lastRow = size_t(height) - 1;
    if (stride != 0 && lastRow > (SIZE_MAX - size_t(width)) / stride) return false;
    bytes = lastRow * stride + size_t(width);
    return true;
}

// The write position in the frame. Past the last row there is no pixel left
// to write (room 0) and no valid pointer.
class rle8cursor {
public:
    rle8cursor(uint8_t* pixels, size_t stride, uint32_t width, uint32_t height)
        : pixels(pixels), stride(stride), width(width), height(height) {
        enterRow(0);
    }

    // Pixels that may still be written in the current row.
    uint32_t room() const { return left; }

    void fill(uint8_t value, uint32_t count) {
        std::memset(out, value, count);
        advance(count);
    }

    void copy(const uint8_t* values, uint32_t count) {
        std::memcpy(out, values, count);
        advance(count);
    }

    // Clears the rest of the row and moves to the next one; false when there
    // is no row left to end.
    bool endLine() {
        if (row >= height) return false;
        clear(left);
        enterRow(row + 1);
        return true;
    }

    // Moves dx pixels right and dy rows up, clearing what it passes over;
    // false when the target lies outside the frame.
    bool moveBy(uint32_t dx, uint32_t dy) {
        if (dy >= height - row || dx > left) return false;
        if (dy == 0) {
            clear(dx);
            return true;
        }
        uint32_t x = width - left + dx;
        clear(left);
        for (uint32_t skipped = row + 1; skipped < row + dy; ++skipped) clearRow(skipped);
        enterRow(row + dy);
        clear(x);
        return true;
    }

    // Clears everything from the position to the end of the frame.
    void clearRest() {
        clear(left);
        for (uint32_t rest = row + 1; rest < height; ++rest) clearRow(rest);
        enterRow(height);
    }

private:
    void enterRow(uint32_t index) {
        row = index;
        if (row < height) {
            out = pixels + row * stride;
            left = width;
        } else {
            out = nullptr;
            left = 0;
        }
    }

    void advance(uint32_t count) {
        out += count;
        left -= count;
    }

    void clear(uint32_t count) {
        if (count == 0) return;
        std::memset(out, 0, count);
        advance(count);
    }

    void clearRow(uint32_t index) {
        if (width != 0) std::memset(pixels + index * stride, 0, width);
    }

    uint8_t* const pixels;
    const size_t stride;
    const uint32_t width;
    const uint32_t height;
    uint32_t row = 0;
    uint8_t* out = nullptr;
    uint32_t left = 0;
};

// Applies the escape code at `at` (0x00 then `kind`); the result's position is
// where the next code starts.
rle8result decodeEscape(const uint8_t* code, size_t codeSize, size_t at, uint8_t kind,
                        rle8cursor& cursor) {
    switch (kind) {
    case endOfLine:
        if (!cursor.endLine()) return {rle8status::overflow, at};
        return {rle8status::ok, at + 2};
    case endOfBitmap: return {rle8status::ok, at + 2};
    case delta:
        if (codeSize - at < 4) return {rle8status::truncated, at};
        if (!cursor.moveBy(code[at + 2], code[at + 3])) return {rle8status::overflow, at};
        return {rle8status::ok, at + 4};
    default: {
        // An absolute run: `kind` values, padded to a whole 16-bit word.
        size_t length = kind + (kind & 1u);
        if (codeSize - at - 2 < length) return {rle8status::truncated, at};
        if (kind > cursor.room()) return {rle8status::overflow, at};
        cursor.copy(code + at + 2, kind);
        return {rle8status::ok, at + 2 + length};
    }
    }
}

rle8result decodeCodes(const uint8_t* code, size_t codeSize, rle8cursor& cursor) {
    size_t at = 0;
    for (;;) {
        if (codeSize - at < 2) return {rle8status::truncated, at};
        uint8_t count = code[at];
        uint8_t second = code[at + 1];
        if (count != escape) {
            if (count > cursor.room()) return {rle8status::overflow, at};
            cursor.fill(second, count);
            at += 2;
            continue;
        }
        rle8result step = decodeEscape(code, codeSize, at, second, cursor);
        if (step.status != rle8status::ok || second == endOfBitmap) return step;
        at = step.position;
    }
}

}  // namespace

rle8result decodeRle8(const uint8_t* code, size_t codeSize, int32_t width, int32_t height,
                      uint8_t* pixels, size_t pixelsSize, size_t stride) {
    size_t needed = 0;
    if (!frameBytes(width, height, stride, needed) || needed > pixelsSize) {
        return {rle8status::badframe, 0};
    }
    rle8cursor cursor(pixels, stride, uint32_t(width), uint32_t(height));
    rle8result result = decodeCodes(code, codeSize, cursor);
    cursor.clearRest();
    return result;
}
