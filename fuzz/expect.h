// A broken promise stops the run like a sanitizer finding, naming itself.
#pragma once

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
