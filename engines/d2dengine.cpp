#include "engines/d2dengine.h"

#include "codec/frameinfo.h"
#include "codec/rle8decoder.h"
#include "text/namecopy.h"
#include "win32/scopedwin.h"
#include "win32/wine.h"

#include <d2d1.h>
#include <dwrite.h>
#include <wincodec.h>

#include <algorithm>
#include <new>
#include <type_traits>
#include <utility>

using Microsoft::WRL::ComPtr;

namespace {

// Setting A, and the premultiplied pixel a frame's grey level g becomes in
// each mode: (g, g, g, 255), (g, g, g, 0) or (0, 0, 0, 255 - g).
enum class d2dmode : uint32_t { noTranslucent, whiteTop, blackTop };

struct premultipliedpixel {
    uint8_t blue, green, red, alpha;
};

premultipliedpixel d2dModePixel(d2dmode mode, uint8_t g) {
    switch (mode) {
    case d2dmode::noTranslucent: return {g, g, g, 255};
    case d2dmode::whiteTop: return {g, g, g, 0};
    case d2dmode::blackTop: break;
    }
    return {0, 0, 0, uint8_t(255 - g)};
}

// --- What is loaded at run time ---

using d2d1createfactory = HRESULT(WINAPI*)(D2D1_FACTORY_TYPE, REFIID, const D2D1_FACTORY_OPTIONS*,
                                           void**);
using dwritecreatefactory = HRESULT(WINAPI*)(DWRITE_FACTORY_TYPE, REFIID, IUnknown**);

template <class Entry>
Entry entryPoint(HMODULE library, const char* name) {
    if (!library) return nullptr;
    // Through the generic function pointer type, which converts to any other.
    return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// The libraries loaded at run time and the entry points taken from them.
struct direct2dentries {
    scopedlibrary d2d1{LoadLibraryW(L"d2d1.dll")};
    scopedlibrary dwrite{LoadLibraryW(L"dwrite.dll")};
    d2d1createfactory createFactory = entryPoint<d2d1createfactory>(d2d1, "D2D1CreateFactory");
    dwritecreatefactory createWriteFactory =
        entryPoint<dwritecreatefactory>(dwrite, "DWriteCreateFactory");
};

// What every engine of the process shares. Once made it is never released:
// at process exit COM and the libraries may already be gone, and releasing
// into them then would crash.
struct direct2dplatform {
    direct2dentries entries;  // first: the libraries outlive the factories they made
    ComPtr<ID2D1Factory> factory;
    ComPtr<IDWriteFactory> writeFactory;
    ComPtr<IWICImagingFactory> imagingFactory;
};

// Every step must succeed; on failure whatever was made is released again.
const direct2dplatform* loadPlatform() {
    std::unique_ptr<direct2dplatform> loaded(new (std::nothrow) direct2dplatform);
    if (!loaded) return nullptr;
    const direct2dentries& entries = loaded->entries;
    if (!entries.createFactory ||
        FAILED(entries.createFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory),
                                     nullptr, &loaded->factory)) ||
        !loaded->factory) {
        return nullptr;
    }
    if (!entries.createWriteFactory ||
        FAILED(entries.createWriteFactory(
            DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
            reinterpret_cast<IUnknown**>(loaded->writeFactory.GetAddressOf()))) ||
        !loaded->writeFactory) {
        return nullptr;
    }
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&loaded->imagingFactory)))) {
        return nullptr;
    }
    return loaded.release();
}

// Loaded by the first call that succeeds; a failed attempt leaves nothing behind.
const direct2dplatform* platform() {
    static const direct2dplatform* loaded = nullptr;
    if (!loaded) loaded = loadPlatform();
    return loaded;
}

// --- Surfaces ---

struct clientsize {
    uint32_t width;
    uint32_t height;
};

clientsize clientSizeOf(HWND window) {
    RECT client = {};
    if (!GetClientRect(window, &client)) return {0, 0};
    return {uint32_t(client.right - client.left), uint32_t(client.bottom - client.top)};
}

// A window without a client area (started minimised, or shrunk to no
// height) still takes a target: Direct2D refuses one of no pixels.
D2D1_SIZE_U atLeastOnePixel(clientsize size) {
    return {std::max(size.width, 1u), std::max(size.height, 1u)};
}

