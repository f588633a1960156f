// Where the command-line program writes: its output, its messages, and
// whether the messages go to a terminal (only then does it draw progress).
#pragma once

#include <cstdint>
#include <filesystem>
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

// UTF-8 for the console; on POSIX a name that is no UTF-8 as its own bytes.
std::string text(const std::u16string& utf16);

// The arguments as a POSIX system gives them, as the file layer's UTF-16:
// names that are no UTF-8 included, which it opens under the same bytes.
std::vector<std::u16string> argumentsOf(const std::vector<std::string>& given);

// A name of the file layer as the standard library's path, and back.
std::filesystem::path systemPath(const std::u16string& name);
std::u16string nameOf(const std::filesystem::path& path);

// The system's own words for an error code of the file layer.
std::string systemMessage(uint32_t code);
