#include "app/enginefactory.h"

#include "engines/d2dengine.h"
#include "engines/gdiengine.h"
#include "engines/gdiplusengine.h"

namespace {

std::unique_ptr<gengine> makeSystemEngine(engineindex kind, HWND window)
{
    switch (kind) {
    case engineGdi: return std::make_unique<gdiengine>(window);
    case engineGdiPlus: return std::make_unique<gdiplusengine>(window);
    case engineDirect2d: return d2dengine::create(window);
    }
    return nullptr;
}

}  // namespace

enginefactory systemEngines()
{
    // The test runs without a window of the program's own: none exists yet.
    return {[] { return direct2dAvailable(nullptr); }, makeSystemEngine};
}
