#include "app/pacer.h"

bool pacer::due(uint64_t now) {
    if (started && now - last < interval) return false;
    started = true;
    last = now;
    return true;
}
