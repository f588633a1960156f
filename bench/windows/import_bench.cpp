// The BMP series import through the program's own objects: a series of
// 640 x 480 pictures of a walking silhouette, each shown through the engine
// while it is imported. Prints pictures per second, the time the engine took
// to show them, and the process's peak memory (run it once per count to
// compare: the peak is the process's own).
//   import_bench [engine: gdi, gdi+, d2d or none (default d2d)] [pictures (default 1000)]
// "none" is an engine that makes no picture: the read, encode and append
// work alone.
#include "app/application.h"
#include "app/filecommands.h"
#include "bench/frames.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

namespace {

constexpr uint32_t pictureWidth = 640;
constexpr uint32_t pictureHeight = 480;

double now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return double(counter.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

double drawing = 0;  // milliseconds the engine spent making and showing pictures

template <class F>
auto timed(F&& step) {
    struct adder {
        double start = now();
        ~adder() { drawing += now() - start; }
    } add;
    return step();
}

// Times the engine's part of showing a picture; "none" stands in with no engine behind it.
class timedengine final : public gengine {
public:
    explicit timedengine(std::unique_ptr<gengine> inner) : inner(std::move(inner)) {}

    frameimage* createFrameFromDib(const void* info, const void* pixels, uint32_t size) override {
        return timed(
            [&] { return inner ? inner->createFrameFromDib(info, pixels, size) : nullptr; });
    }
    void beginDraw() override {
        timed([&] { inner->beginDraw(); });
    }
    void drawBackground() override {
        timed([&] { inner->drawBackground(); });
    }
    void drawFrameInRect(frameimage* frame, const rect& target) override {
        timed([&] { inner->drawFrameInRect(frame, target); });
    }
    void endDraw() override {
        timed([&] { inner->endDraw(); });
    }
    void destroyFrame(frameimage* frame) override {
        timed([&] { inner->destroyFrame(frame); });
    }

    void resize() override {
        if (inner) inner->resize();
    }
    void drawFrame(frameimage*) override {}
    void drawText(const char16_t*, int32_t) override {}
    bool loadBackground(const char16_t*) override { return false; }
    void captureDesktop() override {}
    frameimage* createFrame(const uint8_t*, uint32_t, int32_t, int32_t, uint32_t) override {
        return nullptr;
    }
    int32_t settingAChoiceCount() override { return 0; }
    int32_t settingAName(char16_t*, uint32_t) override { return 0; }
    int32_t settingAChoiceName(uint32_t, char16_t*, uint32_t) override { return 0; }
    void setSettingA(uint32_t index) override {
        if (inner) inner->setSettingA(index);
    }
    int32_t settingBChoiceCount() override { return 0; }
    int32_t settingBName(char16_t*, uint32_t) override { return 0; }
    int32_t settingBChoiceName(uint32_t, char16_t*, uint32_t) override { return 0; }
    void setSettingB(uint32_t index) override {
        if (inner) inner->setSettingB(index);
    }

private:
    std::unique_ptr<gengine> inner;
};

void put16(std::string& out, uint32_t value) {
    out += char(value & 0xFF);
    out += char(value >> 8 & 0xFF);
}

void put32(std::string& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// An 8-bit BMP file of the frame with a grey colour table.
std::string bmpFile(const benchframe& frame) {
    std::string out;
    const uint32_t pixelBytes = uint32_t(frame.pixels.size());
    put16(out, 0x4D42);
    put32(out, 1078 + pixelBytes);
    put32(out, 0);
    put32(out, 1078);
    put32(out, 40);
    put32(out, frame.width);
    put32(out, frame.height);
    put16(out, 1);
    put16(out, 8);
    put32(out, 0);
    put32(out, pixelBytes);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 256);
    put32(out, 0);
    for (uint32_t level = 0; level < 256; ++level) put32(out, level * 0x010101);
    out.append(reinterpret_cast<const char*>(frame.pixels.data()), pixelBytes);
    return out;
}

std::wstring pictureName(const std::wstring& folder, uint32_t n) {
    wchar_t name[32];
    swprintf(name, 32, L"walk_%04u.bmp", n);
    return folder + name;
}

// Picture n: the silhouette moved right by 4 n pixels.
bool writeSeries(const std::wstring& folder, uint32_t count) {
    const benchframe figure = silhouetteFrame(pictureWidth, pictureHeight);
    benchframe moved = figure;
    for (uint32_t n = 0; n < count; ++n) {
        const uint32_t shift = (4 * n) % pictureWidth;
        for (uint32_t y = 0; y < pictureHeight; ++y) {
            const uint8_t* from = figure.pixels.data() + size_t(y) * figure.stride;
            std::rotate_copy(from, from + pictureWidth - shift, from + pictureWidth,
                             moved.pixels.data() + size_t(y) * moved.stride);
        }
        const std::string bytes = bmpFile(moved);
        HANDLE file = CreateFileW(pictureName(folder, n).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        const bool ok = file != INVALID_HANDLE_VALUE &&
                        WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
                        written == bytes.size();
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        if (!ok) return false;
    }
    return true;
}

void removeSeries(const std::wstring& folder, uint32_t count) {
    for (uint32_t n = 0; n < count; ++n) DeleteFileW(pictureName(folder, n).c_str());
    RemoveDirectoryW(folder.c_str());
}

// Milliseconds per passing line of the status log, as the import writes them.
double passingLineCost(editbox& log) {
    const char16_t line[] = u"File : walk_0000.bmp";
    const int lines = 100;
    const double start = now();
    for (int i = 0; i < lines; ++i) {
        log.appendLine(line, int32_t(std::size(line) - 1));
        log.removeLastLine();
    }
    return (now() - start) / lines;
}

// Milliseconds per step of the progress bar.
double progressStepCost(progressbar& bar) {
    const uint32_t steps = 100;
    bar.show();
    bar.setRange(steps);
    const double start = now();
    for (uint32_t i = 0; i < steps; ++i) bar.setPosition(i);
    const double cost = (now() - start) / steps;
    bar.hide();
    return cost;
}

double peakMegabytes() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return double(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string engineName = argc > 1 ? argv[1] : "d2d";
    const uint32_t count = argc > 2 ? uint32_t(std::strtoul(argv[2], nullptr, 10)) : 1000;
    const engineindex kind = engineName == "gdi"    ? engineGdi
                             : engineName == "gdi+" ? engineGdiPlus
                                                    : engineDirect2d;
    const bool drawn = engineName != "none";

    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    const std::wstring folder = std::wstring(temporary) + L"morva_import_bench_" +
                                std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    if (!writeSeries(folder, count)) {
        std::fprintf(stderr, "cannot write the series\n");
        removeSeries(folder, count);
        return 1;
    }

    application app(GetModuleHandleW(nullptr));
    const enginefactory system = systemEngines();
    app.mainWindow->engines.make = [&](engineindex made, HWND window) -> std::unique_ptr<gengine> {
        return std::make_unique<timedengine>(drawn ? system.make(made, window) : nullptr);
    };
    app.start(SW_SHOWMAXIMIZED);
    app.mainWindow->selectEngine(kind);
    const double lineCost = passingLineCost(app.mainWindow->logWindow);
    const double stepCost = progressStepCost(app.mainWindow->progressWindow);
    const double before = peakMegabytes();

    const std::wstring chosen = pictureName(folder, count / 2);
    const std::u16string path(chosen.begin(), chosen.end());
    drawing = 0;
    const double start = now();
    importSeries(app, path.c_str(), uint32_t(folder.size()), uint32_t(chosen.size() - 3));
    const double elapsed = now() - start;
    const uint32_t frames =
        app.animation.frameStore() ? app.animation.frameStore()->frameCount() : 0;

    const rect& area = app.mainWindow->frameRect;
    std::printf(
        "%-5s %u of %u pictures of %u x %u into a frame area of %d x %d: %.0f ms, "
        "%.0f pictures/s; showing %.2f ms/picture, the rest %.2f ms/picture; "
        "peak working set %.1f MB before, %.1f MB after; a passing log line %.2f ms, "
        "a progress step %.2f ms\n",
        engineName.c_str(), frames, count, pictureWidth, pictureHeight, area.right - area.left,
        area.bottom - area.top, elapsed, frames * 1000.0 / elapsed, drawing / count,
        (elapsed - drawing) / count, before, peakMegabytes(), lineCost, stepCost);
    app.shutdown();
    removeSeries(folder, count);
    return frames == count ? 0 : 2;
}
