// The GDI+ engine: frames become bitmaps whose colours turn each grey level
// into an opacity of one foreground colour (white or black), alpha-blended
// over the background and scaled with the chosen interpolation.
// GDI+ must be started (GdiplusStartup) before an engine is made.
#pragma once

#include "codec/gengine.h"
#include "engines/gdipicture.h"
#include "win32/wine.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Gdiplus {
class GpGraphics;
class GpImage;
class GpBitmap;
}  // namespace Gdiplus

// Releases a GDI+ object the way its kind is released.
struct gdiplusdeleter {
    void operator()(Gdiplus::GpGraphics* graphics) const;
    void operator()(Gdiplus::GpImage* image) const;
    void operator()(Gdiplus::GpBitmap* bitmap) const;
};

template <class T>
using gdiplusowner = std::unique_ptr<T, gdiplusdeleter>;

// The premultiplied 32-bit colours of a frame image.
struct colourbuffer {
    std::unique_ptr<uint32_t[]> pixels;
    size_t count = 0;
};

class gdiplusengine final : public gengine {
public:
    gdiplusengine(HWND window, presentway way);
    ~gdiplusengine() override;
    gdiplusengine(const gdiplusengine&) = delete;
    gdiplusengine& operator=(const gdiplusengine&) = delete;

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

    // The size of the back buffer as GDI+ holds it (0 x 0 when there is none).
    SIZE backBufferSize() const;

private:
    Gdiplus::GpGraphics* target() const;
    void makeGraphics();
    void makeBackBuffer();
    void makeBitmapBackBuffer();
    void makeDeviceBackBuffer();

    HWND window;
    presentway way;
    // Made again on every resize: a graphics made from a window keeps the
    // clip its device had then.
    gdiplusowner<Gdiplus::GpGraphics> windowGraphics;
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;   // client width + 1: the drawing area
    int32_t height = 0;  // client height + 1
    bool drawing = false;
    // The back buffer: a bitmap with its graphics context, or under Wine a
    // memory device context with a graphics made for it.
    std::unique_ptr<gdipicture> backDevice;
    gdiplusowner<Gdiplus::GpGraphics> backGraphics;  // released before backBitmap
    gdiplusowner<Gdiplus::GpBitmap> backBitmap;
    gdiplusowner<Gdiplus::GpImage> picture;
    gdiplusowner<Gdiplus::GpBitmap> desktop;
    uint32_t interpolation = 0;  // setting A: the platform's mode of that value
    uint32_t foreground = 0;     // 0 white, 1 black
    colourbuffer spare;          // given back with a frame image, for the next one
};
