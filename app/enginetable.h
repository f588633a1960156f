// The program's engines in one table, in the order of the Engine submenu:
// each with its menu command, its name in log lines, the settings it starts
// with (the same at every switch and every start) and how it is made. The
// main window makes its engines through a factory that tests replace.
#pragma once

#include "codec/gengine.h"
#include "win32/wine.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

// Positions in the engine submenu and in the table; a simpler engine comes
// first, so an engine that cannot be made gives way to the one before it.
enum engineindex : int { engineGdi = 0, engineGdiPlus = 1, engineDirect2d = 2 };

struct enginerow {
    engineindex kind;
    uint32_t command;
    const char16_t* name;
    uint32_t settingA;
    bool hasSettingB;  // Direct2D's second setting has no choices
    uint32_t settingB;
    std::unique_ptr<gengine> (*make)(HWND window, presentway way);
};

extern const enginerow engineTable[3];

// The row of menu command `id`, or null.
const enginerow* engineOfCommand(uint32_t id);

struct enginefactory {
    // Whether a Direct2D engine can be made on this system; asked once at
    // start-up, before the main window exists.
    std::function<bool()> direct2dAvailable;
    // A new engine of the kind for `window`, or null when it cannot be made.
    std::function<std::unique_ptr<gengine>(engineindex kind, HWND window)> make;
};

// The table's engines, presenting the platform's way.
enginefactory systemEngines();
