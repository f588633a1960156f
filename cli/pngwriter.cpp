// PNG by stb's image writer, the same header-only library on every platform.
#include "cli/pictures.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include <climits>

namespace {

struct pngsink {
    filehandle& file;
    uint64_t written = 0;
    bool failed = false;
};

void put(void* context, void* bytes, int size) {
    pngsink& sink = *static_cast<pngsink*>(context);
    if (sink.file.writeAt(sink.written, bytes, uint32_t(size)) < uint32_t(size)) sink.failed = true;
    sink.written += uint32_t(size);
}

}  // namespace

bool writePng(filehandle& file, const greyframe& frame) {
    if (frame.stride > size_t(INT_MAX)) return false;
    pngsink sink{file};
    // The last row first, with a negative stride: PNG rows run top-down.
    const uint8_t* top = frame.rows + frame.stride * size_t(frame.height - 1);
    const int written =
        stbi_write_png_to_func(put, &sink, frame.width, frame.height, 1, top, -int(frame.stride));
    return written != 0 && !sink.failed;
}
