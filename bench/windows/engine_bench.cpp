// One preview tick per engine: make a frame image from a payload, draw it
// over the background into a 1280 x 960 rectangle, present, give it back.
// Prints the median and the slowest tick in milliseconds.
//   engine_bench [ticks] [GDI|GDI+|Direct2D]   (all three when no engine is named)
#include "app/platformlibraries.h"
#include "bench/frames.h"
#include "codec/frameencoder.h"
#include "engines/d2dengine.h"
#include "engines/gdiengine.h"
#include "engines/gdiplusengine.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr rect target = {0, 0, 1280, 960};

HWND makeWindow() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"MorvaEngineBench";
    RegisterClassExW(&windowClass);
    RECT frame = {0, 0, target.right, target.bottom};
    AdjustWindowRectEx(&frame, WS_POPUP, FALSE, 0);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"engine bench", WS_POPUP, 0, 0,
                                  frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

void pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

struct payload {
    int32_t width, height;
    std::vector<uint8_t> bytes;
};

payload encodedSilhouette(uint32_t width, uint32_t height) {
    benchframe frame = silhouetteFrame(width, height);
    payload encoded{int32_t(width), int32_t(height),
                    std::vector<uint8_t>(payloadBound(width, height))};
    encoded.bytes.resize(
        encodeFrame(frame.pixels.data(), width, height, frame.stride, 6, encoded.bytes.data()));
    return encoded;
}

double milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    return 1000.0 * double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

void measure(const char* name, gengine& engine, const payload& frame, int ticks) {
    std::vector<double> times;
    for (int i = 0; i < ticks + 3; ++i) {  // the first ticks warm caches and drivers
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        frameimage* image = engine.createFrame(frame.bytes.data(), uint32_t(frame.bytes.size()),
                                               frame.width, frame.height, 8);
        engine.beginDraw();
        engine.drawBackground();
        engine.drawFrameInRect(image, target);
        engine.endDraw();
        if (image) engine.destroyFrame(image);
        QueryPerformanceCounter(&end);
        pump();
        if (i >= 3) times.push_back(milliseconds(start, end));
    }
    std::sort(times.begin(), times.end());
    std::printf("%-8s %4dx%-4d  median %7.2f ms  slowest %7.2f ms  (%d ticks)\n", name, frame.width,
                frame.height, times[times.size() / 2], times.back(), ticks);
}

void measureDirect2d(HWND window, const payload& frame, int ticks) {
    std::unique_ptr<d2dengine> engine = direct2dAvailable(window, platformWay())
                                            ? d2dengine::create(window, platformWay())
                                            : nullptr;
    if (!engine) {
        std::printf("Direct2D not available\n");
        return;
    }
    engine->setSettingA(0);
    engine->resize();
    measure("Direct2D", *engine, frame, ticks);
}

}  // namespace

int main(int argc, char** argv) {
    int ticks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const char* only = argc > 2 ? argv[2] : nullptr;
    auto wanted = [only](const char* name) { return !only || std::strcmp(only, name) == 0; };
    startPlatformLibraries();
    HWND window = makeWindow();
    pump();
    const payload frames[] = {encodedSilhouette(640, 480), encodedSilhouette(1920, 1080)};
    for (const payload& frame : frames) {
        if (wanted("GDI")) {
            gdiengine engine(window);
            engine.setSettingA(0);
            engine.setSettingB(1);
            engine.resize();
            measure("GDI", engine, frame, ticks);
        }
        if (wanted("GDI+")) {
            gdiplusengine engine(window, platformWay());
            engine.setSettingA(7);
            engine.setSettingB(0);
            engine.resize();
            measure("GDI+", engine, frame, ticks);
        }
        if (wanted("Direct2D")) measureDirect2d(window, frame, ticks);
    }
    DestroyWindow(window);
    return 0;
}
