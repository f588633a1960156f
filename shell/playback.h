// Preview timing: which frame is due follows the clock, not the number of
// timer ticks, so a late tick skips frames instead of slowing the animation.
#pragma once

#include <cstdint>

constexpr uint32_t framesPerSecond = 30;
// Shorter than a frame (33 1/3 ms), so that no frame is missed between ticks.
constexpr uint32_t previewTickMilliseconds = 16;

// The frame due at `now` for playback that started at `start`, both in
// milliseconds of the system tick count. The elapsed time is taken as a
// 32-bit count, as the tick count's low half wraps.
uint32_t frameDue(uint64_t start, uint64_t now);
