// The status log: a read-only, multi-line edit control in the main window
// that shows the whole bounded log.
#pragma once

#include "app/window.h"
#include "shell/logbuffer.h"
#include "shell/pacer.h"

#include <cstdint>
#include <functional>
#include <string>

class mainwindow;

class editbox : public window {
public:
    explicit editbox(mainwindow& owner) : owner(&owner) {}

    // Appends a line of exactly n characters (at most 4094). The control shows
    // the whole log at once, or, when lines come faster than the screen is
    // worth updating, at the next update or at showPending.
    void appendLine(const char16_t* text, int32_t n);
    // Takes back the latest line; the control keeps showing it until the next
    // line is shown, so that a passing line stays visible until replaced.
    void removeLastLine();
    // Shows the log as the latest line left it, if the control lags behind.
    // Every command ends with it.
    void showPending();

    logbuffer log;
    mainwindow* owner;
    std::function<uint64_t()> clock = defaultClock;  // milliseconds; replaceable for tests

private:
    static uint64_t defaultClock();
    void show(const char16_t* text);

    pacer updates;
    std::u16string pending;  // the log as the control should show it; empty when it does
};
