#include "app/enginefactory.h"

#include "engines/d2dengine.h"
#include "engines/gdiengine.h"
#include "engines/gdiplusengine.h"
#include "win32/wine.h"

enginefactory systemEngines()
{
    // The way the engines present is the platform's, taken once for the run.
    const presentway way = platformWay();
    // The test runs without a window of the program's own: none exists yet.
    return {[way] { return direct2dAvailable(nullptr, way); },
            [way](engineindex kind, HWND window) -> std::unique_ptr<gengine> {
                switch (kind) {
                case engineGdi: return std::make_unique<gdiengine>(window);
                case engineGdiPlus: return std::make_unique<gdiplusengine>(window, way);
                case engineDirect2d: return d2dengine::create(window, way);
                }
                return nullptr;
            }};
}
