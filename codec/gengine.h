// The drawing interface of the main window: one engine at a time, made for the
// window and replaced on an engine switch. Frame images are made by an engine,
// owned by the caller and given back to the same engine with destroyFrame.
#pragma once

#include <cstdint>

// Opaque: every engine has its own representation behind this pointer.
struct frameimage;

// Client-area pixels; right and bottom are exclusive.
struct rect {
    int32_t left, top, right, bottom;
};

class gengine {
public:
    virtual void resize() = 0;
    virtual void beginDraw() = 0;
    virtual void endDraw() = 0;
    virtual void drawBackground() = 0;
    virtual void drawFrameInRect(frameimage* frame, const rect& target) = 0;
    virtual void drawFrame(frameimage* frame) = 0;
    virtual void drawText(const char16_t* text, int32_t length) = 0;
    virtual bool loadBackground(const char16_t* path) = 0;
    virtual void captureDesktop() = 0;
    // `info`: a 40-byte bitmap information header and its colour table;
    // `pixels`: the uncompressed rows it describes.
    virtual frameimage* createFrameFromDib(const void* info, const void* pixels, uint32_t size) = 0;
    // `payload`: one frame's run-length code stream. None unless bits is 8.
    // The image may refer to the payload until it is given back.
    virtual frameimage* createFrame(const uint8_t* payload, uint32_t size, int32_t width,
                                    int32_t height, uint32_t bits) = 0;
    virtual void destroyFrame(frameimage* frame) = 0;
    virtual int32_t settingAChoiceCount() = 0;
    virtual int32_t settingAName(char16_t* buffer, uint32_t capacity) = 0;
    virtual int32_t settingAChoiceName(uint32_t index, char16_t* buffer, uint32_t capacity) = 0;
    virtual void setSettingA(uint32_t index) = 0;
    virtual int32_t settingBChoiceCount() = 0;
    virtual int32_t settingBName(char16_t* buffer, uint32_t capacity) = 0;
    virtual int32_t settingBChoiceName(uint32_t index, char16_t* buffer, uint32_t capacity) = 0;
    virtual void setSettingB(uint32_t index) = 0;

    // The main window destroys whichever engine it holds through this
    // interface; declared last so that the twenty operations keep their slots.
    virtual ~gengine() = default;
};
