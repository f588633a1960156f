// The engine on the Windows graphics device interface: a back buffer
// compatible with the window, frames drawn straight from their run-length
// coded bitmaps by stretching transfers, and the behaviours of white and of
// black realised with ternary raster operations.
#pragma once

#include "codec/gengine.h"
#include "engines/gdipicture.h"
#include "win32/scopedwin.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>

// The behaviour of white (setting A) and of black (setting B).
enum class gdibehaviour : uint32_t { white, black, unchanged, inverted };
constexpr uint32_t gdiBehaviourCount = 4;

// Ternary raster operation codes, as GDI defines them.
namespace rop {
constexpr uint32_t none = 0;  // frames are not drawn
constexpr uint32_t blackness = 0x00000042;
constexpr uint32_t notSrcErase = 0x001100A6;
constexpr uint32_t notSrcCopy = 0x00330008;
constexpr uint32_t srcErase = 0x00440328;
constexpr uint32_t dstInvert = 0x00550009;
constexpr uint32_t srcInvert = 0x00660046;
constexpr uint32_t srcAnd = 0x008800C6;
constexpr uint32_t srcCopy = 0x00CC0020;
constexpr uint32_t srcPaint = 0x00EE0086;
constexpr uint32_t whiteness = 0x00FF0062;
}  // namespace rop

// Where the frame is white the destination becomes what `white` says, where
// it is black what `black` says, grey levels bitwise alike. The GDI engine
// realises each pair of behaviours so: optionally invert the frame into a
// temporary picture first (preInvert), optionally invert the destination
// (invertDestination), then put the source on with `rop`.
struct gdicomposition {
    uint32_t rop;
    bool preInvert;
    bool invertDestination;
};

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
    std::optional<scopedselection> fontSelection;  // goes before the back buffer
    // A desktop capture or a loaded picture file, whichever came last.
    std::unique_ptr<gdipicture> background;
    gdicomposition composition{};
    gdibehaviour whiteBehaviour = gdibehaviour::white;
    gdibehaviour blackBehaviour = gdibehaviour::black;
};
