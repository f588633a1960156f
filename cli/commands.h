// The commands of morvacli; each returns the exit status.
#pragma once

#include "cli/arguments.h"
#include "cli/console.h"

#include <string>
#include <vector>

int pack(const request& job, console& io);
int unpack(const request& job, console& io);
int info(const request& job, console& io);
int check(const request& job, console& io);
int gif(const request& job, console& io);

// The whole program: the arguments after the program's name.
int runMorvacli(const std::vector<std::u16string>& arguments, console& io);
