// One decoded frame written as a picture that any viewer opens: an 8-bit
// grey BMP (the form the import reads back), or a grey PNG.
#pragma once

#include "platform/file.h"

#include <cstddef>
#include <cstdint>

// Grey levels, rows bottom-up, `stride` bytes apart.
struct greyframe {
    const uint8_t* rows;
    int32_t width;
    int32_t height;
    size_t stride;  // a multiple of 4
};

// False when the file cannot be written whole.
bool writeBmp(filehandle& file, const greyframe& frame);
bool writePng(filehandle& file, const greyframe& frame);
