#include "engines/gdiplusengine.h"

#include "codec/frameinfo.h"
#include "codec/rle8decoder.h"
#include "text/namecopy.h"
#include "win32/scopedwin.h"
#include "win32/wine.h"

#include <objidl.h>  // GDI+ needs it and the lean windows.h leaves it out

#include <gdiplus.h>

#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

void gdiplusdeleter::operator()(GpGraphics* graphics) const { GdipDeleteGraphics(graphics); }
void gdiplusdeleter::operator()(GpImage* image) const { GdipDisposeImage(image); }
void gdiplusdeleter::operator()(GpBitmap* bitmap) const { GdipDisposeImage(bitmap); }

namespace {

// Setting B: the colour a frame's white parts (or black parts) take on.
enum class gdiplusforeground : uint32_t { white, black };

// Entry i of a frame's palette, 32-bit ARGB. White: white with alpha i;
// black: black with alpha 255 - i.
uint32_t foregroundPaletteEntry(gdiplusforeground foreground, uint8_t index) {
    if (foreground == gdiplusforeground::white) return uint32_t(index) << 24 | 0x00FFFFFFu;
    return uint32_t(255 - index) << 24;
}

struct brushdeleter {
    void operator()(GpSolidFill* brush) const { GdipDeleteBrush(brush); }
};
struct fontdeleter {
    void operator()(GpFont* font) const { GdipDeleteFont(font); }
};
struct familydeleter {
    void operator()(GpFontFamily* family) const { GdipDeleteFontFamily(family); }
};
using gdiplusbrush = std::unique_ptr<GpSolidFill, brushdeleter>;
using gdiplusfont = std::unique_ptr<GpFont, fontdeleter>;
using gdiplusfamily = std::unique_ptr<GpFontFamily, familydeleter>;

// Grey levels of a frame, rows bottom-up (as payloads and bottom-up
// pictures store them) and padded to whole 32-bit words, as an 8-bit
// GDI+ bitmap reads them.
struct greyframe {
    int32_t width = 0;
    int32_t height = 0;
    size_t stride = 0;
    std::unique_ptr<uint8_t[]> pixels;
};

// This engine's frame image. The bitmap reads its pixels from `colours`
// without copying them, so it is declared after them and released before
// them. A frame the platform could not make has no bitmap and draws nothing.
struct gdiplusframe {
    colourbuffer colours;
    gdiplusowner<GpBitmap> bitmap;
};

frameimage* handOut(gdiplusframe* frame) { return reinterpret_cast<frameimage*>(frame); }

gdiplusframe* framePart(frameimage* frame) { return reinterpret_cast<gdiplusframe*>(frame); }

// Room for width x height grey levels; no pixels when that can't be had.
greyframe allocateGrey(int32_t width, int32_t height) {
    greyframe grey;
    if (width <= 0 || height <= 0 || frameTooLarge(width, height)) return grey;
    const uint64_t stride = rowStride(uint64_t(width));
    if (stride > uint64_t(INT32_MAX)) return grey;  // GDI+ takes the stride as an int
    uint64_t bytes = stride * uint64_t(height);     // below 2^62: no overflow
    if (bytes > SIZE_MAX) return grey;
    grey.pixels.reset(new (std::nothrow) uint8_t[size_t(bytes)]);
    if (!grey.pixels) return grey;
    grey.width = width;
    grey.height = height;
    grey.stride = size_t(stride);
    return grey;
}

// The foreground palette, premultiplied: entry i is the colour a grey level
// i stands for, white (i, i, i, i) or black (0, 0, 0, 255 - i).
struct premultipliedpalette {
    uint32_t entries[256];
};

premultipliedpalette paletteFor(uint32_t foreground) {
    premultipliedpalette palette;
    for (uint32_t i = 0; i < 256; ++i) {
        const uint32_t entry = foregroundPaletteEntry(gdiplusforeground(foreground), uint8_t(i));
        const uint32_t alpha = entry >> 24;
        uint32_t premultiplied = alpha << 24;
        for (int shift = 0; shift < 24; shift += 8) {
            premultiplied |= ((entry >> shift & 0xFF) * alpha + 127) / 255 << shift;
        }
        palette.entries[i] = premultiplied;
    }
    return palette;
}

// The frame image of `grey` in the colours of `foreground`, as premultiplied
// 32-bit colours rather than an 8-bit bitmap with the palette: GDI+ works in
// those, and Wine's GDI+ draws an 8-bit bitmap into a device context unscaled
// without its palette's alpha. The colours go into `spare` when it has the
// size.
frameimage* makeFrame(greyframe&& grey, uint32_t foreground, colourbuffer& spare) {
    std::unique_ptr<gdiplusframe> frame(new (std::nothrow) gdiplusframe);
    if (!frame) return nullptr;
    if (!grey.pixels || grey.width > INT32_MAX / 4) return handOut(frame.release());
    const size_t count = size_t(grey.width) * size_t(grey.height);  // at most 2^28
    if (spare.count == count) {
        frame->colours = std::move(spare);
        spare = {};
    } else {
        frame->colours = {std::unique_ptr<uint32_t[]>(new (std::nothrow) uint32_t[count]), count};
    }
    if (!frame->colours.pixels) return handOut(frame.release());
    const premultipliedpalette palette = paletteFor(foreground);
    for (int32_t row = 0; row < grey.height; ++row) {
        // Stored bottom-up; the bitmap's rows run top-down.
        const uint8_t* from = grey.pixels.get() + grey.stride * size_t(grey.height - 1 - row);
        uint32_t* to = frame->colours.pixels.get() + size_t(row) * size_t(grey.width);
        for (int32_t x = 0; x < grey.width; ++x) to[x] = palette.entries[from[x]];
    }
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(grey.width, grey.height, grey.width * 4, PixelFormat32bppPARGB,
                                  reinterpret_cast<BYTE*>(frame->colours.pixels.get()),
                                  &bitmap) == Ok) {
        frame->bitmap.reset(bitmap);
    }
    return handOut(frame.release());
}

