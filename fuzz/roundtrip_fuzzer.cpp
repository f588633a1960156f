// Encoder then decoder (bytes 0 to 4: width, padding, depth, height, runs or
// not): a picture decodes to itself cut to the depth.
#include "codec/rle8decoder.h"
#include "fuzz/expect.h"
#include "codec/frameencoder.h"

#include <algorithm>
#include <vector>

namespace {

constexpr size_t largestPicture = 1 << 16;

struct shape {
    uint32_t width, height, stride, depth;
};

// Rows of `stride` bytes, padding of `fill`, none after the last.
bytes pictureOf(const shape& picture, const bytes& values, uint8_t fill) {
    bytes rows(picture.height == 0 ? 0 : size_t(picture.stride) * (picture.height - 1) + picture.width,
                              fill);
    for (uint32_t y = 0; y < picture.height; ++y)
        std::copy_n(values.begin() + ptrdiff_t(size_t(y) * picture.width), picture.width,
                    rows.begin() + ptrdiff_t(size_t(y) * picture.stride));
    return rows;
}

// The pixel values, row after row: the input bytes themselves, or runs.
bytes valuesFrom(const uint8_t* data, size_t size, bool runs) {
    if (!runs) return bytes(data, data + size);
    bytes values;
    for (size_t at = 0; at + 1 < size && values.size() < largestPicture; at += 2)
        values.insert(values.end(), size_t(data[at]) + 1, data[at + 1]);
    return values;
}

bytes encode(const shape& picture, const bytes& rows) {
    // Exactly the bound, on the heap: one byte more is caught.
    bytes payload(size_t(payloadBound(picture.width, picture.height)));
    const size_t size = encodeFrame(rows.data(), picture.width, picture.height, picture.stride, picture.depth,
                                    payload.data());
    expect(size >= 2 && size <= payload.size(), "payload within its bound");
    payload.resize(size);
    return payload;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    shape picture;
    picture.width = (data[0] | uint32_t(data[1]) << 8) % 1100;
    picture.stride = picture.width + data[2] % 8;
    picture.depth = 1 + data[3] % 8;
    const bytes values = valuesFrom(data + 5, size - 5, data[4] & 0x80);
    const uint32_t wanted = data[4] % 64;
    picture.height = picture.width == 0 ? wanted
                                        : std::min<uint32_t>(wanted, uint32_t(values.size() / picture.width));

    const bytes payload = encode(picture, pictureOf(picture, values, 0x00));
    expect(encode(picture, pictureOf(picture, values, 0xFF)) == payload, "padding bytes never reach the payload");

    bytes decoded(size_t(picture.width) * picture.height);
    const rle8result result = decodeRle8(payload.data(), payload.size(), int32_t(picture.width),
                                         int32_t(picture.height), decoded.data(), decoded.size(), picture.width);
    expect(result.status == rle8status::ok && result.position == payload.size(), "the payload decodes whole");
    const uint8_t mask = depthMasks[picture.depth - 1];
    for (size_t at = 0; at < decoded.size(); ++at)
        expect(decoded[at] == (values[at] & mask), "decode(encode(p)) == p & mask");
    return 0;
}