// Rectangles come in pixels of the client area. At 96 DPI one
// device-independent pixel is one pixel; the platform's default would take
// the display's scaling and draw 1.25 or 1.5 times too large, too far right.
constexpr float pixelDpi = 96.0f;

// The preferred pixel format first. Some systems (Wine) refuse it for window
// render targets; the second is one every Direct2D takes for them.
const DXGI_FORMAT windowTargetFormats[] = {DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_FORMAT_B8G8R8A8_UNORM};

// The hardware type first; where there is no hardware to be had (a virtual
// machine, a remote session without a GPU), the default type, which draws
// in software.
ComPtr<ID2D1HwndRenderTarget> makeWindowTarget(HWND window, clientsize size) {
    for (D2D1_RENDER_TARGET_TYPE type :
         {D2D1_RENDER_TARGET_TYPE_HARDWARE, D2D1_RENDER_TARGET_TYPE_DEFAULT}) {
        if (type == D2D1_RENDER_TARGET_TYPE_HARDWARE &&
            std::exchange(direct2dFaults().refuseHardwareTarget, false)) {
            continue;
        }
        for (DXGI_FORMAT format : windowTargetFormats) {
            D2D1_RENDER_TARGET_PROPERTIES properties = {
                type,     {format, D2D1_ALPHA_MODE_PREMULTIPLIED}, pixelDpi,
                pixelDpi, D2D1_RENDER_TARGET_USAGE_NONE,           D2D1_FEATURE_LEVEL_DEFAULT};
            D2D1_HWND_RENDER_TARGET_PROPERTIES windowProperties = {window, atLeastOnePixel(size),
                                                                   D2D1_PRESENT_OPTIONS_NONE};
            ComPtr<ID2D1HwndRenderTarget> target;
            if (SUCCEEDED(platform()->factory->CreateHwndRenderTarget(
                    &properties, &windowProperties, &target)) &&
                target) {
                return target;
            }
        }
    }
    return nullptr;
}

// Where the pictures are drawn off-screen: premultiplied 32-bit pixels, as
// GDI shows them with their fourth byte ignored. At least 1 x 1: a minimised
// window has no client area.
ComPtr<IWICBitmap> makeSurface(clientsize size) {
    ComPtr<IWICBitmap> surface;
    const D2D1_SIZE_U pixels = atLeastOnePixel(size);
    if (FAILED(platform()->imagingFactory->CreateBitmap(pixels.width, pixels.height,
                                                        GUID_WICPixelFormat32bppPBGRA,
                                                        WICBitmapCacheOnLoad, &surface))) {
        return nullptr;
    }
    return surface;
}

ComPtr<ID2D1RenderTarget> makeSurfaceTarget(IWICBitmap* surface) {
    D2D1_RENDER_TARGET_PROPERTIES properties = {
        D2D1_RENDER_TARGET_TYPE_DEFAULT,
        {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED},
        pixelDpi,
        pixelDpi,
        D2D1_RENDER_TARGET_USAGE_NONE,
        D2D1_FEATURE_LEVEL_DEFAULT};
    ComPtr<ID2D1RenderTarget> target;
    if (!surface ||
        FAILED(platform()->factory->CreateWicBitmapRenderTarget(surface, &properties, &target))) {
        return nullptr;
    }
    return target;
}

// Wine presents a window render target through an OpenGL surface laid over
// the whole client area: it hides the status log and the progress bar, keeps
// a closed dialog's image over them, and once it exists the log's scrolling
// waits forever for an X event. So the Wine way draws off-screen. Windows
// composes the target with the child windows, and there the window render
// target stays the faster way. (A DC render target avoids the surface too,
// but under Wine it measured about a hundred milliseconds slower for each
// picture.)
d2dengine::targets makeTargets(HWND window, presentway way, clientsize size) {
    d2dengine::targets made;
    if (way == presentway::wine) {
        made.surface = makeSurface(size);
        made.target = makeSurfaceTarget(made.surface.Get());
    } else {
        made.hwndTarget = makeWindowTarget(window, size);
        if (made.hwndTarget) made.hwndTarget.As(&made.target);
    }
    return made;
}

