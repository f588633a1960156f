// ImageMagick as an independent BI_RLE8 decoder: the payload is wrapped in a
// BMP file and /usr/bin/convert turns it into raw grey bytes.
#pragma once

#include <cstdint>
#include <vector>

// A BMP file holding `payload` as an 8-bit BI_RLE8 bitmap, bottom-up, with a
// 256-entry grey palette (1078 bytes of headers and palette).
std::vector<uint8_t> rle8BmpFile(const std::vector<uint8_t>& payload, int32_t width,
                                 int32_t height);

// Whether the oracle can run here (native build with ImageMagick installed).
bool imageMagickAvailable();

// The frame as ImageMagick decodes it, rows bottom-up like the payload,
// tightly packed; empty when convert fails.
std::vector<uint8_t> decodeWithImageMagick(const std::vector<uint8_t>& payload, int32_t width,
                                           int32_t height);
