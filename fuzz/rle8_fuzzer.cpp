// The decoder on any stream (after bytes 0 to 3: width, height, padding):
// every pixel written, padding untouched, a damaged stream as its intact prefix.
#include "codec/rle8decoder.h"
#include "fuzz/expect.h"

#include <vector>

namespace {

// length: no padding after the last row.
struct frame {
    int32_t width, height;
    size_t stride, length;
};

constexpr uint8_t guard = 0x5A;

bytes decodeInto(const frame& shape, const uint8_t* code, size_t size, uint8_t prefill,
                                rle8result& result) {
    bytes pixels(shape.length, guard);
    for (int32_t row = 0; row < shape.height; ++row)
        std::fill_n(pixels.begin() + ptrdiff_t(size_t(row) * shape.stride), shape.width, prefill);
    result = decodeRle8(code, size, shape.width, shape.height, pixels.data(), pixels.size(), shape.stride);
    expect(result.position <= size, "stops inside the stream");
    return pixels;
}

void checkPadding(const frame& shape, const bytes& pixels) {
    for (size_t at = 0; at < pixels.size(); ++at)
        if (at % shape.stride >= size_t(shape.width))
            expect(pixels[at] == guard, "row padding untouched");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const int32_t width = int32_t((data[0] | data[1] << 8) % 700);
    const int32_t height = data[2] % 48;
    const size_t stride = size_t(width) + data[3] % 4;
    const uint8_t* code = data + 4;
    const size_t codeSize = size - 4;
    const frame shape{width, height, stride, height == 0 ? 0 : stride * size_t(height - 1) + size_t(width)};
    rle8result first, second;
    const bytes dark = decodeInto(shape, code, codeSize, 0x00, first);
    const bytes light = decodeInto(shape, code, codeSize, 0xFF, second);
    expect(dark == light, "every pixel written, whatever the buffer held");
    expect(first.status == second.status && first.position == second.position, "same verdict");
    checkPadding(shape, dark);
    if (first.status == rle8status::ok) {
        expect(first.position >= 2 && code[first.position - 2] == 0 && code[first.position - 1] == 1,
               "ok ends just after an end of bitmap");
        return 0;
    }
    bytes prefix(code, code + first.position);
    prefix.insert(prefix.end(), {0x00, 0x01});
    rle8result intact;
    const bytes expected = decodeInto(shape, prefix.data(), prefix.size(), 0x00, intact);
    expect(intact.status == rle8status::ok, "the intact prefix decodes");
    expect(expected == dark, "a damaged stream decodes as its intact prefix");
    return 0;
}