ComPtr<IDWriteTextFormat> makeTextFormat() {
    ComPtr<IDWriteTextFormat> format;
    if (FAILED(platform()->writeFactory->CreateTextFormat(
            L"Meiryo", nullptr, DWRITE_FONT_WEIGHT_NORMAL, DWRITE_FONT_STYLE_NORMAL,
            DWRITE_FONT_STRETCH_NORMAL, 48.0f, L"ja_JP", &format))) {
        return nullptr;
    }
    return format;
}

}  // namespace

// --- Frame images ---

// This engine's frame image. What its bitmap was made from is kept, to make
// it again on a new target when the old one was lost.
struct d2dframe {
    ComPtr<ID2D1Bitmap> bitmap;
    bool opaque;                   // made in No Translucent: covers whatever lies below it
    uint64_t generation;           // of the target the bitmap belongs to
    std::vector<uint32_t> pixels;  // a payload's, rows top-down
    D2D1_SIZE_U size;
    ComPtr<IWICBitmapSource> source;  // an imported picture's
};

namespace {

d2dframe* framePart(frameimage* frame) { return reinterpret_cast<d2dframe*>(frame); }

// Payload rows run bottom-up, so a frame's height is positive.
bool hasPixels(int32_t width, int32_t height) {
    return width > 0 && height > 0 && !frameTooLarge(width, height);
}

// The longest side of a bitmap the target's device takes.
uint32_t largestBitmapSide(ID2D1RenderTarget* target) {
    const uint32_t device = target->GetMaximumBitmapSize();
    const uint32_t lowered = direct2dFaults().largestBitmapSide;
    return lowered ? std::min(device, lowered) : device;
}

// Grey levels of `width` x `height` shrunk to `fitWidth` x `fitHeight`
// (neither larger): each the rounded mean of the levels it covers.
void shrinkGrey(const uint8_t* from, uint32_t width, uint32_t height, uint32_t fitWidth,
                uint32_t fitHeight, uint8_t* to) {
    for (uint32_t y = 0; y < fitHeight; ++y) {
        const uint32_t top = uint32_t(uint64_t(y) * height / fitHeight);
        const uint32_t bottom = uint32_t(uint64_t(y + 1) * height / fitHeight);
        for (uint32_t x = 0; x < fitWidth; ++x) {
            const uint32_t left = uint32_t(uint64_t(x) * width / fitWidth);
            const uint32_t right = uint32_t(uint64_t(x + 1) * width / fitWidth);
            uint64_t sum = 0;
            for (uint32_t row = top; row < bottom; ++row) {
                const uint8_t* line = from + size_t(row) * width;
                for (uint32_t column = left; column < right; ++column) sum += line[column];
            }
            const uint64_t count = uint64_t(bottom - top) * (right - left);
            to[size_t(y) * fitWidth + x] = uint8_t((sum + count / 2) / count);
        }
    }
}

// The premultiplied pixel (blue in the lowest byte) of every grey level in `mode`.
struct modepixels {
    uint32_t of[256];
};

modepixels pixelsOfMode(uint32_t mode) {
    modepixels table;
    for (uint32_t g = 0; g < 256; ++g) {
        premultipliedpixel p = d2dModePixel(d2dmode(mode), uint8_t(g));
        table.of[g] = uint32_t(p.blue) | uint32_t(p.green) << 8 | uint32_t(p.red) << 16 |
                      uint32_t(p.alpha) << 24;
    }
    return table;
}

// Grey levels of rows bottom-up to the mode's pixels of rows top-down.
void toModePixels(const uint8_t* grey, int32_t width, int32_t height, uint32_t mode,
                  uint32_t* pixels) {
    const modepixels table = pixelsOfMode(mode);
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* from = grey + size_t(row) * size_t(width);
        uint32_t* to = pixels + size_t(height - 1 - row) * size_t(width);
        for (int32_t x = 0; x < width; ++x) to[x] = table.of[from[x]];
    }
}

bool sameSize(ID2D1Bitmap* bitmap, int32_t width, int32_t height) {
    const D2D1_SIZE_U size = bitmap->GetPixelSize();
    return size.width == UINT32(width) && size.height == UINT32(height);
}

