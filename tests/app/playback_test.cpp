// Which frame of the preview is due when.
#include "app/playback.h"

#include <gtest/gtest.h>

namespace {

TEST(Playback, FrameDueFollowsThirtyFramesPerSecond) {
    const uint64_t start = 123456789;
    EXPECT_EQ(frameDue(start, start), 0u);
    EXPECT_EQ(frameDue(start, start + 33), 0u);
    EXPECT_EQ(frameDue(start, start + 34), 1u);
    EXPECT_EQ(frameDue(start, start + 100), 3u);
    EXPECT_EQ(frameDue(start, start + 2999), 89u);
    EXPECT_EQ(frameDue(start, start + 3000), 90u);
}

TEST(Playback, EveryFrameFallsDueWithinOneTick) {
    // A tick every 16 ms never misses a frame of 33 1/3 ms.
    uint32_t last = 0;
    for (uint64_t t = 0; t < 10000; t += previewTickMilliseconds) {
        const uint32_t due = frameDue(0, t);
        EXPECT_LE(due - last, 1u) << t;
        last = due;
    }
}

TEST(Playback, LongPlaybackDoesNotOverflow) {
    // 40 hours: elapsed * 30 no longer fits 32 bits.
    const uint64_t elapsed = 40ull * 3600 * 1000;
    EXPECT_EQ(frameDue(0, elapsed), uint32_t(elapsed * 30 / 1000));
}

}  // namespace
