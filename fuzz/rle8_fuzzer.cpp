// The decoder on any stream (after bytes 0 to 3: width, height, padding):
// every pixel written, padding untouched, a damaged stream as its intact prefix.
#include "codec/rle8decoder.h"
#include "fuzz/expect.h"

#include <vector>

namespace {

int32_t width, height;
size_t stride, length;  // length: no padding after the last row
constexpr uint8_t guard = 0x5A;

bytes decodeInto(const uint8_t* code, size_t size, uint8_t prefill, rle8result& result) {
    bytes pixels(length, guard);
    for (int32_t row = 0; row < height; ++row)
        std::fill_n(pixels.begin() + ptrdiff_t(size_t(row) * stride), width, prefill);
    result = decodeRle8(code, size, width, height, pixels.data(), pixels.size(), stride);
    expect(result.position <= size);
    return pixels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    width = int32_t((data[0] | data[1] << 8) % 700);
    height = data[2] % 48;
    stride = size_t(width) + data[3] % 4;
    length = height == 0 ? 0 : stride * size_t(height - 1) + size_t(width);
    const uint8_t* code = data + 4;
    rle8result first, second;
    const bytes dark = decodeInto(code, size - 4, 0x00, first);
    expect(decodeInto(code, size - 4, 0xFF, second) == dark);
    expect(first.status == second.status && first.position == second.position);
    for (size_t at = 0; at < dark.size(); ++at)
        expect(at % stride < size_t(width) || dark[at] == guard);
    if (first.status == rle8status::ok) {
        const size_t end = first.position;
        expect(end >= 2 && code[end - 2] == 0 && code[end - 1] == 1);
        return 0;
    }
    bytes prefix(code, code + first.position);
    prefix.insert(prefix.end(), {0x00, 0x01});
    rle8result intact;
    expect(decodeInto(prefix.data(), prefix.size(), 0, intact) == dark);
    expect(intact.status == rle8status::ok);
    return 0;
}