// Black Top: every pixel becomes black with opacity 255 - its blue value,
// which for a frame is its grey level. Only 32-bit pixels are rewritten; a
// bitmap of another layout (a display of fewer bits) makes no frame.
bool darkenByInverseBlue(IWICBitmap* bitmap) {
    WICPixelFormatGUID format;
    UINT width = 0, height = 0;
    if (FAILED(bitmap->GetPixelFormat(&format)) || format != GUID_WICPixelFormat32bppPBGRA ||
        FAILED(bitmap->GetSize(&width, &height))) {
        return false;
    }
    WICRect whole = {0, 0, INT(width), INT(height)};
    ComPtr<IWICBitmapLock> lock;
    UINT stride = 0, size = 0;
    BYTE* pixels = nullptr;
    if (FAILED(bitmap->Lock(&whole, WICBitmapLockRead | WICBitmapLockWrite, &lock)) ||
        FAILED(lock->GetStride(&stride)) || FAILED(lock->GetDataPointer(&size, &pixels)) ||
        uint64_t(stride) * height > size || uint64_t(width) * 4 > stride) {
        return false;
    }
    for (UINT y = 0; y < height; ++y) {
        BYTE* pixel = pixels + size_t(y) * stride;
        for (UINT x = 0; x < width; ++x, pixel += 4) {
            premultipliedpixel dark = d2dModePixel(d2dmode::blackTop, pixel[0]);
            pixel[0] = dark.blue;
            pixel[1] = dark.green;
            pixel[2] = dark.red;
            pixel[3] = dark.alpha;
        }
    }
    return true;
}

// The picture in `gdiBitmap` as premultiplied pixels of `mode`: opaque grey
// for No Translucent; for White Top, grey with the bitmap's fourth byte
// (0) as alpha, which adds it to the destination; black of the inverse grey
// as opacity for Black Top.
ComPtr<IWICBitmapSource> makeModeSource(uint32_t mode, HBITMAP gdiBitmap) {
    IWICImagingFactory* imaging = platform()->imagingFactory.Get();
    WICBitmapAlphaChannelOption alpha = d2dmode(mode) == d2dmode::noTranslucent
                                            ? WICBitmapIgnoreAlpha
                                            : WICBitmapUsePremultipliedAlpha;
    ComPtr<IWICBitmap> wicBitmap;
    if (FAILED(imaging->CreateBitmapFromHBITMAP(gdiBitmap, nullptr, alpha, &wicBitmap))) {
        return nullptr;
    }
    if (d2dmode(mode) == d2dmode::blackTop && !darkenByInverseBlue(wicBitmap.Get())) return nullptr;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(imaging->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(wicBitmap.Get(), GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return nullptr;
    }
    return converter;
}

// --- Settings ---

constexpr uint32_t modeCount = 3;
const char16_t* const modeNames[modeCount] = {u"No Translucent", u"White Top", u"Black Top"};

int32_t nameStatus(const char16_t* name, char16_t* buffer, uint32_t capacity) {
    return copyName(name, buffer, capacity).complete ? 0 : -1;
}

int32_t choiceName(const char16_t* name, char16_t* buffer, uint32_t capacity) {
    namecopy copied = copyName(name, buffer, capacity);
    return copied.complete ? int32_t(copied.length) : 0;
}

}  // namespace

direct2dfaults& direct2dFaults() {
    static direct2dfaults faults;
    return faults;
}

bool direct2dAvailable(HWND probe, presentway way) {
    if (!platform()) return false;
    if (probe) return d2dengine::create(probe, way) != nullptr;
    const scopedwindow hidden(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr,
                                              nullptr, GetModuleHandleW(nullptr), nullptr));
    return hidden && d2dengine::create(hidden, way) != nullptr;
}

std::unique_ptr<d2dengine> d2dengine::create(HWND window, presentway way) {
    if (!platform() || !IsWindow(window)) return nullptr;
    clientsize size = clientSizeOf(window);
    targets made = makeTargets(window, way, size);
    if (!made.target) return nullptr;
    ComPtr<IDWriteTextFormat> textFormat = makeTextFormat();
    if (!textFormat) return nullptr;
    return std::unique_ptr<d2dengine>(new (std::nothrow) d2dengine(
        window, way, size.width, size.height, std::move(made), std::move(textFormat)));
}

d2dengine::d2dengine(HWND window, presentway way, uint32_t width, uint32_t height, targets made,
                     ComPtr<IDWriteTextFormat> textFormat)
    : window(window),
      way(way),
      hwndTarget(std::move(made.hwndTarget)),
      surface(std::move(made.surface)),
      target(std::move(made.target)),
      width(width),
      height(height),
      textFormat(std::move(textFormat)) {}