// The grey levels of an uncompressed 8-bit picture whose rows are padded to
// 32-bit words; no pixels when the header describes anything else or more
// rows than `size` bytes hold (the last row's padding may be missing).
greyframe copyPicture(const void* info, const void* pixels, uint32_t size) {
    if (info == nullptr || pixels == nullptr) return {};
    dibshape shape = readDibShape(static_cast<const uint8_t*>(info));
    if (shape.bitsPerPixel != 8 || shape.compression != dibCompressionRgb ||
        shape.height == INT32_MIN) {
        return {};
    }
    int32_t rows = shape.height < 0 ? -shape.height : shape.height;
    if (shape.width <= 0 || rows <= 0) return {};
    const uint64_t stride = rowStride(uint64_t(shape.width));
    if (stride * uint64_t(rows - 1) + uint64_t(shape.width) > size) return {};
    greyframe grey = allocateGrey(shape.width, rows);
    if (!grey.pixels) return grey;
    const uint8_t* source = static_cast<const uint8_t*>(pixels);
    for (int32_t r = 0; r < rows; ++r) {
        int32_t stored = shape.height > 0 ? r : rows - 1 - r;
        std::memcpy(grey.pixels.get() + size_t(r) * grey.stride,
                    source + size_t(stored) * grey.stride, size_t(grey.width));
    }
    return grey;
}

constexpr uint32_t interpolationCount = 8;
// Choice i is the platform's interpolation mode of value i.
const char16_t* const interpolationNames[interpolationCount] = {
    u"Default",         u"Low",        u"High",      u"Biliner", u"Bicubic",
    u"NearestNeighbor", u"HQ Biliner", u"HQ Bicubic"};

constexpr uint32_t foregroundCount = 2;
const char16_t* const foregroundNames[foregroundCount] = {u"White", u"Black"};

// The units written, or 0 when the name did not fit or nothing was written.
int32_t nameResult(const char16_t* name, char16_t* buffer, uint32_t capacity) {
    namecopy copied = copyName(name, buffer, capacity);
    return copied.complete ? int32_t(copied.length) : 0;
}

int32_t choiceName(const char16_t* const* names, uint32_t count, uint32_t index, char16_t* buffer,
                   uint32_t capacity) {
    namecopy copied = copyChoiceName(names, count, index, buffer, capacity);
    return copied.complete ? int32_t(copied.length) : 0;
}

// Paths of the file dialog's size at most; anything longer is taken as damaged.
constexpr size_t pathCapacity = 260;

bool usablePath(const char16_t* path) {
    if (path == nullptr || path[0] == u'\0') return false;
    for (size_t i = 1; i < pathCapacity; ++i) {
        if (path[i] == u'\0') return true;
    }
    return false;
}

// The font drawText uses; the generic sans-serif family stands in when the
// named one is missing.
gdiplusfont makeTextFont() {
    constexpr REAL emSize = 72;
    GpFontFamily* family = nullptr;
    GpFont* font = nullptr;
    if (GdipCreateFontFamilyFromName(L"meiryo", nullptr, &family) == Ok) {
        gdiplusfamily named(family);
        if (GdipCreateFont(family, emSize, FontStyleRegular, UnitPixel, &font) == Ok)
            return gdiplusfont(font);
    }
    if (GdipGetGenericFontFamilySansSerif(&family) != Ok) return nullptr;
    gdiplusfamily generic(family);
    if (GdipCreateFont(family, emSize, FontStyleRegular, UnitPixel, &font) != Ok) return nullptr;
    return gdiplusfont(font);
}

}  // namespace

