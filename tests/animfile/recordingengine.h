// An engine that only records what it is asked to make, for the frame
// sources' tests: createFrame keeps its arguments and a copy of the payload.
#pragma once

#include "engines/gengine.h"

#include <cstdint>
#include <vector>

struct createcall {
    std::vector<uint8_t> payload;
    const uint8_t* address;
    uint32_t size;
    int32_t width;
    int32_t height;
    uint32_t bits;
};

class recordingengine : public gengine {
public:
    std::vector<createcall> calls;

    // What createFrame gives for 8-bit payloads: a token never dereferenced.
    frameimage* image() { return reinterpret_cast<frameimage*>(&token); }

    frameimage* createFrame(const uint8_t* payload, uint32_t size, int32_t width, int32_t height,
                            uint32_t bits) override {
        calls.push_back({std::vector<uint8_t>(payload, payload + size), payload, size, width,
                         height, bits});
        return bits == 8 ? image() : nullptr;
    }
    void destroyFrame(frameimage*) override {}

    void resize() override {}
    void beginDraw() override {}
    void endDraw() override {}
    void drawBackground() override {}
    void drawFrameInRect(frameimage*, const rect&) override {}
    void drawFrame(frameimage*) override {}
    void drawText(const char16_t*, int32_t) override {}
    bool loadBackground(const char16_t*) override { return false; }
    void captureDesktop() override {}
    frameimage* createFrameFromDib(const void*, const void*, uint32_t) override { return nullptr; }
    int32_t settingAChoiceCount() override { return 0; }
    int32_t settingAName(char16_t*, uint32_t) override { return 0; }
    int32_t settingAChoiceName(uint32_t, char16_t*, uint32_t) override { return 0; }
    void setSettingA(uint32_t) override {}
    int32_t settingBChoiceCount() override { return 0; }
    int32_t settingBName(char16_t*, uint32_t) override { return 0; }
    int32_t settingBChoiceName(uint32_t, char16_t*, uint32_t) override { return 0; }
    void setSettingB(uint32_t) override {}

private:
    char token = 0;
};
