// Engines for the program's tests that write down every call the main window
// makes, in one journal shared by all the engines of a test, so that the
// order of engine switches and drawing steps can be read back.
#pragma once

#include "app/enginefactory.h"
#include "tests/engines/idleengine.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct journal {
    std::vector<std::string> lines;
    int liveFrames = 0;
    int mostLiveFrames = 0;
    // When set, createFrame makes no frame image.
    bool refuseFrames = false;

    void add(std::string line) { lines.push_back(std::move(line)); }
    std::vector<std::string> take() { return std::exchange(lines, {}); }
};

inline std::string rectText(const rect& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom) + ")";
}

// A frame image stands for the frame number its payload carries in its first
// two bytes (little-endian).
struct journalframe {
    int number;
};

class journalengine final : public idleengine {
public:
    journalengine(journal& log, std::string name, HWND window)
        : log(log), name(std::move(name)), window(window) {
        log.add("make " + this->name);
    }
    ~journalengine() override { log.add("destroy " + name); }

    void resize() override {
        RECT client = {};
        GetClientRect(window, &client);
        note("resize " + std::to_string(client.right) + "x" + std::to_string(client.bottom));
    }
    void beginDraw() override { note("begin"); }
    void endDraw() override { note("end"); }
    void drawBackground() override { note("background"); }
    void drawFrameInRect(frameimage* frame, const rect& target) override {
        note("frame " + std::to_string(numberOf(frame)) + " in " + rectText(target));
    }
    frameimage* createFrame(const uint8_t* payload, uint32_t size, int32_t, int32_t,
                            uint32_t) override {
        if (log.refuseFrames) return nullptr;
        const int number = size >= 2 ? payload[0] | payload[1] << 8 : -1;
        note("create " + std::to_string(number));
        log.mostLiveFrames = std::max(log.mostLiveFrames, ++log.liveFrames);
        return reinterpret_cast<frameimage*>(new journalframe{number});
    }
    void destroyFrame(frameimage* frame) override {
        note("release " + std::to_string(numberOf(frame)));
        --log.liveFrames;
        delete reinterpret_cast<journalframe*>(frame);
    }
    void setSettingA(uint32_t index) override { note("A=" + std::to_string(index)); }
    void setSettingB(uint32_t index) override { note("B=" + std::to_string(index)); }

    void drawFrame(frameimage*) override { note("drawFrame"); }
    void drawText(const char16_t*, int32_t) override { note("drawText"); }
    void captureDesktop() override { note("captureDesktop"); }

private:
    void note(const std::string& what) { log.add(name + " " + what); }
    static int numberOf(frameimage* frame) { return reinterpret_cast<journalframe*>(frame)->number; }

    journal& log;
    std::string name;
    HWND window;
};

// Journal engines named "gdi", "gdi+" and "d2d"; Direct2D available as told.
inline enginefactory journalEngines(journal& log, bool direct2dAvailable) {
    return {[direct2dAvailable] { return direct2dAvailable; },
            [&log](engineindex kind, HWND window) -> std::unique_ptr<gengine> {
                static const char* const names[] = {"gdi", "gdi+", "d2d"};
                return std::make_unique<journalengine>(log, names[kind], window);
            }};
}