d2dengine::~d2dengine() = default;

void d2dengine::resize() {
    clientsize size = clientSizeOf(window);
    width = size.width;
    height = size.height;
    if (hwndTarget) hwndTarget->Resize(atLeastOnePixel(size));
    if (surface) remakeSurface();
}

// An off-screen target keeps its size, so a new size takes a new target.
void d2dengine::remakeSurface() {
    UINT surfaceWidth = 0, surfaceHeight = 0;
    surface->GetSize(&surfaceWidth, &surfaceHeight);
    if (surfaceWidth == std::max(width, 1u) && surfaceHeight == std::max(height, 1u)) return;
    targets resized = makeTargets(window, way, {width, height});
    if (resized.target) takeTargets(std::move(resized));  // otherwise the old size stays
}

// The bitmaps belong to the target they were made on: the background
// pictures are made again for the new one, frame images when next drawn.
void d2dengine::takeTargets(targets made) {
    hwndTarget = std::move(made.hwndTarget);
    surface = std::move(made.surface);
    target = std::move(made.target);
    targetLost = false;
    ++generation;
    spare.Reset();
    desktop.Reset();
    picture.Reset();
    if (desktopPixels) target->CreateBitmapFromWicBitmap(desktopPixels.Get(), nullptr, &desktop);
    if (picturePixels) target->CreateBitmapFromWicBitmap(picturePixels.Get(), nullptr, &picture);
}

// The platform may lose the target (a display driver updated or reset, a
// remote session, an adapter removed): everything made on it is made again,
// and the next tick draws on the new one. A target that cannot be made yet
// is tried again at the next pass, which reports the loss again.
void d2dengine::remakeTarget() {
    targets made = makeTargets(window, way, clientSizeOf(window));
    if (made.target) takeTargets(std::move(made));
}

void d2dengine::beginDraw() {
    blackPending = false;
    target->BeginDraw();
}

void d2dengine::endDraw() {
    putBlack();
    HRESULT result = target->EndDraw();
    if (std::exchange(direct2dFaults().loseTarget, false)) targetLost = true;
    if (targetLost) result = D2DERR_RECREATE_TARGET;
    if (result == HRESULT(D2DERR_RECREATE_TARGET)) {
        remakeTarget();
    } else if (SUCCEEDED(result) && surface) {
        showSurface();
    }
}

// GDI copies the off-screen picture into the window, clipped to what of the
// client area the children leave.
void d2dengine::showSurface() {
    UINT surfaceWidth = 0, surfaceHeight = 0;
    surface->GetSize(&surfaceWidth, &surfaceHeight);
    WICRect whole = {0, 0, INT(surfaceWidth), INT(surfaceHeight)};
    ComPtr<IWICBitmapLock> lock;
    UINT stride = 0, size = 0;
    BYTE* pixels = nullptr;
    if (FAILED(surface->Lock(&whole, WICBitmapLockRead, &lock)) ||
        FAILED(lock->GetStride(&stride)) || FAILED(lock->GetDataPointer(&size, &pixels)) ||
        stride != surfaceWidth * 4 || uint64_t(stride) * surfaceHeight > size) {
        return;
    }
    BITMAPINFOHEADER rows = {};
    rows.biSize = sizeof rows;
    rows.biWidth = LONG(surfaceWidth);
    rows.biHeight = -LONG(surfaceHeight);  // top-down
    rows.biPlanes = 1;
    rows.biBitCount = 32;
    rows.biCompression = BI_RGB;
    scopeddc windowDC(window);
    SetDIBitsToDevice(windowDC, 0, 0, surfaceWidth, surfaceHeight, 0, 0, 0, surfaceHeight, pixels,
                      reinterpret_cast<const BITMAPINFO*>(&rows), DIB_RGB_COLORS);
}

// Without a picture the background is black, and the black is put down only
// where the next drawing does not cover it: under Wine every pixel Direct2D
// fills costs the processor as much as the frame's own, and an opaque frame
// covers most of the client area.
void d2dengine::drawBackground() {
    ID2D1Bitmap* background = picture ? picture.Get() : desktop.Get();
    if (background) {
        drawWholeBitmap(background, {0, 0, int32_t(width), int32_t(height)});
    } else {
        blackPending = true;
    }
}

