// The end of the process after a programming error the program cannot carry
// on from (a log line that is too long, storage that cannot be had, ...).
#pragma once

#include <csignal>
#include <cstdlib>

// Ends the process abnormally and without a message, in every build type.
// SIGABRT is raised rather than calling abort(): the Windows runtime's abort()
// shows a message box in a windowed program first.
[[noreturn]] inline void fatal() {
    std::raise(SIGABRT);
    std::_Exit(3);
}
