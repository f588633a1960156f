// A broken promise stops the run like a sanitizer finding.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using bytes = std::vector<uint8_t>;

inline void expect(bool holds, const char* promise) {
    if (holds) return;
    std::fprintf(stderr, "broken: %s\n", promise);
    std::abort();
}

// A little-endian field read from the input itself, not through the reader.
inline uint32_t field(const uint8_t* at) {
    return at[0] | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}
