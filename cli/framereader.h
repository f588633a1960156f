// The frames of an animation file, read and decoded one at a time into one
// buffer of grey rows: bottom-up as in the payload, each `stride` bytes (a
// multiple of 4, as BMP rows are), the padding zero.
#pragma once

#include "animfile/morvafile.h"

#include <memory>
#include <string>

class framereader {
public:
    // Empty when the file opened, otherwise the line that says why not.
    std::string open(const std::u16string& path);

    const fileheader& header() const { return file.header; }
    // Whether the frames have a size a picture can have.
    bool pictureSized() const { return file.header.width > 0 && file.header.height > 0; }
    const indexentry& entry(uint32_t frame) const { return file.index[frame]; }
    const uint8_t* rows() const { return pixels.get(); }
    size_t stride() const { return rowBytes; }

    // False with `damage` telling where decoding stopped and why.
    bool decode(uint32_t frame, std::string& damage);

private:
    morvafile file;  // its payload buffer holds the largest frame
    std::unique_ptr<uint8_t[]> pixels;
    size_t rowBytes = 0;
    size_t pixelBytes = 0;
};
