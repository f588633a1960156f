// How often a long command brings the screen up to date. Under Wine a repaint
// of the status log or of the frame area costs tens of milliseconds, far more
// than a picture's import: redrawing at most about 30 times a second keeps
// the work moving at the machine's pace while the user still sees it move.
#pragma once

#include <cstdint>

class pacer {
public:
    static constexpr uint64_t interval = 33;  // milliseconds: about 30 updates a second

    // Whether an update is due at `now` (milliseconds of a steady clock): the
    // first always is, then one each interval; an update that is due counts
    // as made.
    bool due(uint64_t now);

private:
    bool started = false;
    uint64_t last = 0;
};
