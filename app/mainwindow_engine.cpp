// The engine switch: every engine starts with fixed settings, the same at
// every switch and every start.
#include "text/fatal.h"
#include "app/mainwindow.h"
#include "text/wtext.h"

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

const char16_t* const engineNames[] = {u"GDI", u"GDI+", u"Direct2D"};

}  // namespace

void mainwindow::selectEngine(engineindex kind)
{
    // The old engine goes first: two engines never hold the window at once.
    engine.reset();
    // One that cannot be made (Direct2D without a device, say) gives way to
    // the next simpler one rather than ending the program with its frames.
    engineindex made = kind;
    engine = engines.make(made, hwnd);
    while (!engine && made != engineGdi) {
        made = engineindex(made - 1);
        engine = engines.make(made, hwnd);
    }
    // GDI reports no failure: without even that there is nothing to draw with.
    if (!engine) fatal();
    if (made != kind) {
        wtext line(96);
        line.format(u"Engine error : cannot make %s, using %s", engineNames[kind],
                    engineNames[made]);
        logWindow.appendLine(line.data, line.length);
    }
    const enginesettings& settings = fixedSettings[made];
    engine->setSettingA(settings.choiceA);
    if (settings.hasB) engine->setSettingB(settings.choiceB);
    checkEngine(made);
}
