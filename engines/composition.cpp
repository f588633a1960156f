#include "engines/composition.h"

namespace {

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

gdicomposition gdiCompositionFor(gdibehaviour white, gdibehaviour black) {
    return gdiRealisations[uint32_t(white)][uint32_t(black)];
}

uint32_t foregroundPaletteEntry(gdiplusforeground foreground, uint8_t index) {
    if (foreground == gdiplusforeground::white) return uint32_t(index) << 24 | 0x00FFFFFFu;
    return uint32_t(255 - index) << 24;
}

premultipliedpixel d2dModePixel(d2dmode mode, uint8_t g) {
    switch (mode) {
    case d2dmode::noTranslucent: return {g, g, g, 255};
    case d2dmode::whiteTop: return {g, g, g, 0};
    case d2dmode::blackTop: break;
    }
    return {0, 0, 0, uint8_t(255 - g)};
}
