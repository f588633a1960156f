#include "engines/composition.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

const gdibehaviour behaviours[] = {gdibehaviour::white, gdibehaviour::black,
                                   gdibehaviour::unchanged, gdibehaviour::inverted};

// What a destination bit becomes under one behaviour.
uint8_t behave(gdibehaviour behaviour, uint8_t d) {
    switch (behaviour) {
    case gdibehaviour::white: return 0xFF;
    case gdibehaviour::black: return 0x00;
    case gdibehaviour::unchanged: return d;
    case gdibehaviour::inverted: break;
    }
    return uint8_t(~d);
}

// S = 0xF0 over D = 0xCC puts all four (s, d) bit pairs in every result, so
// one value pins down each cell's whole bitwise function.
TEST(GdiRule, EveryCellOnAllFourBitPairs) {
    const uint8_t expected[4][4] = {
        {0xFF, 0xF0, 0xFC, 0xF3},
        {0x0F, 0x00, 0x0C, 0x03},
        {0xCF, 0xC0, 0xCC, 0xC3},
        {0x3F, 0x30, 0x3C, 0x33},
    };
    for (int a = 0; a < 4; ++a) {
        for (int b = 0; b < 4; ++b) {
            EXPECT_EQ(gdiCompose(behaviours[a], behaviours[b], 0xF0, 0xCC), expected[a][b])
                << "A " << a << " B " << b;
        }
    }
}

// Where the frame's bit is set the destination bit does what A says,
// elsewhere what B says: the rule read bit by bit.
TEST(GdiRule, EveryCellSelectsBehaviourByTheFrameBits) {
    for (gdibehaviour a : behaviours) {
        for (gdibehaviour b : behaviours) {
            for (int s = 0; s < 256; ++s) {
                for (int d = 0; d < 256; ++d) {
                    uint8_t selected =
                        uint8_t((s & behave(a, uint8_t(d))) | (~s & behave(b, uint8_t(d))));
                    ASSERT_EQ(gdiCompose(a, b, uint8_t(s), uint8_t(d)), selected)
                        << "A " << int(a) << " B " << int(b) << " S " << s << " D " << d;
                }
            }
        }
    }
}

TEST(RasterOperation, StandardCodesComputeTheirNamedFunctions) {
    for (int s = 0; s < 256; ++s) {
        for (int d = 0; d < 256; ++d) {
            const uint8_t S = uint8_t(s), D = uint8_t(d);
            for (uint8_t p : {uint8_t(0x00), uint8_t(0xFF), uint8_t(0x5A)}) {
                ASSERT_EQ(evaluateRop(rop::srcCopy, p, S, D), S);
                ASSERT_EQ(evaluateRop(rop::srcPaint, p, S, D), S | D);
                ASSERT_EQ(evaluateRop(rop::srcAnd, p, S, D), S & D);
                ASSERT_EQ(evaluateRop(rop::srcInvert, p, S, D), S ^ D);
                ASSERT_EQ(evaluateRop(rop::srcErase, p, S, D), uint8_t(S & ~D));
                ASSERT_EQ(evaluateRop(rop::notSrcErase, p, S, D), uint8_t(~(S | D)));
                ASSERT_EQ(evaluateRop(rop::notSrcCopy, p, S, D), uint8_t(~S));
                ASSERT_EQ(evaluateRop(rop::dstInvert, p, S, D), uint8_t(~D));
                ASSERT_EQ(evaluateRop(rop::whiteness, p, S, D), 0xFF);
                ASSERT_EQ(evaluateRop(rop::blackness, p, S, D), 0x00);
            }
        }
    }
}

TEST(RasterOperation, PatternBitsAreTheHighHalfOfTheTruthTable) {
    const uint32_t patCopy = 0x00F00021;  // PATCOPY
    EXPECT_EQ(evaluateRop(patCopy, 0xA5, 0x00, 0xFF), 0xA5);
}

// The raster operations, carried out as the GDI engine orders them, give the
// rule's result in every cell for every frame and destination value, whatever
// brush is selected.
TEST(GdiRealisation, RasterOperationsRealiseTheRuleEverywhere) {
    for (gdibehaviour a : behaviours) {
        for (gdibehaviour b : behaviours) {
            gdicomposition composition = gdiCompositionFor(a, b);
            for (uint8_t pattern : {uint8_t(0x00), uint8_t(0xFF)}) {
                for (int s = 0; s < 256; ++s) {
                    for (int d = 0; d < 256; ++d) {
                        ASSERT_EQ(applyGdiComposition(composition, pattern, uint8_t(s), uint8_t(d)),
                                  gdiCompose(a, b, uint8_t(s), uint8_t(d)))
                            << "A " << int(a) << " B " << int(b) << " S " << s << " D " << d;
                    }
                }
            }
        }
    }
}

