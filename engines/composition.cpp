#include "engines/composition.h"

namespace {

uint8_t inv(uint8_t x) { return uint8_t(~x); }

// x / 255 rounded to nearest; 255 is odd, so there are no ties.
uint8_t divide255(uint32_t x) { return uint8_t((x + 127) / 255); }

using cellrule = uint8_t (*)(uint8_t s, uint8_t d);

// Rows: behaviour of white; columns: behaviour of black.
constexpr cellrule gdiRules[gdiBehaviourCount][gdiBehaviourCount] = {
    {
        [](uint8_t, uint8_t) -> uint8_t { return 0xFF; },
        [](uint8_t s, uint8_t) { return s; },
        [](uint8_t s, uint8_t d) { return uint8_t(s | d); },
        [](uint8_t s, uint8_t d) { return uint8_t(s | inv(d)); },
    },
    {
        [](uint8_t s, uint8_t) { return inv(s); },
        [](uint8_t, uint8_t) -> uint8_t { return 0x00; },
        [](uint8_t s, uint8_t d) { return uint8_t(inv(s) & d); },
        [](uint8_t s, uint8_t d) { return inv(s | d); },
    },
    {
        [](uint8_t s, uint8_t d) { return uint8_t(inv(s) | d); },
        [](uint8_t s, uint8_t d) { return uint8_t(s & d); },
        [](uint8_t, uint8_t d) { return d; },
        [](uint8_t s, uint8_t d) { return uint8_t(inv(s) ^ d); },
    },
    {
        [](uint8_t s, uint8_t d) { return uint8_t(inv(s) | inv(d)); },
        [](uint8_t s, uint8_t d) { return uint8_t(s & inv(d)); },
        [](uint8_t s, uint8_t d) { return uint8_t(s ^ d); },
        [](uint8_t, uint8_t d) { return inv(d); },
    },
};

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

}  // namespace

uint8_t gdiCompose(gdibehaviour white, gdibehaviour black, uint8_t s, uint8_t d) {
    return gdiRules[uint32_t(white)][uint32_t(black)](s, d);
}

gdicomposition gdiCompositionFor(gdibehaviour white, gdibehaviour black) {
    return gdiRealisations[uint32_t(white)][uint32_t(black)];
}

uint8_t evaluateRop(uint32_t code, uint8_t pattern, uint8_t source, uint8_t destination) {
    uint8_t table = uint8_t(code >> 16);
    uint8_t result = 0;
    for (int bit = 0; bit < 8; ++bit) {
        unsigned index = ((pattern >> bit) & 1u) << 2 | ((source >> bit) & 1u) << 1 |
                         ((destination >> bit) & 1u);
        result |= uint8_t(((table >> index) & 1u) << bit);
    }
    return result;
}

uint8_t applyGdiComposition(const gdicomposition& composition, uint8_t pattern, uint8_t s,
                            uint8_t d) {
    if (composition.rop == rop::none) return d;
    // The pre-inverted frame is drawn with NOTSRCCOPY into a fresh picture.
    uint8_t source = composition.preInvert ? evaluateRop(rop::notSrcCopy, pattern, s, 0) : s;
    uint8_t destination =
        composition.invertDestination ? evaluateRop(rop::dstInvert, pattern, source, d) : d;
    return evaluateRop(composition.rop, pattern, source, destination);
}

uint32_t foregroundPaletteEntry(gdiplusforeground foreground, uint8_t index) {
    if (foreground == gdiplusforeground::white) return uint32_t(index) << 24 | 0x00FFFFFFu;
    return uint32_t(255 - index) << 24;
}

uint8_t blendStraight(uint8_t colour, uint8_t alpha, uint8_t d) {
    return divide255(uint32_t(colour) * alpha + uint32_t(d) * (255u - alpha));
}

uint8_t gdiplusBlend(gdiplusforeground foreground, uint8_t v, uint8_t d) {
    if (foreground == gdiplusforeground::white) {
        return uint8_t(v + divide255(uint32_t(d) * (255u - v)));
    }
    return divide255(uint32_t(d) * v);
}

premultipliedpixel d2dModePixel(d2dmode mode, uint8_t g) {
    switch (mode) {
    case d2dmode::noTranslucent: return {g, g, g, 255};
    case d2dmode::whiteTop: return {g, g, g, 0};
    case d2dmode::blackTop: break;
    }
    return {0, 0, 0, uint8_t(255 - g)};
}

uint8_t blendPremultiplied(uint8_t colour, uint8_t alpha, uint8_t d) {
    uint32_t result = colour + uint32_t(divide255(uint32_t(d) * (255u - alpha)));
    return uint8_t(result > 255 ? 255 : result);
}

uint8_t d2dBlend(d2dmode mode, uint8_t g, uint8_t d) {
    switch (mode) {
    case d2dmode::noTranslucent: return g;
    case d2dmode::whiteTop: return uint8_t(d + g > 255 ? 255 : d + g);
    case d2dmode::blackTop: break;
    }
    return divide255(uint32_t(d) * g);
}
