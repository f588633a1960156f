// How each engine's settings make a frame combine with what is drawn
// already: GDI's raster operations, the palette of GDI+'s frames, the pixels
// of Direct2D's. A frame's grey level is S (or v, g), 255 white.
#pragma once

#include <cstdint>

// --- GDI: the behaviour of white (setting A) and of black (setting B) ---

enum class gdibehaviour : uint32_t { white, black, unchanged, inverted };
constexpr uint32_t gdiBehaviourCount = 4;

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

// Where the frame is white the destination becomes what `white` says, where
// it is black what `black` says, grey levels bitwise alike. The GDI engine
// realises each pair of behaviours so: optionally invert the frame into a
// temporary picture first (preInvert), optionally invert the destination
// (invertDestination), then put the source on with `rop`.
struct gdicomposition {
    uint32_t rop;
    bool preInvert;
    bool invertDestination;
};

gdicomposition gdiCompositionFor(gdibehaviour white, gdibehaviour black);

// --- GDI+: the foreground colour (setting B) ---

enum class gdiplusforeground : uint32_t { white, black };

// Entry i of the palette a frame bitmap gets: 32-bit ARGB. White: white with
// alpha i; black: black with alpha 255 - i.
uint32_t foregroundPaletteEntry(gdiplusforeground foreground, uint8_t index);

// --- Direct2D: the mode (setting A) ---

enum class d2dmode : uint32_t { noTranslucent, whiteTop, blackTop };

struct premultipliedpixel {
    uint8_t blue, green, red, alpha;
};

// The pixel a frame's grey level g becomes in a frame bitmap of this mode:
// (g, g, g, 255), (g, g, g, 0) or (0, 0, 0, 255 - g).
premultipliedpixel d2dModePixel(d2dmode mode, uint8_t g);
