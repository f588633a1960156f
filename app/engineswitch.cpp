// The engine switch: every engine starts with fixed settings, the same at
// every switch and every start.
#include "app/fatal.h"
#include "app/mainwindow.h"

namespace {

struct enginesettings {
    uint32_t choiceA;
    bool hasB;
    uint32_t choiceB;
};

// By engine index.
constexpr enginesettings fixedSettings[] = {
    {0, true, 1},  // GDI: white stays white, black stays black (the frame is copied)
    {7, true, 0},  // GDI+: high-quality bicubic scaling, frames painted in white
    {0, false, 0}, // Direct2D: frames drawn opaque; its second setting has no choices
};

}  // namespace

void mainwindow::selectEngine(engineindex kind)
{
    // The old engine goes first: two engines never hold the window at once.
    engine.reset();
    engine = engines.make(kind, hwnd);
    // The program never runs without an engine.
    if (!engine) fatal();
    const enginesettings& settings = fixedSettings[kind];
    engine->setSettingA(settings.choiceA);
    if (settings.hasB) engine->setSettingB(settings.choiceB);
    checkEngine(kind);
}
