// The commands of morvacli, in one table: a new command is a row of it and
// the function that runs it. Each returns the exit status.
#pragma once

#include "cli/arguments.h"
#include "cli/console.h"

#include <string>
#include <vector>

struct morvacommand {
    const char* name;
    const char* usage;   // its lines of --help
    bool needsOutput;    // whether it writes to the name after -o
    const char* option;  // the one option it takes, or null
    int (*run)(const request& job, console& io);
};

// The row named `name`, or null.
const morvacommand* findCommand(const std::string& name);

int pack(const request& job, console& io);
int unpack(const request& job, console& io);
int info(const request& job, console& io);
int check(const request& job, console& io);
int gif(const request& job, console& io);

// The whole program: the arguments after the program's name.
int runMorvacli(const std::vector<std::u16string>& arguments, console& io);
