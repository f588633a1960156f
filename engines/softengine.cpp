#include "engines/softengine.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "engines/frameinfo.h"
#include "engines/namecopy.h"
#include "engines/rle8decoder.h"

namespace {

// This engine's frame image: grey levels, rows bottom-up as payloads and
// bottom-up pictures store them, `width` bytes per row. A frame of no pixels
// (a width or height of 0 or less in the file header) is drawn as nothing.
struct softframe {
    int32_t width = 0;
    int32_t height = 0;
    std::unique_ptr<uint8_t[]> grey;
};

frameimage* handOut(softframe* frame) { return reinterpret_cast<frameimage*>(frame); }

const softframe* framePart(const frameimage* frame) {
    return reinterpret_cast<const softframe*>(frame);
}

// Room for width x height grey levels, or none when that can't be had.
std::unique_ptr<softframe> allocateFrame(int32_t width, int32_t height) {
    if (frameTooLarge(width, height)) return nullptr;
    std::unique_ptr<softframe> frame(new (std::nothrow) softframe);
    if (!frame || width <= 0 || height <= 0) return frame;
    uint64_t count = uint64_t(width) * uint64_t(height);
    if (count > SIZE_MAX) return nullptr;
    frame->grey.reset(new (std::nothrow) uint8_t[size_t(count)]);
    if (!frame->grey) return nullptr;
    frame->width = width;
    frame->height = height;
    return frame;
}

softengine::picture blankPicture(int32_t width, int32_t height) {
    softengine::picture result;
    result.width = std::max(width, 0);
    result.height = std::max(height, 0);
    result.pixels.assign(size_t(result.width) * size_t(result.height), 0);
    return result;
}

// The frame index under the centre of destination index i of `extent`.
uint32_t nearestSource(int64_t i, int64_t extent, int32_t frameExtent) {
    return uint32_t(uint64_t(2 * i + 1) * uint64_t(frameExtent) / uint64_t(2 * extent));
}

uint32_t composePixel(gdibehaviour white, gdibehaviour black, uint8_t s, uint32_t d) {
    uint32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        result |= uint32_t(gdiCompose(white, black, s, uint8_t(d >> shift))) << shift;
    }
    return result;
}

const char16_t* const behaviourNames[gdiBehaviourCount] = {u"白", u"黒", u"そのまま", u"反転"};

int32_t nameResult(const char16_t* name, char16_t* buffer, uint32_t capacity) {
    return int32_t(copyName(name, buffer, capacity).length);
}

int32_t behaviourName(uint32_t index, char16_t* buffer, uint32_t capacity) {
    return int32_t(copyChoiceName(behaviourNames, gdiBehaviourCount, index, buffer, capacity).length);
}

}  // namespace

softengine::softengine(int32_t width, int32_t height)
    : clientWidth(width),
      clientHeight(height),
      back(blankPicture(width, height)),
      window(blankPicture(width, height)) {}

void softengine::setClientSize(int32_t width, int32_t height) {
    clientWidth = width;
    clientHeight = height;
    window = blankPicture(width, height);
}

void softengine::resize() { back = blankPicture(clientWidth, clientHeight); }

void softengine::beginDraw() { drawing = true; }

void softengine::endDraw() {
    if (!drawing) return;
    int32_t width = std::min(back.width, window.width);
    int32_t height = width > 0 ? std::min(back.height, window.height) : 0;
    for (int32_t y = 0; y < height; ++y) {
        std::memcpy(window.pixels.data() + size_t(y) * size_t(window.width),
                    back.pixels.data() + size_t(y) * size_t(back.width), size_t(width) * 4);
    }
    drawing = false;
}

void softengine::drawBackground() {}

