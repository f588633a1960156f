// The status log: a read-only, multi-line edit control in the main window
// that always shows the whole bounded log.
#pragma once

#include "app/logbuffer.h"
#include "app/window.h"

#include <cstdint>

class mainwindow;

class editbox : public window {
public:
    explicit editbox(mainwindow& owner) : owner(&owner) {}

    // Appends a line of exactly n characters (at most 4094) and shows the
    // whole log at once, also in the middle of a long command.
    void appendLine(const char16_t* text, int32_t n);
    // Takes back the latest line; the control keeps showing it until the next
    // appendLine, so that a passing line stays visible until replaced.
    void removeLastLine();

    logbuffer log;
    mainwindow* owner;
};