gdiplusengine::gdiplusengine(HWND window, presentway way) : window(window), way(way) {
    makeGraphics();
}

// A bitmap's graphics context goes before the bitmap.
gdiplusengine::~gdiplusengine() { backGraphics.reset(); }

// The window's graphics and the back buffer for the window's present size,
// both with the chosen interpolation.
void gdiplusengine::makeGraphics() {
    backGraphics.reset();
    backBitmap.reset();
    backDevice.reset();
    windowGraphics.reset();
    GpGraphics* graphics = nullptr;
    if (GdipCreateFromHWND(window, &graphics) == Ok) windowGraphics.reset(graphics);
    makeBackBuffer();
    GdipSetInterpolationMode(windowGraphics.get(), InterpolationMode(interpolation));
    GdipSetInterpolationMode(backGraphics.get(), InterpolationMode(interpolation));
}

// The drawing area is one pixel wider and taller than the client area.
void gdiplusengine::makeBackBuffer() {
    RECT client = {};
    GetClientRect(window, &client);
    left = client.left;
    top = client.top;
    width = client.right - client.left + 1;
    height = client.bottom - client.top + 1;
    if (way == presentway::wine) {
        makeDeviceBackBuffer();
    } else {
        makeBitmapBackBuffer();
    }
}

// Under Wine, GDI+ draws into a bitmap's graphics context pixel by pixel
// through the bitmap's GetPixel and SetPixel: filling the background and
// showing the buffer took 20 to 40 ms each, against under 1 ms through a
// memory device context, where filling and copying are GDI's. On Windows
// the bitmap is GDI+'s own fastest surface.
void gdiplusengine::makeDeviceBackBuffer() {
    {
        scopeddc windowDC(window);
        backDevice = makeCompatiblePicture(windowDC, width, height);
    }
    GpGraphics* graphics = nullptr;
    if (GdipCreateFromHDC(backDevice->dc(), &graphics) == Ok) backGraphics.reset(graphics);
}

void gdiplusengine::makeBitmapBackBuffer() {
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromGraphics(width, height, windowGraphics.get(), &bitmap) != Ok) return;
    backBitmap.reset(bitmap);
    GpGraphics* graphics = nullptr;
    if (GdipGetImageGraphicsContext(backBitmap.get(), &graphics) == Ok)
        backGraphics.reset(graphics);
}

GpGraphics* gdiplusengine::target() const {
    return drawing ? backGraphics.get() : windowGraphics.get();
}

void gdiplusengine::resize() { makeGraphics(); }

void gdiplusengine::beginDraw() { drawing = true; }

void gdiplusengine::endDraw() {
    if (!drawing) return;
    if (backDevice) {
        GdipFlush(backGraphics.get(), FlushIntentionSync);
        scopeddc windowDC(window);
        BitBlt(windowDC, left, top, width, height, backDevice->dc(), 0, 0, SRCCOPY);
    } else {
        GdipDrawImageRectI(windowGraphics.get(), backBitmap.get(), left, top, width, height);
    }
    drawing = false;
}

void gdiplusengine::drawBackground() {
    GpImage* background = picture ? picture.get() : desktop.get();
    if (background) {
        GdipDrawImageRectI(target(), background, left, top, width, height);
        return;
    }
    GpSolidFill* brush = nullptr;
    if (GdipCreateSolidFill(0xFF000000, &brush) != Ok) return;
    gdiplusbrush black(brush);
    GdipFillRectangleI(target(), black.get(), left, top, width, height);
}

void gdiplusengine::drawFrameInRect(frameimage* image, const rect& area) {
    gdiplusframe* frame = framePart(image);
    if (frame == nullptr || !frame->bitmap) return;
    // GDI+ would mirror the picture into a rectangle of negative extent.
    int64_t w = int64_t(area.right) - area.left;
    int64_t h = int64_t(area.bottom) - area.top;
    if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX) return;
    GdipDrawImageRectI(target(), frame->bitmap.get(), area.left, area.top, INT(w), INT(h));
}

void gdiplusengine::drawFrame(frameimage* frame) {
    drawFrameInRect(frame, {left, top, left + width, top + height});
}