TEST(GdiplusBlend, EdgeValues) {
    EXPECT_EQ(gdiplusBlend(gdiplusforeground::white, 255, 0x10), 0xFF);
    EXPECT_EQ(gdiplusBlend(gdiplusforeground::white, 0, 0x10), 0x10);
    EXPECT_EQ(gdiplusBlend(gdiplusforeground::white, 0x80, 0x10), 0x88);  // 128 + 7.97
    EXPECT_EQ(gdiplusBlend(gdiplusforeground::black, 0, 0x10), 0x00);
    EXPECT_EQ(gdiplusBlend(gdiplusforeground::black, 255, 0x10), 0x10);
    EXPECT_EQ(gdiplusBlend(gdiplusforeground::black, 1, 128), 1);  // 0.502
    EXPECT_EQ(gdiplusBlend(gdiplusforeground::black, 1, 127), 0);  // 0.498
}

// Blending each palette entry over the destination gives the stated formula,
// within half a level of the exact value.
TEST(GdiplusBlend, PaletteBlendedOverTheDestinationIsTheFormula) {
    for (gdiplusforeground foreground : {gdiplusforeground::white, gdiplusforeground::black}) {
        for (int v = 0; v < 256; ++v) {
            uint32_t entry = foregroundPaletteEntry(foreground, uint8_t(v));
            uint8_t alpha = uint8_t(entry >> 24);
            for (int d = 0; d < 256; ++d) {
                uint8_t result = gdiplusBlend(foreground, uint8_t(v), uint8_t(d));
                for (int shift : {0, 8, 16}) {
                    ASSERT_EQ(blendStraight(uint8_t(entry >> shift), alpha, uint8_t(d)), result);
                }
                double exact = foreground == gdiplusforeground::white ? v + d * (255.0 - v) / 255.0
                                                                      : d * v / 255.0;
                ASSERT_LE(std::fabs(result - exact), 0.5) << "v " << v << " d " << d;
            }
        }
    }
}

TEST(D2dBlend, EdgeValues) {
    EXPECT_EQ(d2dBlend(d2dmode::noTranslucent, 0x33, 0x40), 0x33);
    EXPECT_EQ(d2dBlend(d2dmode::whiteTop, 0x00, 0x40), 0x40);
    EXPECT_EQ(d2dBlend(d2dmode::whiteTop, 0x80, 0x40), 0xC0);
    EXPECT_EQ(d2dBlend(d2dmode::whiteTop, 0xF0, 0x40), 0xFF);
    EXPECT_EQ(d2dBlend(d2dmode::blackTop, 0x00, 0x40), 0x00);
    EXPECT_EQ(d2dBlend(d2dmode::blackTop, 0xFF, 0x40), 0x40);
    EXPECT_EQ(d2dBlend(d2dmode::blackTop, 0x80, 0xFF), 0x80);
}

TEST(D2dBlend, ModePixels) {
    premultipliedpixel opaque = d2dModePixel(d2dmode::noTranslucent, 0x30);
    EXPECT_EQ((std::array<int, 4>{opaque.blue, opaque.green, opaque.red, opaque.alpha}),
              (std::array<int, 4>{0x30, 0x30, 0x30, 0xFF}));
    premultipliedpixel added = d2dModePixel(d2dmode::whiteTop, 0x30);
    EXPECT_EQ((std::array<int, 4>{added.blue, added.green, added.red, added.alpha}),
              (std::array<int, 4>{0x30, 0x30, 0x30, 0x00}));
    premultipliedpixel darkened = d2dModePixel(d2dmode::blackTop, 0x30);
    EXPECT_EQ((std::array<int, 4>{darkened.blue, darkened.green, darkened.red, darkened.alpha}),
              (std::array<int, 4>{0x00, 0x00, 0x00, 0xCF}));
}

// Source-over of each mode's premultiplied pixel gives the mode's formula.
TEST(D2dBlend, ModePixelBlendedOverTheDestinationIsTheFormula) {
    for (d2dmode mode : {d2dmode::noTranslucent, d2dmode::whiteTop, d2dmode::blackTop}) {
        for (int g = 0; g < 256; ++g) {
            premultipliedpixel pixel = d2dModePixel(mode, uint8_t(g));
            for (int d = 0; d < 256; ++d) {
                uint8_t result = d2dBlend(mode, uint8_t(g), uint8_t(d));
                ASSERT_EQ(blendPremultiplied(pixel.blue, pixel.alpha, uint8_t(d)), result);
                ASSERT_EQ(blendPremultiplied(pixel.red, pixel.alpha, uint8_t(d)), result);
                if (mode == d2dmode::blackTop) {
                    ASSERT_LE(std::fabs(result - d * g / 255.0), 0.5) << "g " << g << " d " << d;
                }
            }
        }
    }
}

}  // namespace