void d2dengine::putBlack() {
    if (!blackPending) return;
    blackPending = false;
    target->Clear(D2D1::ColorF(0.0f, 0.0f, 0.0f, 1.0f));
}

// Black on the parts of the client area that `covered` leaves: the bands
// above and below it and the two beside it.
void d2dengine::putBlackAround(const rect& covered) {
    blackPending = false;
    ComPtr<ID2D1SolidColorBrush> black;
    if (FAILED(target->CreateSolidColorBrush(D2D1::ColorF(0.0f, 0.0f, 0.0f, 1.0f), &black))) return;
    const float w = float(width), h = float(height);
    const float left = std::clamp(float(covered.left), 0.0f, w);
    const float right = std::clamp(float(covered.right), left, w);
    const float top = std::clamp(float(covered.top), 0.0f, h);
    const float bottom = std::clamp(float(covered.bottom), top, h);
    const D2D1_RECT_F bands[] = {
        {0, 0, w, top}, {0, bottom, w, h}, {0, top, left, bottom}, {right, top, w, bottom}};
    for (const D2D1_RECT_F& band : bands) {
        if (band.right > band.left && band.bottom > band.top)
            target->FillRectangle(band, black.Get());
    }
}

void d2dengine::drawWholeBitmap(ID2D1Bitmap* bitmap, const rect& area) {
    D2D1_RECT_F destination =
        D2D1::RectF(float(area.left), float(area.top), float(area.right), float(area.bottom));
    target->DrawBitmap(bitmap, &destination, 1.0f, D2D1_BITMAP_INTERPOLATION_MODE_LINEAR, nullptr);
}

// A frame image made on a target since lost is made again on this one.
bool d2dengine::currentBitmap(d2dframe& frame) {
    if (frame.generation == generation) return frame.bitmap != nullptr;
    frame.bitmap.Reset();
    frame.generation = generation;
    if (frame.source) {
        target->CreateBitmapFromWicBitmap(frame.source.Get(), nullptr, &frame.bitmap);
    } else if (!frame.pixels.empty()) {
        const D2D1_BITMAP_PROPERTIES properties = {
            {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED}, 0.0f, 0.0f};
        target->CreateBitmap(frame.size, frame.pixels.data(), frame.size.width * 4, &properties,
                             &frame.bitmap);
    }
    return frame.bitmap != nullptr;
}

void d2dengine::drawFrameInRect(frameimage* frame, const rect& area) {
    if (!frame || !currentBitmap(*framePart(frame))) return;
    const d2dframe& shown = *framePart(frame);
    if (blackPending && shown.opaque && area.right > area.left && area.bottom > area.top) {
        putBlackAround(area);
    } else {
        putBlack();
    }
    drawWholeBitmap(shown.bitmap.Get(), area);
}

void d2dengine::drawFrame(frameimage* frame) {
    drawFrameInRect(frame, {0, 0, int32_t(width), int32_t(height)});
}

void d2dengine::drawText(const char16_t* text, int32_t length) {
    if (text == nullptr || length <= 0) return;
    putBlack();
    ComPtr<ID2D1SolidColorBrush> red;
    if (FAILED(target->CreateSolidColorBrush(D2D1::ColorF(1.0f, 0.0f, 0.0f, 1.0f), &red))) return;
    target->DrawText(reinterpret_cast<const wchar_t*>(text), UINT32(length), textFormat.Get(),
                     D2D1::RectF(0.0f, 0.0f, float(width), float(height)), red.Get(),
                     D2D1_DRAW_TEXT_OPTIONS_NONE, DWRITE_MEASURING_MODE_NATURAL);
}

bool d2dengine::loadBackground(const char16_t* path) {
    picture.Reset();
    picturePixels.Reset();
    if (path == nullptr) return false;
    IWICImagingFactory* imaging = platform()->imagingFactory.Get();
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> first;
    ComPtr<IWICFormatConverter> converter;
    ComPtr<IWICBitmap> pixels;
    if (FAILED(imaging->CreateDecoderFromFilename(reinterpret_cast<const wchar_t*>(path),
                                                  &GUID_VendorMicrosoft, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &first)) ||
        FAILED(imaging->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(first.Get(), GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeMedianCut)) ||
        FAILED(imaging->CreateBitmapFromSource(converter.Get(), WICBitmapCacheOnLoad, &pixels))) {
        return false;
    }
    ComPtr<ID2D1Bitmap> loaded;
    if (FAILED(target->CreateBitmapFromWicBitmap(pixels.Get(), nullptr, &loaded)) || !loaded) {
        return false;
    }
    picture = std::move(loaded);
    picturePixels = std::move(pixels);
    return true;
}

