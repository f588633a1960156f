// Where the command-line program writes: its output, its messages, and
// whether the messages go to a terminal (only then does it draw progress).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

struct console {
    std::ostream& out;
    std::ostream& err;
    bool terminal = false;
};

constexpr int exitFailure = 1;  // bad input, damaged frames, a file that cannot be written
constexpr int exitUsage = 2;    // bad arguments

// The one line that says why the run failed: "morvacli: " + message.
// Returns `code`, the exit status that goes with it; after an interrupt,
// "interrupted" and its status instead.
int fail(console& io, const std::string& message, int code = exitFailure);

// UTF-8 for the console.
std::string text(const std::u16string& utf16);

// The arguments as a POSIX system gives them, as UTF-16; false with the line
// that names the first one that is no UTF-8 (the file layer could not name
// it again, and another name must not be written in its place).
bool argumentsOf(const std::vector<std::string>& given, std::vector<std::u16string>& out,
                 std::string& problem);

// The system's own words for an error code of the file layer.
std::string systemMessage(uint32_t code);
