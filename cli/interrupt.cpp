#include "cli/interrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t asked = 0;

extern "C" void ask(int) { asked = 1; }

}  // namespace

void catchInterrupts() {
    std::signal(SIGINT, ask);
    std::signal(SIGTERM, ask);
}

bool interrupted() { return asked != 0; }
