// Where the command-line program writes: its output, its messages, and
// whether the messages go to a terminal (only then does it draw progress).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

struct console {
    std::ostream& out;
    std::ostream& err;
    bool terminal = false;
};

constexpr int exitFailure = 1;  // bad input, damaged frames, a file that cannot be written
constexpr int exitUsage = 2;    // bad arguments

// The one line that says why the run failed: "morvacli: " + message.
// Returns `code`, the exit status that goes with it.
int fail(console& io, const std::string& message, int code = exitFailure);

// UTF-8 for the console.
std::string text(const std::u16string& utf16);

// The system's own words for an error code of the file layer.
std::string systemMessage(uint32_t code);
