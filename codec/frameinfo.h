// The frame bitmap description: the bitmap information header and grey
// colour table with which every engine describes a frame payload to its
// decoder, and the few header fields an engine reads back from a picture.
#pragma once

#include "codec/bytes.h"

#include <cstddef>
#include <cstdint>

constexpr size_t dibHeaderSize = 40;
constexpr size_t frameInfoSize = dibHeaderSize + 256 * 4;  // 1064
constexpr uint32_t dibCompressionRgb = 0;
constexpr uint32_t dibCompressionRle8 = 1;

// Little-endian, in the published device-independent-bitmap layout; aligned
// so that the platform may read it in place as its own header record.
struct frameinfo {
    alignas(4) uint8_t bytes[frameInfoSize];
};
static_assert(sizeof(frameinfo) == frameInfoSize, "the block is handed on as it is");

// The header of a bottom-up 8-bit BI_RLE8 bitmap of width x height whose code
// stream is `size` bytes, followed by the grey ramp (entry i = i, i, i, 0).
frameinfo buildFrameInfo(int32_t width, int32_t height, uint32_t size);

// The fields of a 40-byte bitmap information header that decide how its
// pixel rows are laid out.
struct dibshape {
    int32_t width;
    int32_t height;  // positive: rows bottom-up; negative: top-down
    uint16_t bitsPerPixel;
    uint32_t compression;
};

// Reads them from the first 40 bytes at `header`.
dibshape readDibShape(const uint8_t* header);

// Whether `shape` describes uncompressed 8-bit rows, padded to 32-bit words,
// that all lie within `size` bytes: the platform reads every row it announces.
bool wholeRowsFit(const dibshape& shape, uint32_t size);
