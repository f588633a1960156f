// Frame encoder: one 8-bit picture, cut down to a data depth, as a BI_RLE8
// code stream (the frame payload), rows in stored order.
#pragma once

#include <cstddef>
#include <cstdint>

// The mask that keeps the top `depth` bits of a pixel, indexed by depth - 1.
extern const uint8_t depthMasks[8];

// The largest payload a width x height picture can give: every pixel costs at
// most 2 bytes, every row 2 more for its end of line, plus the end of bitmap.
uint64_t payloadBound(uint32_t width, uint32_t height);

// Encodes `height` rows of `width` pixel bytes, row r starting at
// pixels + r * stride, into `output`, which must hold payloadBound(width,
// height) bytes. Returns the payload size, or 0 when depth is not 1 to 8.
// Reads only the first `width` bytes of each row.
size_t encodeFrame(const uint8_t* pixels, uint32_t width, uint32_t height, uint32_t stride,
                   uint32_t depth, uint8_t* output);
