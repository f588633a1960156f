// Where the main window's parts go in its client area: the status log fills
// the left third, the progress bar is a 32-pixel strip at the top of the rest,
// and frames are drawn below it. One free column and one free row of pixels
// separate the three.
#pragma once

#include "codec/gengine.h"

struct windowlayout {
    rect log;
    rect progress;
    rect frame;
};

// `client`: the main window's client rectangle.
windowlayout layoutFor(const rect& client);
