#include "app/enginetable.h"

#include "engines/d2dengine.h"
#include "engines/gdiengine.h"
#include "engines/gdiplusengine.h"
#include "resources/resource.h"

const enginerow engineTable[3] = {
    // White stays white, black stays black: the frame is copied.
    {engineGdi, IDM_ENGINE_GDI, u"GDI", 0, true, 1,
     [](HWND window, presentway) -> std::unique_ptr<gengine> {
         return std::make_unique<gdiengine>(window);
     }},
    // High-quality bicubic scaling, frames painted in white.
    {engineGdiPlus, IDM_ENGINE_GDIPLUS, u"GDI+", 7, true, 0,
     [](HWND window, presentway way) -> std::unique_ptr<gengine> {
         return std::make_unique<gdiplusengine>(window, way);
     }},
    // Frames drawn opaque.
    {engineDirect2d, IDM_ENGINE_DIRECT2D, u"Direct2D", 0, false, 0,
     [](HWND window, presentway way) -> std::unique_ptr<gengine> {
         return d2dengine::create(window, way);
     }},
};

const enginerow* engineOfCommand(uint32_t id) {
    for (const enginerow& row : engineTable)
        if (row.command == id) return &row;
    return nullptr;
}

enginefactory systemEngines() {
    // The way the engines present is the platform's, taken once for the run.
    const presentway way = platformWay();
    // The test runs without a window of the program's own: none exists yet.
    return {[way] { return direct2dAvailable(nullptr, way); },
            [way](engineindex kind, HWND window) { return engineTable[kind].make(window, way); }};
}
