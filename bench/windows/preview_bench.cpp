// Preview of a 1920 x 1080 animation of 300 frames with each engine, through
// the program's own objects, window timer and message loop step: which frames
// came on screen, and how long each tick took.
//   preview_bench [show command: 3 maximised (default), 1 normal]
#include "animfile/tmpfile.h"
#include "app/application.h"
#include "app/messageloop.h"
#include "bench/frames.h"
#include "codec/frameencoder.h"
#include "resources/resource.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

namespace {

constexpr uint32_t frameWidth = 1920;
constexpr uint32_t frameHeight = 1080;
constexpr uint32_t frameCount = 300;

// The silhouette walking across the picture: frame i is moved right by 6 i pixels.
std::unique_ptr<TMPfile> walkingAnimation() {
    const benchframe figure = silhouetteFrame(frameWidth, frameHeight);
    benchframe moved = figure;
    std::vector<uint8_t> payload(size_t(payloadBound(frameWidth, frameHeight)));
    auto store = std::make_unique<TMPfile>();
    store->openTempFile();
    store->setFrameSize(int32_t(frameWidth), int32_t(frameHeight));
    for (uint32_t i = 0; i < frameCount; ++i) {
        const uint32_t shift = (6 * i) % frameWidth;
        for (uint32_t y = 0; y < frameHeight; ++y) {
            const uint8_t* from = figure.pixels.data() + size_t(y) * figure.stride;
            uint8_t* to = moved.pixels.data() + size_t(y) * moved.stride;
            std::rotate_copy(from, from + frameWidth - shift, from + frameWidth, to);
        }
        const size_t size = encodeFrame(moved.pixels.data(), frameWidth, frameHeight, moved.stride,
                                        8, payload.data());
        if (!store->appendFrame(payload.data(), uint32_t(size))) return nullptr;
    }
    return store;
}

double now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return double(counter.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// Milliseconds spent in each step of a tick, summed over the playback.
struct steps {
    double makeFrame = 0;    // reading the payload and making the frame image
    double createFrame = 0;  // the engine's part of it
    double background = 0;
    double frame = 0;    // drawFrameInRect
    double present = 0;  // endDraw
    double release = 0;  // destroyFrame
};

steps timing;

template <class F>
auto timed(double& total, F&& step) {
    struct adder {
        double& total;
        double start = now();
        ~adder() { total += now() - start; }
    } add{total};
    return step();
}

// The real engine, with the time of every step a tick takes noted.
class timedengine final : public gengine {
public:
    explicit timedengine(std::unique_ptr<gengine> inner) : inner(std::move(inner)) {}

    void resize() override { inner->resize(); }
    void beginDraw() override { inner->beginDraw(); }
    void endDraw() override {
        timed(timing.present, [&] { inner->endDraw(); });
    }
    void drawBackground() override {
        timed(timing.background, [&] { inner->drawBackground(); });
    }
    void drawFrameInRect(frameimage* frame, const rect& target) override {
        timed(timing.frame, [&] { inner->drawFrameInRect(frame, target); });
    }
    void drawFrame(frameimage* frame) override { inner->drawFrame(frame); }
    void drawText(const char16_t* text, int32_t length) override { inner->drawText(text, length); }
    bool loadBackground(const char16_t* path) override { return inner->loadBackground(path); }
    void captureDesktop() override { inner->captureDesktop(); }
    frameimage* createFrameFromDib(const void* info, const void* pixels, uint32_t size) override {
        return inner->createFrameFromDib(info, pixels, size);
    }
    frameimage* createFrame(const uint8_t* payload, uint32_t size, int32_t width, int32_t height,
                            uint32_t bits) override {
        return timed(timing.createFrame,
                     [&] { return inner->createFrame(payload, size, width, height, bits); });
    }
    void destroyFrame(frameimage* frame) override {
        timed(timing.release, [&] { inner->destroyFrame(frame); });
    }
    int32_t settingAChoiceCount() override { return inner->settingAChoiceCount(); }
    int32_t settingAName(char16_t* buffer, uint32_t capacity) override {
        return inner->settingAName(buffer, capacity);
    }
    int32_t settingAChoiceName(uint32_t index, char16_t* buffer, uint32_t capacity) override {
        return inner->settingAChoiceName(index, buffer, capacity);
    }
    void setSettingA(uint32_t index) override { inner->setSettingA(index); }
    int32_t settingBChoiceCount() override { return inner->settingBChoiceCount(); }
    int32_t settingBName(char16_t* buffer, uint32_t capacity) override {
        return inner->settingBName(buffer, capacity);
    }
    int32_t settingBChoiceName(uint32_t index, char16_t* buffer, uint32_t capacity) override {
        return inner->settingBChoiceName(index, buffer, capacity);
    }
    void setSettingB(uint32_t index) override { inner->setSettingB(index); }

private:
    std::unique_ptr<gengine> inner;
};

// The store as the window's frame source, noting every frame asked for.
class notingsource : public morvafile {
public:
    explicit notingsource(TMPfile& store) : store(store) {}
    frameimage* makeFrame(gengine& engine, uint32_t number) override {
        asked.insert(number);
        return timed(timing.makeFrame, [&] { return store.makeFrame(engine, number); });
    }
    uint32_t frameCount() const override { return store.frameCount(); }

    std::set<uint32_t> asked;

private:
    TMPfile& store;
};

struct playback {
    uint32_t shown;
    uint32_t ticks;
    double elapsed;
    double meanTick;
    double p95Tick;
    double worstTick;
};

// Plays the source to its end on the current engine with the real clock.
playback play(application& app, notingsource& source) {
    mainwindow& window = *app.mainWindow;
    const std::vector<accelerator> keys = loadKeyTable(app.instance, IDR_MAINMENU);
    source.asked.clear();
    window.showSource(&source);
    source.asked.clear();
    timing = {};
    std::vector<double> ticks;
    const double start = now();
    window.togglePreview();
    MSG message;
    while (window.playing && GetMessageW(&message, nullptr, 0, 0) > 0) {
        const bool tick = message.message == WM_TIMER && message.hwnd == window.hwnd;
        const double before = now();
        dispatchMessage(keys, message);
        if (tick) ticks.push_back(now() - before);
    }
    const double elapsed = now() - start;
    std::vector<double> sorted = ticks;
    std::sort(sorted.begin(), sorted.end());
    double total = 0;
    for (double t : ticks) total += t;
    return {uint32_t(source.asked.size()),
            uint32_t(ticks.size()),
            elapsed,
            ticks.empty() ? 0 : total / double(ticks.size()),
            sorted.empty() ? 0 : sorted[sorted.size() * 95 / 100],
            sorted.empty() ? 0 : sorted.back()};
}

}  // namespace

int main(int argc, char** argv) {
    const int showCommand = argc > 1 ? std::atoi(argv[1]) : SW_SHOWMAXIMIZED;
    std::unique_ptr<TMPfile> store = walkingAnimation();
    if (!store) {
        std::fprintf(stderr, "cannot build the animation\n");
        return 1;
    }
    application app(GetModuleHandleW(nullptr));
    const enginefactory system = systemEngines();
    app.mainWindow->engines.make = [&system](engineindex kind,
                                             HWND window) -> std::unique_ptr<gengine> {
        std::unique_ptr<gengine> engine = system.make(kind, window);
        if (!engine) return nullptr;
        return std::make_unique<timedengine>(std::move(engine));
    };
    app.start(showCommand);
    notingsource source(*store);
    RECT client;
    GetClientRect(app.mainWindow->hwnd, &client);
    std::printf("%u frames of %u x %u at %u fps; client area %ld x %ld, frame area %d x %d\n",
                frameCount, frameWidth, frameHeight, 30u, client.right, client.bottom,
                app.mainWindow->frameRect.right - app.mainWindow->frameRect.left,
                app.mainWindow->frameRect.bottom - app.mainWindow->frameRect.top);

    struct choice {
        engineindex kind;
        const char* name;
    };
    const choice engines[] = {
        {engineGdi, "GDI"}, {engineGdiPlus, "GDI+"}, {engineDirect2d, "Direct2D"}};
    bool allShown = true;
    for (const choice& engine : engines) {
        if (engine.kind == engineDirect2d && !app.mainWindow->direct2dAvailable) {
            std::printf("%-9s not available\n", engine.name);
            continue;
        }
        app.mainWindow->selectEngine(engine.kind);
        const playback result = play(app, source);
        std::printf(
            "%-9s %3u of %u frames shown (%u skipped), %u ticks in %.0f ms; "
            "tick mean %.1f ms, 95%% %.1f ms, worst %.1f ms\n",
            engine.name, result.shown, frameCount, frameCount - result.shown, result.ticks,
            result.elapsed, result.meanTick, result.p95Tick, result.worstTick);
        const double perTick = result.ticks ? 1.0 / result.ticks : 0;
        std::printf(
            "          per tick: read %.1f ms, createFrame %.1f ms, background %.1f ms, "
            "drawFrameInRect %.1f ms, endDraw %.1f ms, destroyFrame %.1f ms\n",
            (timing.makeFrame - timing.createFrame) * perTick, timing.createFrame * perTick,
            timing.background * perTick, timing.frame * perTick, timing.present * perTick,
            timing.release * perTick);
        allShown = allShown && result.shown == frameCount;
    }
    app.mainWindow->frameSource = nullptr;
    DestroyWindow(app.mainWindow->hwnd);
    app.shutdown();
    return allShown ? 0 : 2;
}
