// What opening, saving or importing an animation ended with: success, or the
// step that failed and the system's error code behind it.
#pragma once

#include <cstdint>

enum class failure : uint8_t {
    none,
    cannotOpen,     // the file could not be opened
    notAnimation,   // it opened, but holds no animation the reader takes
    cannotWrite,    // saving failed; the old file is as it was
    temporaryFile,  // the frame store's temporary file could not be made
    sizeDiffers,    // the pictures are not the size of the frames held already
};

struct outcome {
    failure what = failure::none;
    uint32_t error = 0;  // the system's code; 0 when the step has none

    bool ok() const { return what == failure::none; }
};
