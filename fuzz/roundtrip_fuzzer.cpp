// Encoder then decoder (bytes 0 to 4: width, padding, depth, height, runs or
// not): a picture decodes to itself cut to the depth.
#include "codec/frameencoder.h"
#include "codec/rle8decoder.h"
#include "fuzz/expect.h"

#include <algorithm>
#include <vector>

namespace {

uint32_t width, height, stride, depth;

// Rows of `stride` bytes, padding of `fill`, none after the last.
bytes pictureOf(const bytes& values, uint8_t fill) {
    bytes rows(height == 0 ? 0 : size_t(stride) * (height - 1) + width, fill);
    for (uint32_t y = 0; y < height; ++y)
        std::copy_n(values.begin() + ptrdiff_t(size_t(y) * width), width,
                    rows.begin() + ptrdiff_t(size_t(y) * stride));
    return rows;
}

bytes encode(const bytes& rows) {
    bytes payload(size_t(payloadBound(width, height)));  // exactly: one byte more is caught
    const size_t size = encodeFrame(rows.data(), width, height, stride, depth, payload.data());
    expect(size >= 2 && size <= payload.size());
    payload.resize(size);
    return payload;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    width = (data[0] | uint32_t(data[1]) << 8) % 1100;
    stride = width + data[2] % 8;
    depth = 1 + data[3] % 8;
    bytes values(data + 5, data + size);  // the pixels: the bytes, or runs of them
    if (data[4] & 0x80) {
        values.clear();
        for (size_t at = 5; at + 1 < size && values.size() < 65536; at += 2)
            values.insert(values.end(), size_t(data[at]) + 1, data[at + 1]);
    }
    height = data[4] % 64;
    if (width > 0) height = std::min<uint32_t>(height, uint32_t(values.size() / width));
    const bytes payload = encode(pictureOf(values, 0x00));
    expect(encode(pictureOf(values, 0xFF)) == payload);
    expectDecodes(payload.data(), payload.size(), width, height, values.data(), width, depth);
    return 0;
}