void softengine::drawFrameInRect(frameimage* image, const rect& area) {
    const softframe* frame = framePart(image);
    if (frame == nullptr || !frame->grey) return;
    picture& out = target();
    int64_t w = int64_t(area.right) - area.left;
    int64_t h = int64_t(area.bottom) - area.top;
    if (w <= 0 || h <= 0) return;
    int64_t x0 = std::max<int64_t>(area.left, 0), x1 = std::min<int64_t>(area.right, out.width);
    int64_t y0 = std::max<int64_t>(area.top, 0), y1 = std::min<int64_t>(area.bottom, out.height);
    if (x0 >= x1 || y0 >= y1) return;

    std::vector<uint32_t> columns;
    columns.reserve(size_t(x1 - x0));
    for (int64_t x = x0; x < x1; ++x)
        columns.push_back(nearestSource(x - area.left, w, frame->width));
    for (int64_t y = y0; y < y1; ++y) {
        uint32_t fromTop = nearestSource(y - area.top, h, frame->height);
        const uint8_t* row =
            frame->grey.get() + size_t(frame->height - 1 - fromTop) * size_t(frame->width);
        uint32_t* line = &out.pixels[size_t(y) * size_t(out.width)];
        for (int64_t x = x0; x < x1; ++x) {
            line[x] =
                composePixel(whiteBehaviour, blackBehaviour, row[columns[size_t(x - x0)]], line[x]);
        }
    }
}

void softengine::drawFrame(frameimage* frame) {
    drawFrameInRect(frame, {0, 0, back.width, back.height});
}

void softengine::drawText(const char16_t*, int32_t) {}

bool softengine::loadBackground(const char16_t*) { return false; }

void softengine::captureDesktop() {}

frameimage* softengine::createFrameFromDib(const void* info, const void* pixels, uint32_t size) {
    if (info == nullptr || pixels == nullptr) return nullptr;
    dibshape shape = readDibShape(static_cast<const uint8_t*>(info));
    if (shape.bitsPerPixel != 8 || shape.compression != dibCompressionRgb || shape.width <= 0 ||
        shape.height == 0 || shape.height == INT32_MIN) {
        return nullptr;
    }
    int32_t height = shape.height < 0 ? -shape.height : shape.height;
    // Rows are padded to whole 32-bit words; the last row's padding may be missing.
    uint64_t stride = (uint64_t(shape.width) + 3) & ~uint64_t(3);
    if (stride * uint64_t(height - 1) + uint64_t(shape.width) > size) return nullptr;
    std::unique_ptr<softframe> frame = allocateFrame(shape.width, height);
    if (!frame) return nullptr;
    const uint8_t* rows = static_cast<const uint8_t*>(pixels);
    for (int32_t r = 0; r < height; ++r) {
        int32_t stored = shape.height > 0 ? r : height - 1 - r;
        std::memcpy(frame->grey.get() + size_t(r) * size_t(shape.width),
                    rows + size_t(stored) * stride, size_t(shape.width));
    }
    return handOut(frame.release());
}

frameimage* softengine::createFrame(const uint8_t* payload, uint32_t size, int32_t width,
                                    int32_t height, uint32_t bits) {
    if (bits != 8) return nullptr;
    std::unique_ptr<softframe> frame = allocateFrame(width, height);
    if (!frame) return nullptr;
    if (frame->grey) {
        // A damaged stream shows what was decoded before the fault; the
        // decoder leaves the rest black.
        size_t count = size_t(width) * size_t(height);
        decodeRle8(payload, payload ? size : 0, width, height, frame->grey.get(), count,
                   size_t(width));
    }
    return handOut(frame.release());
}

void softengine::destroyFrame(frameimage* frame) { delete reinterpret_cast<softframe*>(frame); }

int32_t softengine::settingAChoiceCount() { return int32_t(gdiBehaviourCount); }

int32_t softengine::settingAName(char16_t* buffer, uint32_t capacity) {
    return nameResult(u"白の動作", buffer, capacity);
}

int32_t softengine::settingAChoiceName(uint32_t index, char16_t* buffer, uint32_t capacity) {
    return behaviourName(index, buffer, capacity);
}

void softengine::setSettingA(uint32_t index) {
    if (index < gdiBehaviourCount) whiteBehaviour = gdibehaviour(index);
}

int32_t softengine::settingBChoiceCount() { return int32_t(gdiBehaviourCount); }

int32_t softengine::settingBName(char16_t* buffer, uint32_t capacity) {
    return nameResult(u"黒の動作", buffer, capacity);
}

int32_t softengine::settingBChoiceName(uint32_t index, char16_t* buffer, uint32_t capacity) {
    return behaviourName(index, buffer, capacity);
}

void softengine::setSettingB(uint32_t index) {
    if (index < gdiBehaviourCount) blackBehaviour = gdibehaviour(index);
}
