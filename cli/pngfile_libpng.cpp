// PNG pictures decoded by libpng, from the file's bytes in memory: the rows
// as stored, with no transformation, so palette pictures keep their indices.
#include "cli/pngfile.h"

#include <png.h>

#include <cstring>

namespace {

struct source {
    const uint8_t* at;
    size_t left;
};

void readBytes(png_structp png, png_bytep out, size_t count) {
    source& from = *static_cast<source*>(png_get_io_ptr(png));
    if (count > from.left) png_error(png, "cut short");
    std::memcpy(out, from.at, count);
    from.at += count;
    from.left -= count;
}

// Nothing on stderr: a damaged picture is reported in the packer's words.
void quietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void quietWarning(png_structp, png_const_charp) {}

struct pngreading {
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    ~pngreading() { png_destroy_read_struct(&png, &info, nullptr); }
};

// Apart, so that nothing with a destructor lives where libpng may jump.
bool readRows(png_structp png, png_infop info, source& from, uint32_t width, uint32_t height,
              png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, &from, readBytes);
    // The chunks' CRCs guard the data; zlib's checksum on top costs an eighth of the time.
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_read_info(png, info);
    if (png_get_image_width(png, info) != width || png_get_image_height(png, info) != height ||
        png_get_bit_depth(png, info) != 8)
        return false;
    const png_byte type = png_get_color_type(png, info);
    if (type != PNG_COLOR_TYPE_GRAY && type != PNG_COLOR_TYPE_PALETTE) return false;
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

bool pngfile::decode(uint32_t) {
    pngreading reading;
    if (!reading.info) return false;
    source from{encoded.data(), encoded.size()};
    return readRows(reading.png, reading.info, from, uint32_t(infoHeader.biWidth),
                    uint32_t(infoHeader.biHeight), rowStarts.data());
}