void d2dengine::captureDesktop() {
    desktop.Reset();
    desktopPixels.Reset();
    const scopeddisplaydc screen;
    if (!screen) return;
    int screenWidth = GetDeviceCaps(screen, HORZRES);
    int screenHeight = GetDeviceCaps(screen, VERTRES);
    scopedbitmap shot(CreateCompatibleBitmap(screen, screenWidth, screenHeight));
    if (!shot) return;
    {
        scopedmemorydc memory(screen);
        scopedselection selected(memory, shot);
        BitBlt(memory, 0, 0, screenWidth, screenHeight, screen, 0, 0, SRCCOPY);
    }  // the imaging component reads the bitmap only once no DC holds it
    IWICImagingFactory* imaging = platform()->imagingFactory.Get();
    ComPtr<IWICBitmap> wicBitmap;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(imaging->CreateBitmapFromHBITMAP(shot, nullptr, WICBitmapIgnoreAlpha, &wicBitmap)) ||
        FAILED(imaging->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(wicBitmap.Get(), GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(imaging->CreateBitmapFromSource(converter.Get(), WICBitmapCacheOnLoad,
                                               &desktopPixels))) {
        return;
    }
    target->CreateBitmapFromWicBitmap(desktopPixels.Get(), nullptr, &desktop);
}

// A picture larger than the device's bitmaps is shrunk to fit: it is drawn
// scaled into the frame area anyway.
frameimage* d2dengine::frameFromBitmap(HBITMAP gdiBitmap) {
    if (!gdiBitmap) return nullptr;
    ComPtr<IWICBitmapSource> source = makeModeSource(mode, gdiBitmap);
    UINT sourceWidth = 0, sourceHeight = 0;
    if (!source || FAILED(source->GetSize(&sourceWidth, &sourceHeight))) return nullptr;
    const uint32_t largest = largestBitmapSide(target.Get());
    if (sourceWidth > largest || sourceHeight > largest) {
        ComPtr<IWICBitmapScaler> scaler;
        if (FAILED(platform()->imagingFactory->CreateBitmapScaler(&scaler)) ||
            FAILED(scaler->Initialize(source.Get(), std::min(sourceWidth, largest),
                                      std::min(sourceHeight, largest),
                                      WICBitmapInterpolationModeFant))) {
            return nullptr;
        }
        source = std::move(scaler);
    }
    ComPtr<ID2D1Bitmap> bitmap;
    if (FAILED(source->GetSize(&sourceWidth, &sourceHeight)) || sourceWidth > largest ||
        sourceHeight > largest ||
        FAILED(target->CreateBitmapFromWicBitmap(source.Get(), nullptr, &bitmap)) || !bitmap) {
        return nullptr;
    }
    return reinterpret_cast<frameimage*>(new (std::nothrow)
                                             d2dframe{std::move(bitmap),
                                                      d2dmode(mode) == d2dmode::noTranslucent,
                                                      generation,
                                                      {},
                                                      {},
                                                      std::move(source)});
}

frameimage* d2dengine::createFrameFromDib(const void* info, const void* pixels, uint32_t size) {
    if (info == nullptr || pixels == nullptr) return nullptr;
    if (!wholeRowsFit(readDibShape(static_cast<const uint8_t*>(info)), size)) return nullptr;
    // The caller's header gives both the size and the colours: a picture keeps its own.
    auto header = static_cast<const BITMAPINFO*>(info);
    scopeddc windowDC(window);
    scopedbitmap gdiBitmap(
        CreateDIBitmap(windowDC, &header->bmiHeader, CBM_INIT, pixels, header, DIB_RGB_COLORS));
    return frameFromBitmap(gdiBitmap);
}

// The spare bitmap when it has the size, otherwise a new one; none beyond
// what the device takes.
ComPtr<ID2D1Bitmap> d2dengine::frameBitmap(int32_t frameWidth, int32_t frameHeight) {
    const uint32_t largest = largestBitmapSide(target.Get());
    if (uint32_t(frameWidth) > largest || uint32_t(frameHeight) > largest) return nullptr;
    if (spare && sameSize(spare.Get(), frameWidth, frameHeight)) return std::move(spare);
    spare.Reset();
    const D2D1_BITMAP_PROPERTIES properties = {
        {DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED}, 0.0f, 0.0f};
    ComPtr<ID2D1Bitmap> bitmap;
    if (FAILED(target->CreateBitmap(D2D1::SizeU(UINT32(frameWidth), UINT32(frameHeight)), nullptr,
                                    0, &properties, &bitmap))) {
        return nullptr;
    }
    return bitmap;
}

// The payload is decoded here and its pixels copied into a bitmap that is
// kept from frame to frame: the platform's way (a GDI decode, a conversion
// through WIC and a new Direct2D bitmap for every frame) takes several times
// as long. A damaged stream shows what was decoded before the fault. A
// frame larger than the device's bitmaps is shrunk to fit: it is drawn
// scaled into the frame area anyway.
frameimage* d2dengine::createFrame(const uint8_t* payload, uint32_t size, int32_t frameWidth,
                                   int32_t frameHeight, uint32_t bits) {
    if (bits != 8 || payload == nullptr || !hasPixels(frameWidth, frameHeight)) return nullptr;
    const uint32_t largest = largestBitmapSide(target.Get());
    const uint32_t fitWidth = std::min(uint32_t(frameWidth), largest);
    const uint32_t fitHeight = std::min(uint32_t(frameHeight), largest);
    if (fitWidth == 0 || fitHeight == 0) return nullptr;
    const size_t count = size_t(frameWidth) * size_t(frameHeight);  // at most 2^28
    const size_t fitCount = size_t(fitWidth) * fitHeight;
    const bool shrunk = fitCount != count;
    try {
        grey.resize(count);
        if (shrunk) fitted.resize(fitCount);
        pixels.resize(fitCount);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    decodeRle8(payload, size, frameWidth, frameHeight, grey.data(), count, size_t(frameWidth));
    if (shrunk) {
        shrinkGrey(grey.data(), frameWidth, frameHeight, fitWidth, fitHeight, fitted.data());
    }
    toModePixels(shrunk ? fitted.data() : grey.data(), int32_t(fitWidth), int32_t(fitHeight), mode,
                 pixels.data());
    ComPtr<ID2D1Bitmap> bitmap = frameBitmap(int32_t(fitWidth), int32_t(fitHeight));
    if (!bitmap || FAILED(bitmap->CopyFromMemory(nullptr, pixels.data(), fitWidth * 4))) {
        return nullptr;
    }
    return reinterpret_cast<frameimage*>(new (std::nothrow)
                                             d2dframe{std::move(bitmap),
                                                      d2dmode(mode) == d2dmode::noTranslucent,
                                                      generation,
                                                      std::move(pixels),
                                                      {fitWidth, fitHeight},
                                                      {}});
}

// Its bitmap stays as the spare for the next frame, its pixels as the room
// for the next frame's.
void d2dengine::destroyFrame(frameimage* frame) {
    d2dframe* given = framePart(frame);
    if (given == nullptr) return;
    if (given->generation == generation) spare = std::move(given->bitmap);
    if (!given->pixels.empty()) pixels = std::move(given->pixels);
    delete given;
}

int32_t d2dengine::settingAChoiceCount() { return int32_t(modeCount); }

int32_t d2dengine::settingAName(char16_t* buffer, uint32_t capacity) {
    return nameStatus(u"Mode", buffer, capacity);
}

int32_t d2dengine::settingAChoiceName(uint32_t index, char16_t* buffer, uint32_t capacity) {
    return choiceName(index < modeCount ? modeNames[index] : u"", buffer, capacity);
}

void d2dengine::setSettingA(uint32_t index) {
    if (index < modeCount) mode = index;
}

int32_t d2dengine::settingBChoiceCount() { return 0; }

int32_t d2dengine::settingBName(char16_t* buffer, uint32_t capacity) {
    return nameStatus(u"No Settings", buffer, capacity);
}

int32_t d2dengine::settingBChoiceName(uint32_t, char16_t* buffer, uint32_t capacity) {
    return choiceName(u"", buffer, capacity);
}

void d2dengine::setSettingB(uint32_t) {}