void gdiplusengine::drawText(const char16_t* text, int32_t length) {
    if (text == nullptr || length <= 0) return;
    gdiplusfont font = makeTextFont();
    GpSolidFill* brush = nullptr;
    if (!font || GdipCreateSolidFill(0xFFFF0000, &brush) != Ok) return;
    gdiplusbrush red(brush);
    RectF point(0, 0, 0, 0);  // no wrapping, no clipping
    GdipDrawString(target(), reinterpret_cast<const WCHAR*>(text), length, font.get(), &point,
                   nullptr, red.get());
}

bool gdiplusengine::loadBackground(const char16_t* path) {
    if (!usablePath(path)) return false;
    picture.reset();
    GpImage* image = nullptr;
    if (GdipLoadImageFromFile(reinterpret_cast<const WCHAR*>(path), &image) != Ok) return false;
    picture.reset(image);
    return true;
}

void gdiplusengine::captureDesktop() {
    const scopeddisplaydc screen;
    if (!screen) return;
    int w = GetDeviceCaps(screen, HORZRES);
    int h = GetDeviceCaps(screen, VERTRES);
    desktop.reset();
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromGraphics(w, h, windowGraphics.get(), &bitmap) != Ok) return;
    desktop.reset(bitmap);
    GpGraphics* graphics = nullptr;
    if (GdipGetImageGraphicsContext(desktop.get(), &graphics) != Ok) return;
    gdiplusowner<GpGraphics> context(graphics);
    HDC dc = nullptr;
    if (GdipGetDC(context.get(), &dc) != Ok) return;
    BitBlt(dc, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    GdipReleaseDC(context.get(), dc);
}

frameimage* gdiplusengine::createFrameFromDib(const void* info, const void* pixels, uint32_t size) {
    // The picture's own colours give way to the foreground palette: each
    // pixel value is a grey level.
    return makeFrame(copyPicture(info, pixels, size), foreground, spare);
}

frameimage* gdiplusengine::createFrame(const uint8_t* payload, uint32_t size, int32_t width,
                                       int32_t height, uint32_t bits) {
    if (bits != 8 || frameTooLarge(width, height)) return nullptr;
    // Decoded here rather than by GDI+, which does not decode BI_RLE8 on
    // every system. A damaged stream shows what was decoded before the
    // fault, an empty one a frame of grey level 0.
    greyframe grey = allocateGrey(width, height);
    if (grey.pixels) {
        decodeRle8(payload, payload ? size : 0, width, height, grey.pixels.get(),
                   grey.stride * size_t(height), grey.stride);
    }
    return makeFrame(std::move(grey), foreground, spare);
}

// Its colours stay as the spare for the next frame of the size: a new block
// of that size costs Wine more than filling it.
void gdiplusengine::destroyFrame(frameimage* frame) {
    gdiplusframe* given = framePart(frame);
    if (given == nullptr) return;
    given->bitmap.reset();
    if (given->colours.pixels) spare = std::move(given->colours);
    delete given;
}

int32_t gdiplusengine::settingAChoiceCount() { return int32_t(interpolationCount); }

int32_t gdiplusengine::settingAName(char16_t* buffer, uint32_t capacity) {
    return nameResult(u"Interpolation Mode", buffer, capacity);
}

int32_t gdiplusengine::settingAChoiceName(uint32_t index, char16_t* buffer, uint32_t capacity) {
    return choiceName(interpolationNames, interpolationCount, index, buffer, capacity);
}

void gdiplusengine::setSettingA(uint32_t index) {
    if (index >= interpolationCount) return;
    interpolation = index;
    GdipSetInterpolationMode(windowGraphics.get(), InterpolationMode(index));
    GdipSetInterpolationMode(backGraphics.get(), InterpolationMode(index));
}

int32_t gdiplusengine::settingBChoiceCount() { return int32_t(foregroundCount); }

int32_t gdiplusengine::settingBName(char16_t* buffer, uint32_t capacity) {
    return nameResult(u"Foreground Color", buffer, capacity);
}

int32_t gdiplusengine::settingBChoiceName(uint32_t index, char16_t* buffer, uint32_t capacity) {
    return choiceName(foregroundNames, foregroundCount, index, buffer, capacity);
}

void gdiplusengine::setSettingB(uint32_t index) {
    if (index < foregroundCount) foreground = index;
}

SIZE gdiplusengine::backBufferSize() const {
    if (backDevice) return {LONG(backDevice->width()), LONG(backDevice->height())};
    UINT w = 0, h = 0;
    if (GdipGetImageWidth(backBitmap.get(), &w) != Ok ||
        GdipGetImageHeight(backBitmap.get(), &h) != Ok) {
        return {0, 0};
    }
    return {LONG(w), LONG(h)};
}
