#include "app/platformlibraries.h"

#include <windows.h>

#include <objbase.h>

#include <commctrl.h>
#include <gdiplus.h>

namespace {

// Kept for the whole run: GDI+ stays started until the process ends.
ULONG_PTR gdiplusToken = 0;
bool started = false;

}  // namespace

void startPlatformLibraries() {
    if (started) return;
    started = true;
    // Failures here show later, as engines or controls that cannot be made.
    CoInitialize(nullptr);
    // Registers the progress bar's class also with version 6 of the controls.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr);
}
