// How often a long command brings the screen up to date. Under Wine a repaint
// of the status log or of the frame area can cost tens of milliseconds, far
// more than a picture's import: updates come at most about 30 times a second
// and take at most about a tenth of the time, so that the work moves at the
// machine's pace while the user still sees it move.
#pragma once

#include <cstdint>

class pacer {
public:
    static constexpr uint64_t interval = 33;  // milliseconds: about 30 updates a second
    static constexpr uint64_t share = 10;     // updates take at most 1 / share of the time

    // Whether an update is due at `now` (milliseconds of a steady clock): the
    // first always is.
    bool due(uint64_t now) const;
    // An update ran from `start` to `end`: the next one is due an interval
    // after it began, or later when it took longer than a share of that.
    void made(uint64_t start, uint64_t end);

private:
    bool started = false;
    uint64_t next = 0;
};
