// The engine switch: every engine starts with its fixed settings.
#include "app/mainwindow.h"
#include "text/fatal.h"
#include "text/wtext.h"

void mainwindow::selectEngine(engineindex kind) {
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
        line.format(u"Engine error : cannot make %s, using %s", engineTable[kind].name,
                    engineTable[made].name);
        logWindow.appendLine(line.data, line.length);
    }
    const enginerow& row = engineTable[made];
    engine->setSettingA(row.settingA);
    if (row.hasSettingB) engine->setSettingB(row.settingB);
    checkEngine(made);
}
