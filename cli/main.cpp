// morvacli: the animation files of Morva from the command line, without a window.
#include "cli/commands.h"
#include "cli/interrupt.h"

#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <windows.h>

#include <io.h>

int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
    console io{std::cout, std::cerr, _isatty(_fileno(stderr)) != 0};
    catchInterrupts();
    return runMorvacli(arguments, io);
}
#else
#include <unistd.h>

int main(int argc, char** argv) {
    console io{std::cout, std::cerr, isatty(STDERR_FILENO) != 0};
    catchInterrupts();
    return runMorvacli(argumentsOf({argv + 1, argv + argc}), io);
}
#endif
