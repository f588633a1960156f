// The fuzz targets' own checks: a broken promise stops the run like a
// sanitizer finding, with the input kept as a crash file.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void expect(bool holds, const char* promise) {
    if (holds) return;
    std::fprintf(stderr, "broken: %s\n", promise);
    std::abort();
}
