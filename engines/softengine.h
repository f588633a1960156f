// An engine without a platform: draws into memory with the GDI engine's
// composition rule and the same two settings. It is not offered to the user;
// it lets frame sources, preview and import run without Windows, and its
// pictures are the reference the Windows engines are compared with.
//
// Pictures are 32-bit pixels 0x00RRGGBB (bytes blue, green, red, 0 in
// memory on a little-endian machine, like a 32-bit device-independent
// bitmap), rows top-down, `width` pixels per row, black at first.
//
// Scaling samples the nearest source pixel: destination column i of a target
// w pixels wide shows frame column floor((2i + 1) * frameWidth / (2w)), the
// frame pixel under the destination pixel's centre; rows alike, counted from
// the frame's top. At frame size this is a plain copy of every pixel.
//
// What it does not have: background pictures (loadBackground is false,
// captureDesktop and drawBackground draw nothing, as the GDI engine does with
// no picture) and fonts (drawText draws nothing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engines/composition.h"
#include "engines/gengine.h"

class softengine final : public gengine {
public:
    // A window whose client area is width x height; the surface takes that size.
    softengine(int32_t width, int32_t height);

    // Stands for the user resizing the window: the new client size, which the
    // next resize() takes. The window's picture becomes black at that size.
    void setClientSize(int32_t width, int32_t height);

    void resize() override;
    void beginDraw() override;
    void endDraw() override;
    void drawBackground() override;
    void drawFrameInRect(frameimage* frame, const rect& target) override;
    void drawFrame(frameimage* frame) override;
    void drawText(const char16_t* text, int32_t length) override;
    bool loadBackground(const char16_t* path) override;
    void captureDesktop() override;
    frameimage* createFrameFromDib(const void* info, const void* pixels, uint32_t size) override;
    frameimage* createFrame(const uint8_t* payload, uint32_t size, int32_t width, int32_t height,
                            uint32_t bits) override;
    void destroyFrame(frameimage* frame) override;
    int32_t settingAChoiceCount() override;
    int32_t settingAName(char16_t* buffer, uint32_t capacity) override;
    int32_t settingAChoiceName(uint32_t index, char16_t* buffer, uint32_t capacity) override;
    void setSettingA(uint32_t index) override;
    int32_t settingBChoiceCount() override;
    int32_t settingBName(char16_t* buffer, uint32_t capacity) override;
    int32_t settingBChoiceName(uint32_t index, char16_t* buffer, uint32_t capacity) override;
    void setSettingB(uint32_t index) override;

    struct picture {
        int32_t width = 0;
        int32_t height = 0;
        std::vector<uint32_t> pixels;  // rows top-down

        uint32_t at(int32_t x, int32_t y) const {
            return pixels[size_t(y) * size_t(width) + size_t(x)];
        }
    };

    // The off-screen surface, which drawing between beginDraw and endDraw
    // changes; tests may also paint it to give frames a destination.
    const picture& surface() const { return back; }
    picture& surface() { return back; }
    // What the window shows: the surface as the last endDraw presented it,
    // and whatever was drawn outside a drawing pass.
    const picture& presented() const { return window; }

private:
    picture& target() { return drawing ? back : window; }

    int32_t clientWidth;
    int32_t clientHeight;
    picture back;
    picture window;
    bool drawing = false;
    gdibehaviour whiteBehaviour = gdibehaviour::white;
    gdibehaviour blackBehaviour = gdibehaviour::black;
};
