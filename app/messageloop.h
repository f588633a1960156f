// One step of the message loop.
#pragma once

#include <windows.h>

// Accelerators are translated against the window the message is addressed
// to: they reach the main window's commands only while the main window itself
// has the keyboard focus (the edit box ignores them).
void dispatchMessage(HACCEL accelerators, MSG& message);
