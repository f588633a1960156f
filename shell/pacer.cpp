#include "shell/pacer.h"

#include <algorithm>

bool pacer::due(uint64_t now) const { return !started || now >= next; }

void pacer::made(uint64_t start, uint64_t end) {
    started = true;
    next = std::max(start + interval, end + (end - start) * (share - 1));
}
