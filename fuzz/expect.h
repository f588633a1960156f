// A broken promise stops the run like a sanitizer finding, naming itself.
#pragma once

#include "codec/frameencoder.h"
#include "codec/rle8decoder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using bytes = std::vector<uint8_t>;

#define expect(...) holds(bool(__VA_ARGS__), #__VA_ARGS__)

inline void holds(bool kept, const char* promise) {
    if (kept) return;
    std::fprintf(stderr, "broken: %s\n", promise);
    std::abort();
}

// A little-endian field read from the input itself, not through the reader.
inline uint32_t field(const uint8_t* at) {
    return at[0] | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

// The payload decodes, whole, to the pixels at `rows` (`stride` apart) cut to `depth`.
inline void expectDecodes(const uint8_t* payload, size_t size, uint32_t width, uint32_t height,
                          const uint8_t* rows, size_t stride, uint32_t depth) {
    bytes got(size_t(width) * height);
    const rle8result result =
        decodeRle8(payload, size, int32_t(width), int32_t(height), got.data(), got.size(), width);
    expect(result.status == rle8status::ok && result.position == size);
    for (size_t at = 0; at < got.size(); ++at)
        expect(got[at] == (rows[at / width * stride + at % width] & depthMasks[depth - 1]));
}
