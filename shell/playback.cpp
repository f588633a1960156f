#include "shell/playback.h"

uint32_t frameDue(uint64_t start, uint64_t now) {
    const uint32_t elapsed = static_cast<uint32_t>(now - start);
    // 64-bit product: elapsed * 30 passes 32 bits after about 40 hours.
    return static_cast<uint32_t>(uint64_t(elapsed) * framesPerSecond / 1000);
}
