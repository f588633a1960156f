#include "engines/gdiengine.h"

#include "codec/frameinfo.h"
#include "resources/resource.h"
#include "text/namecopy.h"

#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

namespace {

// Rows: the behaviour of white; columns: the behaviour of black.
constexpr gdicomposition gdiRealisations[gdiBehaviourCount][gdiBehaviourCount] = {
    {{rop::whiteness, false, false},
     {rop::srcCopy, false, false},
     {rop::srcPaint, false, false},
     {rop::srcPaint, false, true}},
    {{rop::notSrcCopy, false, false},
     {rop::blackness, false, false},
     {rop::srcAnd, true, false},
     {rop::notSrcErase, false, false}},
    {{rop::srcPaint, true, false},
     {rop::srcAnd, false, false},
     {rop::none, false, false},
     {rop::srcInvert, true, false}},
    {{rop::srcPaint, true, true},
     {rop::srcErase, false, false},
     {rop::srcInvert, false, false},
     {rop::dstInvert, false, false}},
};

gdicomposition gdiCompositionFor(gdibehaviour white, gdibehaviour black) {
    return gdiRealisations[uint32_t(white)][uint32_t(black)];
}

// This engine's frame image: the bitmap description GDI decodes the pixels
// with at every draw, and the pixels themselves, which stay the caller's.
struct gdiframe {
    frameinfo info;
    const void* pixels;  // neither owned nor copied

    const BITMAPINFO* bitmapInfo() const { return reinterpret_cast<const BITMAPINFO*>(info.bytes); }
    int width() const { return bitmapInfo()->bmiHeader.biWidth; }
    // Positive whichever way the rows are stored.
    int height() const {
        LONG stored = bitmapInfo()->bmiHeader.biHeight;
        return stored < 0 ? -stored : stored;
    }
};

frameimage* handOut(gdiframe* frame) { return reinterpret_cast<frameimage*>(frame); }

const gdiframe* framePart(const frameimage* frame) {
    return reinterpret_cast<const gdiframe*>(frame);
}

// Puts the whole frame, stretched, into the w x h rectangle at (x, y) of `dc`.
void stretchFrame(HDC dc, const gdiframe& frame, int x, int y, int w, int h, DWORD code) {
    StretchDIBits(dc, x, y, w, h, 0, 0, frame.width(), frame.height(), frame.pixels,
                  frame.bitmapInfo(), DIB_RGB_COLORS, code);
}

// The text of a string resource of the program, as the name-copying rule
// hands it out. Copied through a buffer of our own: LoadStringW leaves a
// buffer of one unit unterminated and takes a capacity of 0 as a request for
// a pointer to the resource.
int32_t loadName(UINT id, char16_t* buffer, uint32_t capacity) {
    wchar_t text[100] = {};
    LoadStringW(GetModuleHandleW(nullptr), id, text, 100);
    return int32_t(copyName(reinterpret_cast<const char16_t*>(text), buffer, capacity).length);
}

const UINT behaviourNames[gdiBehaviourCount] = {IDS_GDI_CHOICE_WHITE, IDS_GDI_CHOICE_BLACK,
                                                IDS_GDI_CHOICE_UNCHANGED, IDS_GDI_CHOICE_INVERTED};

int32_t behaviourName(uint32_t index, char16_t* buffer, uint32_t capacity) {
    if (index >= gdiBehaviourCount) {
        copyName(u"", buffer, capacity);
        return 0;
    }
    return loadName(behaviourNames[index], buffer, capacity);
}

}  // namespace

gdiengine::gdiengine(HWND window)
    : window(window),
      font(CreateFontW(72, 0, 1, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, L"Meiryo")) {
    composition = gdiCompositionFor(whiteBehaviour, blackBehaviour);
    attachToWindow();
    makeBackBuffer();
}

void gdiengine::attachToWindow() {
    GetClientRect(window, &client);
    width = client.right - client.left;
    height = client.bottom - client.top;
    windowDC.reset();
    windowDC.emplace(window);
}

void gdiengine::makeBackBuffer() {
    back = makeCompatiblePicture(*windowDC, width, height);
    fontSelection.emplace(back->dc(), font);
    SetTextColor(back->dc(), RGB(255, 0, 0));
}

HDC gdiengine::target() const { return drawing ? back->dc() : HDC(*windowDC); }

void gdiengine::resize() {
    fontSelection.reset();
    back.reset();
    attachToWindow();
    makeBackBuffer();
}

void gdiengine::beginDraw() { drawing = true; }

void gdiengine::endDraw() {
    if (drawing) BitBlt(*windowDC, 0, 0, width, height, back->dc(), 0, 0, SRCCOPY);
    drawing = false;
}

void gdiengine::drawBackground() {
    if (!background) return;
    StretchBlt(target(), 0, 0, width, height, background->dc(), 0, 0, background->width(),
               background->height(), SRCCOPY);
}

