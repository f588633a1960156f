// Decoder of frame payloads: BI_RLE8 code streams of 8-bit grey pixels.
//
// Output layout: row r of the output is the r-th row of the stream, so the
// rows stay bottom-up as in the payload; row r starts at pixels + r * stride
// and holds `width` bytes. The bytes between `width` and `stride` are never
// touched, so a caller may pass 4-byte aligned rows (stride >= width) or a
// tightly packed buffer (stride == width). The buffer needs
// stride * (height - 1) + width bytes; the last row needs no padding.
//
// Every pixel of the frame is written exactly once, so the buffer needs no
// pre-filling: from the stream, or 0 (background) where the stream skips it
// (rest of a row at an end of line, pixels jumped over by a delta, everything
// after the end of bitmap).
//
// A damaged stream never makes the decoder read outside the code stream or
// write outside the frame. Decoding stops at the first code that is cut short
// or does not fit; that code writes nothing. The pixels then hold everything
// decoded before it and 0 everywhere after it.
#pragma once

#include <cstddef>
#include <cstdint>

enum class rle8status {
    ok,         // decoded up to the end-of-bitmap code
    truncated,  // the stream ends inside a code, or without an end-of-bitmap code
    overflow,   // a run, absolute run, delta or end of line leaves its row or the frame
    badframe,   // negative width or height, stride below width, buffer too small: nothing written
};

struct rle8result {
    rle8status status;
    // Stream offset where decoding stopped: just after the end-of-bitmap code
    // when ok, otherwise the start of the faulty code (the stream size when
    // the stream ends between codes).
    size_t position;
};

rle8result decodeRle8(const uint8_t* code, size_t codeSize, int32_t width, int32_t height,
                      uint8_t* pixels, size_t pixelsSize, size_t stride);
