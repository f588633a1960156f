// The engine on the Windows graphics device interface: a back buffer
// compatible with the window, frames drawn straight from their run-length
// coded bitmaps by stretching transfers, and the behaviours of white and of
// black realised with ternary raster operations.
#pragma once

#include "engines/composition.h"
#include "engines/gdipicture.h"
#include "engines/gengine.h"
#include "platform/scopedwin.h"

#include <windows.h>

#include <memory>
#include <optional>

class gdiengine final : public gengine {
public:
    explicit gdiengine(HWND window);
    gdiengine(const gdiengine&) = delete;
    gdiengine& operator=(const gdiengine&) = delete;

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

private:
    // Reads the client size and takes the window's device context.
    void attachToWindow();
    void makeBackBuffer();
    // The back buffer during a drawing pass, the window otherwise.
    HDC target() const;

    HWND window;
    RECT client{};
    int32_t width = 0;
    int32_t height = 0;
    std::optional<scopeddc> windowDC;
    bool drawing = false;
    // Selected into every back buffer; outlives them.
    scopedfont font;
    std::unique_ptr<gdipicture> back;
    // A desktop capture or a loaded picture file, whichever came last.
    std::unique_ptr<gdipicture> background;
    gdicomposition composition{};
    gdibehaviour whiteBehaviour = gdibehaviour::white;
    gdibehaviour blackBehaviour = gdibehaviour::black;
};
