// How the main window makes its engines. The program uses the system's
// engines; tests put engines of their own in place before start-up.
#pragma once

#include "codec/gengine.h"

#include <windows.h>

#include <functional>
#include <memory>

// Positions in the engine submenu.
enum engineindex : int { engineGdi = 0, engineGdiPlus = 1, engineDirect2d = 2 };

struct enginefactory {
    // Whether a Direct2D engine can be made on this system; asked once at
    // start-up, before the main window exists.
    std::function<bool()> direct2dAvailable;
    // A new engine of the kind for `window`, or null when it cannot be made.
    std::function<std::unique_ptr<gengine>(engineindex kind, HWND window)> make;
};

// GDI, GDI+ and Direct2D.
enginefactory systemEngines();
