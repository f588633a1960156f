// An engine that does nothing and makes nothing: the test engines that watch
// the program override only the calls they note.
#pragma once

#include "engines/gengine.h"

class idleengine : public gengine {
public:
    frameimage* createFrame(const uint8_t*, uint32_t, int32_t, int32_t, uint32_t) override { return nullptr; }
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
};
