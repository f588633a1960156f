// How a frame combines with what is already drawn, for each engine's
// settings, as arithmetic on one 8-bit colour channel. S (or v, g) is the
// frame's grey level, 255 white; D is the destination channel. The Windows
// engines realise these through their platforms; these functions are the
// reference their results are checked against.
#pragma once

#include <cstdint>

// --- GDI: the behaviour of white (setting A) and of black (setting B) ---

enum class gdibehaviour : uint32_t { white, black, unchanged, inverted };
constexpr uint32_t gdiBehaviourCount = 4;

// The composition rule: where the frame is white the destination becomes
// what `white` says, where it is black what `black` says; grey levels
// combine bitwise through the same formula.
uint8_t gdiCompose(gdibehaviour white, gdibehaviour black, uint8_t s, uint8_t d);

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

// How the GDI engine realises one cell of the rule: optionally invert the
// frame into a temporary picture first (preInvert), optionally invert the
// destination (invertDestination), then put the source on with `rop`.
struct gdicomposition {
    uint32_t rop;
    bool preInvert;
    bool invertDestination;
};

gdicomposition gdiCompositionFor(gdibehaviour white, gdibehaviour black);

// A ternary raster operation on 8-bit pattern, source and destination
// values: each result bit is the bit of the code's truth table (bits 16 to
// 23) at index pattern bit * 4 + source bit * 2 + destination bit.
uint8_t evaluateRop(uint32_t code, uint8_t pattern, uint8_t source, uint8_t destination);

// The channel the realisation leaves, carried out step by step with
// evaluateRop (the pattern is the device context's brush, which none of the
// operations used here looks at).
uint8_t applyGdiComposition(const gdicomposition& composition, uint8_t pattern, uint8_t s,
                            uint8_t d);

// --- GDI+: the foreground colour (setting B) ---

enum class gdiplusforeground : uint32_t { white, black };

// Entry i of the palette a frame bitmap gets: 32-bit ARGB. White: white with
// alpha i; black: black with alpha 255 - i.
uint32_t foregroundPaletteEntry(gdiplusforeground foreground, uint8_t index);

// Source-over with non-premultiplied alpha: (colour * alpha + d * (255 -
// alpha)) / 255, rounded to nearest.
uint8_t blendStraight(uint8_t colour, uint8_t alpha, uint8_t d);

// White: v + d * (255 - v) / 255; black: d * v / 255; rounded to nearest.
uint8_t gdiplusBlend(gdiplusforeground foreground, uint8_t v, uint8_t d);

// --- Direct2D: the mode (setting A) ---

enum class d2dmode : uint32_t { noTranslucent, whiteTop, blackTop };

struct premultipliedpixel {
    uint8_t blue, green, red, alpha;
};

// The pixel a frame's grey level g becomes in a frame bitmap of this mode:
// (g, g, g, 255), (g, g, g, 0) or (0, 0, 0, 255 - g).
premultipliedpixel d2dModePixel(d2dmode mode, uint8_t g);

// Source-over with premultiplied alpha: colour + d * (255 - alpha) / 255,
// rounded to nearest and capped at 255.
uint8_t blendPremultiplied(uint8_t colour, uint8_t alpha, uint8_t d);

// No translucent: g; white top: d + g capped at 255; black top: d * g / 255
// rounded to nearest.
uint8_t d2dBlend(d2dmode mode, uint8_t g, uint8_t d);
