// The Direct2D engine: draws through a Direct2D window render target (or,
// where that would cover the window's children, into an imaging-component
// bitmap that GDI then shows in the window), writes text with DirectWrite,
// and fills Direct2D bitmaps from decoded frame payloads. Imported pictures reach
// Direct2D by way of GDI and the Windows Imaging Component. Direct2D and
// DirectWrite are loaded at run time, so the program also runs where they
// are missing and then simply does without this engine.
#pragma once

#include "codec/gengine.h"
#include "win32/wine.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>
#include <wrl/client.h>

struct ID2D1HwndRenderTarget;
struct ID2D1RenderTarget;
struct ID2D1Bitmap;
struct IDWriteTextFormat;
struct IWICBitmap;
struct d2dframe;

// Loads Direct2D and DirectWrite, makes their factories and the imaging
// factory (kept for the rest of the process), and proves that an engine
// presenting `way` can really be made: on `probe`, or on a hidden window of
// its own when `probe` is null. COM must be initialised on the calling thread.
bool direct2dAvailable(HWND probe, presentway way);

// Failures of the device that these machines never meet, made to happen for
// a test: a smaller largest bitmap side (0: the device's own); the next
// window render target of the hardware type refused; the target lost at the
// next EndDraw, reported there until it is made again.
struct direct2dfaults {
    uint32_t largestBitmapSide = 0;
    bool refuseHardwareTarget = false;
    bool loseTarget = false;
};
direct2dfaults& direct2dFaults();

class d2dengine final : public gengine {
public:
    // The engine for `window`, presenting `way`, or null when Direct2D is not
    // available or the engine's render target or text format cannot be made.
    static std::unique_ptr<d2dengine> create(HWND window, presentway way);
    ~d2dengine() override;
    d2dengine(const d2dengine&) = delete;
    d2dengine& operator=(const d2dengine&) = delete;

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
    // 0 when the whole name fitted, -1 when it was cut.
    int32_t settingAName(char16_t* buffer, uint32_t capacity) override;
    // The name's length when it fitted, otherwise 0 (the buffer holds what fitted).
    int32_t settingAChoiceName(uint32_t index, char16_t* buffer, uint32_t capacity) override;
    void setSettingA(uint32_t index) override;
    int32_t settingBChoiceCount() override;
    // As settingAName.
    int32_t settingBName(char16_t* buffer, uint32_t capacity) override;
    int32_t settingBChoiceName(uint32_t index, char16_t* buffer, uint32_t capacity) override;
    void setSettingB(uint32_t index) override;

    // What the engine draws through: the window render target, or the
    // off-screen surface and its target.
    struct targets {
        Microsoft::WRL::ComPtr<ID2D1HwndRenderTarget> hwndTarget;
        Microsoft::WRL::ComPtr<IWICBitmap> surface;
        Microsoft::WRL::ComPtr<ID2D1RenderTarget> target;
    };

private:
    d2dengine(HWND window, presentway way, uint32_t width, uint32_t height, targets made,
              Microsoft::WRL::ComPtr<IDWriteTextFormat> textFormat);

    void remakeSurface();
    void takeTargets(targets made);
    void remakeTarget();
    bool currentBitmap(d2dframe& frame);
    void showSurface();
    frameimage* frameFromBitmap(HBITMAP gdiBitmap);
    Microsoft::WRL::ComPtr<ID2D1Bitmap> frameBitmap(int32_t width, int32_t height);
    void drawWholeBitmap(ID2D1Bitmap* bitmap, const rect& area);
    void putBlack();
    void putBlackAround(const rect& covered);

    HWND window;
    presentway way;
    // Either the window render target, or the off-screen surface that
    // `target` draws into; `target` is the one drawn through.
    Microsoft::WRL::ComPtr<ID2D1HwndRenderTarget> hwndTarget;
    Microsoft::WRL::ComPtr<IWICBitmap> surface;
    Microsoft::WRL::ComPtr<ID2D1RenderTarget> target;
    Microsoft::WRL::ComPtr<ID2D1Bitmap> desktop;
    Microsoft::WRL::ComPtr<ID2D1Bitmap> picture;
    // The pixels of both, kept to make them again for a new off-screen target.
    Microsoft::WRL::ComPtr<IWICBitmap> desktopPixels;
    Microsoft::WRL::ComPtr<IWICBitmap> picturePixels;
    uint32_t width = 0;
    uint32_t height = 0;
    Microsoft::WRL::ComPtr<IDWriteTextFormat> textFormat;
    uint32_t mode = 0;          // setting A: applied when frame images are made
    bool blackPending = false;  // the black background is still to be put down
    bool targetLost = false;    // made so by the test's fault, until the target is remade
    // Counts the targets made: a frame image made on an earlier one is made again.
    uint64_t generation = 0;
    // A bitmap given back with its frame image, refilled by the next frame of
    // its size instead of a new one being made; the decoded grey levels and
    // those shrunk to fit the device; the pixels a frame image gave back.
    Microsoft::WRL::ComPtr<ID2D1Bitmap> spare;
    std::vector<uint8_t> grey;
    std::vector<uint8_t> fitted;
    std::vector<uint32_t> pixels;
};
