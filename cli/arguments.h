// The command line: one command, its input, the output after -o and the
// one option the command takes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct morvacommand;

struct request {
    const morvacommand* command = nullptr;  // none with --help or --version
    std::u16string input;
    std::u16string output;
    uint32_t depth = 6;          // pack --depth, as the program's default data depth
    std::string format = "bmp";  // unpack --format
    uint32_t fps = 30;           // gif --fps, the preview's rate
    bool help = false;
    bool version = false;  // --version
};

// False with the one line that says what is wrong with the arguments.
bool parseArguments(const std::vector<std::u16string>& arguments, request& out,
                    std::string& problem);