void gdiengine::drawFrameInRect(frameimage* image, const rect& area) {
    const gdiframe* frame = framePart(image);
    const int64_t w = int64_t(area.right) - area.left;
    const int64_t h = int64_t(area.bottom) - area.top;
    // A negative extent would mirror the frame; an empty one draws nothing anyway.
    if (!frame || composition.rop == rop::none || w <= 0 || h <= 0 || w > INT_MAX || h > INT_MAX) {
        return;
    }
    const HDC dc = target();
    if (!composition.preInvert) {
        if (composition.invertDestination) {
            stretchFrame(dc, *frame, area.left, area.top, int(w), int(h), DSTINVERT);
        }
        stretchFrame(dc, *frame, area.left, area.top, int(w), int(h), composition.rop);
        return;
    }
    // The inverted frame is stretched to the client size first; that picture
    // is then stretched a second time into the rectangle.
    const std::unique_ptr<gdipicture> inverted = makeCompatiblePicture(*windowDC, width, height);
    stretchFrame(inverted->dc(), *frame, 0, 0, width, height, NOTSRCCOPY);
    const auto stretchInverted = [&](DWORD operation) {
        StretchBlt(dc, area.left, area.top, int(w), int(h), inverted->dc(), 0, 0, width, height,
                   operation);
    };
    if (composition.invertDestination) stretchInverted(DSTINVERT);
    stretchInverted(composition.rop);
}

void gdiengine::drawFrame(frameimage* frame) { drawFrameInRect(frame, {0, 0, width, height}); }

void gdiengine::drawText(const char16_t* text, int32_t length) {
    if (text == nullptr || length <= 0) return;
    TextOutW(target(), 0, 0, reinterpret_cast<const wchar_t*>(text), length);
}

bool gdiengine::loadBackground(const char16_t* path) {
    if (path == nullptr) return false;
    std::unique_ptr<gdipicture> picture = loadPictureFile(reinterpret_cast<const wchar_t*>(path));
    if (!picture) return false;
    background = std::move(picture);
    return true;
}

void gdiengine::captureDesktop() {
    background.reset();
    const scopeddisplaydc screen;
    if (!screen) return;
    background = makeCompatiblePicture(screen, GetDeviceCaps(screen, HORZRES),
                                       GetDeviceCaps(screen, VERTRES));
    BitBlt(background->dc(), 0, 0, background->width(), background->height(), screen, 0, 0,
           SRCCOPY);
}

frameimage* gdiengine::createFrameFromDib(const void* info, const void* pixels, uint32_t size) {
    if (info == nullptr || pixels == nullptr) return nullptr;
    if (!wholeRowsFit(readDibShape(static_cast<const uint8_t*>(info)), size)) return nullptr;
    BITMAPINFOHEADER header;
    std::memcpy(&header, info, sizeof header);
    // The picture's pixel values are grey levels: its own colour table gives
    // way to the ramp, which follows the 40-byte header with all 256 entries.
    header.biSize = sizeof header;
    header.biClrUsed = 0;
    header.biClrImportant = 0;
    gdiframe* frame = new (std::nothrow) gdiframe{buildFrameInfo(0, 0, 0), pixels};
    if (frame == nullptr) return nullptr;
    std::memcpy(frame->info.bytes, &header, sizeof header);
    return handOut(frame);
}

frameimage* gdiengine::createFrame(const uint8_t* payload, uint32_t size, int32_t width,
                                   int32_t height, uint32_t bits) {
    if (bits != 8 || frameTooLarge(width, height)) return nullptr;
    // GDI decodes the codes at each draw; it needs the header's image size
    // to be the payload's true size.
    return handOut(new (std::nothrow) gdiframe{buildFrameInfo(width, height, size), payload});
}

void gdiengine::destroyFrame(frameimage* frame) { delete reinterpret_cast<gdiframe*>(frame); }

int32_t gdiengine::settingAChoiceCount() { return int32_t(gdiBehaviourCount); }

int32_t gdiengine::settingAName(char16_t* buffer, uint32_t capacity) {
    return loadName(IDS_GDI_WHITE_BEHAVIOUR, buffer, capacity);
}

int32_t gdiengine::settingAChoiceName(uint32_t index, char16_t* buffer, uint32_t capacity) {
    return behaviourName(index, buffer, capacity);
}

void gdiengine::setSettingA(uint32_t index) {
    if (index >= gdiBehaviourCount) return;
    whiteBehaviour = gdibehaviour(index);
    composition = gdiCompositionFor(whiteBehaviour, blackBehaviour);
}

int32_t gdiengine::settingBChoiceCount() { return int32_t(gdiBehaviourCount); }

int32_t gdiengine::settingBName(char16_t* buffer, uint32_t capacity) {
    return loadName(IDS_GDI_BLACK_BEHAVIOUR, buffer, capacity);
}

int32_t gdiengine::settingBChoiceName(uint32_t index, char16_t* buffer, uint32_t capacity) {
    return behaviourName(index, buffer, capacity);
}

void gdiengine::setSettingB(uint32_t index) {
    if (index >= gdiBehaviourCount) return;
    blackBehaviour = gdibehaviour(index);
    composition = gdiCompositionFor(whiteBehaviour, blackBehaviour);
}
