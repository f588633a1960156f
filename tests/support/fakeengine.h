// Notes each call, keeps payloads and pictures; as every engine, no image but of 8 bits.
#pragma once

#include "codec/gengine.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

using bytes = std::vector<uint8_t>;

class fakeengine : public gengine {
public:
    std::vector<std::string> steps;
    std::vector<bytes> payloads;
    std::vector<bytes> pictures;

    frameimage* createFrame(const uint8_t* payload, uint32_t size, int32_t width, int32_t height,
                            uint32_t bits) override {
        note("frame " + n(width) + "x" + n(height) + "x" + n(bits));
        payloads.emplace_back(payload, payload + size);
        return bits == 8 ? token() : nullptr;
    }
    frameimage* createFrameFromDib(const void* info, const void* pixels, uint32_t size) override {
        int32_t shape[3];  // biSize, biWidth, biHeight
        std::memcpy(shape, info, sizeof shape);
        note("picture " + n(shape[1]) + "x" + n(shape[2]));
        const auto* first = static_cast<const uint8_t*>(pixels);
        pictures.emplace_back(first, first + size);
        return token();
    }
    void destroyFrame(frameimage*) override { note("release"); }
    void resize() override { note("resize"); }
    void beginDraw() override { note("begin"); }
    void endDraw() override { note("end"); }
    void drawBackground() override { note("background"); }
    void drawFrameInRect(frameimage*, const rect& r) override {
        note("draw in " + n(r.left) + "," + n(r.top) + "," + n(r.right) + "," + n(r.bottom));
    }
    void drawFrame(frameimage*) override { note("draw"); }
    void drawText(const char16_t*, int32_t) override { note("text"); }
    bool loadBackground(const char16_t*) override { return false; }
    void captureDesktop() override {}
    int32_t settingAChoiceCount() override { return 0; }
    int32_t settingAName(char16_t*, uint32_t) override { return 0; }
    int32_t settingAChoiceName(uint32_t, char16_t*, uint32_t) override { return 0; }
    void setSettingA(uint32_t index) override { note("setting A " + n(index)); }
    int32_t settingBChoiceCount() override { return 0; }
    int32_t settingBName(char16_t*, uint32_t) override { return 0; }
    int32_t settingBChoiceName(uint32_t, char16_t*, uint32_t) override { return 0; }
    void setSettingB(uint32_t index) override { note("setting B " + n(index)); }

    std::vector<std::string> take() { return std::exchange(steps, {}); }

private:
    static std::string n(int64_t value) { return std::to_string(value); }
    void note(const std::string& step) { steps.push_back(step); }
    frameimage* token() { return reinterpret_cast<frameimage*>(&tokenByte); }
    char tokenByte = 0;
};
