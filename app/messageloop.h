// One step of the message loop, with the program's own translation of keys
// into commands.
#pragma once

#include "shell/accelerators.h"

#include <windows.h>

#include <vector>

// The entries of an accelerator table resource, read once.
std::vector<accelerator> loadKeyTable(HINSTANCE instance, int id);

// A key with a command is sent as that command to the window the message is
// addressed to: the commands reach the main window only while it has the
// keyboard focus (the edit box ignores them). Any other message is
// translated and dispatched.
void dispatchMessage(const std::vector<accelerator>& keys, MSG& message);
