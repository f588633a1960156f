// A progress bar for long work, redrawn in place on the message stream when
// that is a terminal, and nothing at all when it is not (a pipe, a log file).
#pragma once

#include "cli/console.h"

#include <cstdint>
#include <string>

class progressbar {
public:
    progressbar(console& io, std::string what, uint32_t total);
    // Takes the bar off the line, so that a message that follows stands alone.
    ~progressbar();
    progressbar(const progressbar&) = delete;
    progressbar& operator=(const progressbar&) = delete;

    void show(uint32_t done);

private:
    console& io;
    std::string what;
    uint32_t total;
    int drawn = -1;  // the percentage on screen; -1 for none
};
